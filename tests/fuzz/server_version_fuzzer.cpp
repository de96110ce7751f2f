// The server-version rule for any requirement and server text (the input up to its first
// newline is the requirement, the rest the server version): an empty requirement fits, one
// without a final "+" fits exactly when the texts are equal, and a minimum, its "+" signs
// wherever they stand, agrees with the major and minor numbers of texts of digits and dots.
#include "catalog_check.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

// Major and minor of a text of digits and dots with parts of at most nine digits;
// false for any other text.
bool majorMinor(const std::string &version, std::pair<long, long> &result)
{
    long parts[2] = {0, 0};
    size_t part = 0;
    size_t digits = 0;
    for (const char c : version) {
        if (c == '.') {
            ++part;
            digits = 0;
        } else if (c < '0' || c > '9' || ++digits > 9) {
            return false;
        } else if (part < 2) {
            parts[part] = parts[part] * 10 + (c - '0');
        }
    }
    result = {parts[0], parts[1]};
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    // Neither XML text nor a command-line argument can hold U+0000.
    if (input.find('\0') != std::string::npos)
        return 0;
    const size_t newline = input.find('\n');
    const std::string required = input.substr(0, newline);
    const std::string server = newline == std::string::npos ? "" : input.substr(newline + 1);
    const QString requiredText = QString::fromUtf8(required.data(), qsizetype(required.size()));
    const QString serverText = QString::fromUtf8(server.data(), qsizetype(server.size()));

    const bool fits = serverVersionMatches(requiredText, serverText);
    std::string withoutPlus = required;
    withoutPlus.erase(std::remove(withoutPlus.begin(), withoutPlus.end(), '+'), withoutPlus.end());
    std::pair<long, long> minimum;
    std::pair<long, long> installed;
    if (requiredText.isEmpty())
        check(fits);
    else if (!requiredText.endsWith(QLatin1Char('+')))
        check(fits == (requiredText == serverText));
    else if (majorMinor(withoutPlus, minimum) && majorMinor(server, installed))
        check(fits == (installed >= minimum));
    return 0;
}
