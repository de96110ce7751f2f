#include "catalog_check.h"

#include <tuple>

#include <gtest/gtest.h>

TEST(ServerVersionMatches, ExactTextOrMinimumOfMajorAndMinorAsNumbers)
{
    // Requirement, server version, whether it fits. Every "+" goes; the dot is literal; a part
    // that is no number reads as 0, as does one out of range rather than wrapping.
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"", "8.4", true},
        {"8.3+", "8.4", true},
        {"8.4+", "8.4", true},
        {"8.5+", "8.4", false},
        {"7.9+", "8.4", true},
        {"9.0+", "8.4", false},
        {"8.4.1+", "8.4", true},
        {"9.5+", "10.0", true},
        {"10.0+", "9.5", false},
        {"8.4+", "8.4beta", false},
        {"8.0+", "8.4beta", true},
        {"8.4", "8.4", true},
        {"8.3", "8.4", false},
        {"8.4.0", "8.4", false},
        {"8.4 ", "8.4", false},
        {"8.5++", "8.4", false},
        {"8x4+", "0.1", true},
        {"x.y+", "0.0", true},
        {"99999999999.0+", "1.0", true},
    };
    for (const auto &[required, server, fits] : cases)
        EXPECT_EQ(serverVersionMatches(required, server), fits) << required << " for " << server;
}
