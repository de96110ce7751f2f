#include "hex_text.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

// Runs the decoder and gives its result ("<null>" for none) and what it wrote to stderr.
std::pair<std::string, std::string> Decode(const char *hex)
{
    testing::internal::CaptureStderr();
    char *text = HexStrToStr(hex);
    std::string err = testing::internal::GetCapturedStderr();
    std::string result = text ? std::string(text) : "<null>";
    free(text);
    return {result, err};
}

std::string Encode(const char *text)
{
    char *hex = StrToHexStr(text);
    std::string result = hex ? std::string(hex) : "<null>";
    free(hex);
    return result;
}

TEST(HexText, KnownVectors)
{
    EXPECT_EQ(Encode("abc"), "616263");
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("\xE9"), "E9");
    EXPECT_EQ(Encode("\x01\x7F\x80\xFF"), "017F80FF");

    EXPECT_EQ(Decode("616263").first, "abc");
    EXPECT_EQ(Decode("6a6B").first, "jk");
    EXPECT_EQ(Decode("").first, "");
    // A zero byte ends the text.
    EXPECT_EQ(Decode("41004243").first, "A");
}

TEST(HexText, EveryByteValueRoundTrips)
{
    for (int byte = 0; byte < 256; ++byte) {
        char hexUpper[3], hexLower[3];
        snprintf(hexUpper, sizeof hexUpper, "%02X", byte);
        snprintf(hexLower, sizeof hexLower, "%02x", byte);
        char *upper = HexStrToStr(hexUpper);
        char *lower = HexStrToStr(hexLower);
        ASSERT_NE(upper, nullptr);
        ASSERT_NE(lower, nullptr);
        EXPECT_EQ((unsigned char)upper[0], byte) << hexUpper;
        EXPECT_EQ((unsigned char)lower[0], byte) << hexLower;
        free(upper);
        free(lower);
        if (byte != 0) {
            char text[2] = {(char)byte, '\0'};
            EXPECT_EQ(Encode(text), hexUpper);
        }
    }
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += (char)byte;
    char *hex = StrToHexStr(all.c_str());
    EXPECT_EQ(Decode(hex).first, all);
    free(hex);
}

TEST(HexText, RejectsWhatIsNotEvenLengthHex)
{
    const char *rejected[] = {"6", "61626", "6G", "61 62", "-616", "61-6", "0x61", "6162\n"};
    for (const char *hex : rejected) {
        auto [result, err] = Decode(hex);
        EXPECT_EQ(result, "<null>") << hex;
        EXPECT_EQ(err, std::string("Invalid Hex String:") + hex + "\n");
    }
    // The character test itself keeps the dash in its set.
    EXPECT_TRUE(IsHexStr("0123456789ABCDEFabcdef-"));
    EXPECT_TRUE(IsHexStr(""));
    EXPECT_FALSE(IsHexStr("12G4"));
    EXPECT_FALSE(IsHexStr("12 4"));
}

TEST(HexText, NullInputsAreReported)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(StrToHexStr(nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "StrToHexStr: NULL Input String\n");

    auto [result, err] = Decode(nullptr);
    EXPECT_EQ(result, "<null>");
    EXPECT_EQ(err, "Invalid Hex String:(null)\n");
    EXPECT_FALSE(IsHexStr(nullptr));
}

} // namespace
