// The memory figures as getVantorel sends them: MiB cut, GiB rounded, both of bounded length.
#include "memory_probe.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>

static std::string Taken(char *text)
{
    std::string result = text ? text : "<null>";
    free(text);
    return result;
}

TEST(MemoryText, MibTruncatesGibRoundsAndBothStayBounded)
{
    struct
    {
        unsigned long long bytes;
        const char *mib, *gib;
    } cases[] = {
        {4294967296ULL, "4096", "4.00"},
        {2147479552ULL, "2047", "2.00"},
        // 2^43 MiB exceeds the signed 32-bit count; 2^33 GiB is cut to the 10 characters.
        {1ULL << 63, "2147483647", "8589934592"},
        {~0ULL, "2147483647", "1717986918"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Taken(FormatMemMB(c.bytes)), c.mib) << c.bytes;
        EXPECT_EQ(Taken(FormatMemGB(c.bytes)), c.gib) << c.bytes;
    }
}
