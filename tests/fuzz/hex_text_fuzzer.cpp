// HexText: any text survives the round trip in upper-case digits, and the decoder accepts
// exactly the inputs of even length made of hex digits of either case, giving the bytes their
// pairs spell up to the first zero byte.
#include "fuzz_check.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The codec works on C texts: everything up to the first zero byte.
    const char *chars = reinterpret_cast<const char *>(data);
    std::string text(chars, strnlen(chars, size));
    char *hex = StrToHexStr(text.c_str());
    check(hex && strlen(hex) == 2 * text.size() && strspn(hex, "0123456789ABCDEF") == strlen(hex));
    char *back = HexStrToStr(hex);
    check(back && text == back && IsHexStr(hex) && !IsHexStr(nullptr));
    free(back);
    free(hex);

    std::string expected;
    bool digitsOnly = true, hexOrDash = true;
    for (size_t i = 0; i < text.size(); ++i) {
        digitsOnly = digitsOnly && digitValue(text[i]) >= 0;
        hexOrDash = hexOrDash && (digitValue(text[i]) >= 0 || text[i] == '-');
        if (i % 2 && digitsOnly)
            expected += static_cast<char>(digitValue(text[i - 1]) << 4 | digitValue(text[i]));
    }
    check(IsHexStr(text.c_str()) == hexOrDash);
    char *decoded = HexStrToStr(text.c_str());
    check((decoded != nullptr) == (digitsOnly && text.size() % 2 == 0));
    if (decoded)
        check(expected.substr(0, expected.find('\0')) == decoded);
    free(decoded);
    return 0;
}
