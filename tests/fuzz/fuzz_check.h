// The fuzzers' oracle check: a property that does not hold ends the run as a finding.
#ifndef FUZZ_CHECK_H
#define FUZZ_CHECK_H

#include <cstdlib>

inline void check(bool condition)
{
    if (!condition)
        abort();
}

#endif
