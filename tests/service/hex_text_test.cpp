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
