#include "hex_text.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

// Result of a codec routine ("<null>" for none) and what it wrote to stderr.
std::pair<std::string, std::string> Codec(char *(*routine)(const char *), const char *input)
{
    testing::internal::CaptureStderr();
    char *out = routine(input);
    std::string err = testing::internal::GetCapturedStderr();
    std::string result = out ? out : "<null>";
    free(out);
    return {result, err};
}

TEST(HexText, KnownVectorsAndEveryByteValue)
{
    EXPECT_EQ(Codec(StrToHexStr, "").first, "");
    EXPECT_EQ(Codec(HexStrToStr, "").first, "");
    EXPECT_EQ(Codec(HexStrToStr, "41004243").first, "A"); // a zero byte ends the text
    // Every other byte value, one way and back, with upper and lower case digits.
    std::string all, upper, lower;
    for (int byte = 1; byte < 256; ++byte) {
        char hex[3];
        all += static_cast<char>(byte);
        snprintf(hex, sizeof hex, "%02X", byte);
        upper += hex;
        snprintf(hex, sizeof hex, "%02x", byte);
        lower += hex;
    }
    EXPECT_EQ(Codec(StrToHexStr, all.c_str()).first, upper);
    EXPECT_EQ(Codec(HexStrToStr, upper.c_str()).first, all);
    EXPECT_EQ(Codec(HexStrToStr, lower.c_str()).first, all);
}

// Which inputs the decoder rejects is the fuzz target's oracle; the messages are checked end to
// end.
TEST(HexText, NullInputIsRejectedWithItsMessage)
{
    EXPECT_EQ(Codec(HexStrToStr, nullptr),
              std::make_pair(std::string("<null>"), std::string("Invalid Hex String:(null)\n")));
    EXPECT_FALSE(IsHexStr(nullptr));
}

} // namespace
