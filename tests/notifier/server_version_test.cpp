#include "catalog_check.h"

#include <gtest/gtest.h>

TEST(ServerVersionMatches, ExactTextOrMinimumOfMajorAndMinorAsNumbers)
{
    const struct
    {
        const char *required;
        const char *server;
        bool fits;
    } cases[] = {
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
        // Every "+" goes; the dot is literal; a part that is no number reads as 0, as does one
        // out of range rather than wrapping.
        {"8.5++", "8.4", false},
        {"8x4+", "0.1", true},
        {"x.y+", "0.0", true},
        {"99999999999.0+", "1.0", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(
            serverVersionMatches(QString::fromLatin1(c.required), QString::fromLatin1(c.server)),
            c.fits)
            << c.required << " for server " << c.server;
}
