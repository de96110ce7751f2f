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

TEST(ProfileLine, UndecodedTextsShowEmptyAndLongLinesAreCut)
{
    EXPECT_EQ(Written(nullptr, "12"), "=12\n");
    EXPECT_EQ(Written("name", nullptr), "name=\n");
    std::string name(150, 'n');
    EXPECT_EQ(Written(name.c_str(), std::string(48, 'v').c_str()),
              name + "=" + std::string(48, 'v') + "\n");
    EXPECT_EQ(Written(name.c_str(), std::string(400, 'v').c_str()),
              name + "=" + std::string(48, 'v') + "\n");
}

} // namespace
