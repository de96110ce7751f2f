#include "profile_line.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

namespace {

std::string Written(const char *name, const char *value)
{
    char buffer[512] = "";
    FILE *out = fmemopen(buffer, sizeof buffer, "w");
    WriteProfileLine(out, name, value);
    fclose(out);
    return buffer;
}

TEST(ProfileLine, NameEqualsValue)
{
    EXPECT_EQ(Written("name", "12"), "name=12\n");
    // A text the codec could not decode shows as empty.
    EXPECT_EQ(Written(nullptr, "12"), "=12\n");
    EXPECT_EQ(Written("name", nullptr), "name=\n");
}

TEST(ProfileLine, LongLinesAreCutAt199Characters)
{
    std::string name(150, 'n');
    std::string fits(48, 'v');
    EXPECT_EQ(Written(name.c_str(), fits.c_str()), name + "=" + fits + "\n");
    std::string tooLong(400, 'v');
    EXPECT_EQ(Written(name.c_str(), tooLong.c_str()), name + "=" + std::string(48, 'v') + "\n");
}

} // namespace
