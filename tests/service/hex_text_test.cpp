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

TEST(HexText, KnownVectors)
{
    EXPECT_EQ(Codec(StrToHexStr, "abc").first, "616263");
    EXPECT_EQ(Codec(StrToHexStr, "").first, "");
    EXPECT_EQ(Codec(StrToHexStr, "\x01\x7F\x80\xE9\xFF").first, "017F80E9FF");
    EXPECT_EQ(Codec(HexStrToStr, "6a6B").first, "jk");
    EXPECT_EQ(Codec(HexStrToStr, "").first, "");
    EXPECT_EQ(Codec(HexStrToStr, "41004243").first, "A"); // a zero byte ends the text
}

TEST(HexText, EveryByteValueRoundTrips)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        char upper[3], lower[3];
        snprintf(upper, sizeof upper, "%02X", byte);
        snprintf(lower, sizeof lower, "%02x", byte);
        EXPECT_EQ(Codec(HexStrToStr, upper).first, Codec(HexStrToStr, lower).first);
        EXPECT_EQ((unsigned char)Codec(HexStrToStr, upper).first.c_str()[0], byte);
        if (byte != 0)
            all += (char)byte;
    }
    EXPECT_EQ(Codec(HexStrToStr, Codec(StrToHexStr, all.c_str()).first.c_str()).first, all);
}

TEST(HexText, RejectsWhatIsNotEvenLengthHex)
{
    for (const char *hex : {"6", "61626", "6G", "61 62", "-616", "61-6", "0x61"})
        EXPECT_EQ(
            Codec(HexStrToStr, hex),
            std::make_pair(std::string("<null>"), "Invalid Hex String:" + std::string(hex) + "\n"));
    EXPECT_EQ(Codec(HexStrToStr, nullptr).second, "Invalid Hex String:(null)\n");
    EXPECT_EQ(
        Codec(StrToHexStr, nullptr),
        std::make_pair(std::string("<null>"), std::string("StrToHexStr: NULL Input String\n")));
    // The character test keeps the dash in its set; the decoder refuses it all the same.
    EXPECT_TRUE(IsHexStr("0123456789ABCDEFabcdef-"));
    EXPECT_TRUE(IsHexStr(""));
    EXPECT_FALSE(IsHexStr("12G4"));
    EXPECT_FALSE(IsHexStr(nullptr));
}

} // namespace
