// One printed line of the tuning profile.
#ifndef TUNING_PROFILE_LINE_H
#define TUNING_PROFILE_LINE_H

#include <stdio.h>

// Size of the line space: name and value together hold at most kProfileLineSize - 2
// characters beside the "="; longer lines are cut there.
enum { kProfileLineSize = 200 };

// Writes "name=value\n" to out. A null name or value (one the codec could not decode)
// is shown as an empty text.
void WriteProfileLine(FILE *out, const char *name, const char *value);

#endif
