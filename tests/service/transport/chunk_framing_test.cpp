// Unframing a chunked body, as the libcurl layer takes the runtime's framing off; the plug-in's
// reading of the framing is checked with the runtime in http_plugin_test.
#include "chunk_framing.h"

#include <gtest/gtest.h>

#include <string>

TEST(ChunkFraming, UnframingGivesTheDataOfACompleteBodyOnly)
{
    auto unframe = [](const std::string &body) {
        std::string out(body.size(), '\0');
        long length = http_chunk_unframe(body.data(), uint32_t(body.size()), &out[0]);
        return length < 0 ? std::string("refused") : out.substr(0, size_t(length));
    };
    EXPECT_EQ(unframe("5\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n"), "helloabc");
    EXPECT_EQ(unframe("\r\na;name=value\r\n0123456789\r\n0\r\n\r\n"), "0123456789");
    EXPECT_EQ(unframe("0\r\n\r\n"), "");
    EXPECT_EQ(unframe("5\r\nhel"), "refused");                  // a chunk past the end
    EXPECT_EQ(unframe("5\r\nhello\r\n"), "refused");            // no final chunk
    EXPECT_EQ(unframe("5\r\nhello\r\n;x\r\n0\r\n"), "refused"); // a size line without digits
    EXPECT_EQ(unframe("0"), "refused");                         // ... or without its LF
    EXPECT_EQ(unframe("FFFFFFFFF\nabc\r\n0\r\n"), "refused");   // a size past 32 bits
}
