// HexText: any text survives the round trip, and the decoder accepts exactly the inputs of
// even length made of hex digits of either case, giving the bytes their pairs spell.
#include "hex_text.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The oracle's own digit table, independent of the codec's.
int digitValue(char c)
{
    static const char digits[] = "0123456789abcdef";
    const char *at = c ? strchr(digits, tolower(static_cast<unsigned char>(c))) : nullptr;
    return at ? static_cast<int>(at - digits) : -1;
}

void check(bool condition)
{
    if (!condition)
        abort();
}

void checkRoundTrip(const std::string &text)
{
    char *hex = StrToHexStr(text.c_str());
    check(hex != nullptr && strlen(hex) == 2 * text.size());
    for (const char *c = hex; *c; ++c)
        check(digitValue(*c) >= 0 && !(*c >= 'a' && *c <= 'f'));
    check(IsHexStr(hex));
    char *back = HexStrToStr(hex);
    check(back != nullptr && text == back);
    free(back);
    free(hex);
}

void checkDecoder(const std::string &input)
{
    bool digitsOnly = true, hexOrDash = true;
    for (char c : input) {
        digitsOnly = digitsOnly && digitValue(c) >= 0;
        hexOrDash = hexOrDash && (digitValue(c) >= 0 || c == '-');
    }
    check(IsHexStr(input.c_str()) == hexOrDash);

    char *decoded = HexStrToStr(input.c_str());
    check((decoded != nullptr) == (digitsOnly && input.size() % 2 == 0));
    if (!decoded)
        return;
    // A "00" pair ends the decoded text.
    std::string expected;
    for (size_t i = 0; i < input.size(); i += 2) {
        char byte = static_cast<char>(digitValue(input[i]) << 4 | digitValue(input[i + 1]));
        if (byte == 0)
            break;
        expected += byte;
    }
    check(expected == decoded);
    free(decoded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The codec works on C texts: everything up to the first zero byte.
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(strlen(text.c_str()));
    checkRoundTrip(text);
    checkDecoder(text);
    return 0;
}
