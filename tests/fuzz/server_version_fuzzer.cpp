// The server-version rule for any requirement and server text (the input up to its first
// newline is the requirement, the rest the server version): an empty requirement fits,
// one without a final "+" fits exactly when the texts are equal, and a minimum ignores
// where its "+" signs stand and agrees with major and minor numbers read by strtol
// (blanks around a number allowed, as the rule's reader allows them).
#include "catalog_check.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
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

// A whole base-10 number that fits an int, blanks around it allowed, else 0.
long part(const std::string &text)
{
    const char *blanks = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return 0;
    const std::string number = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    errno = 0;
    char *end = nullptr;
    const long value = std::strtol(number.c_str(), &end, 10);
    const bool whole = end == number.c_str() + number.size() && errno == 0 && value >= INT_MIN && value <= INT_MAX &&
                       number.find_first_of(blanks) == std::string::npos;
    return whole ? value : 0;
}

// Major and minor of an ASCII version text.
std::pair<long, long> majorMinor(const std::string &version)
{
    const size_t dot = version.find('.');
    const std::string major = version.substr(0, dot);
    std::string minor;
    if (dot != std::string::npos)
        minor = version.substr(dot + 1, version.find('.', dot + 1) - dot - 1);
    return {part(major), part(minor)};
}

bool isAscii(const std::string &text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
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
    if (requiredText.isEmpty()) {
        check(fits);
    } else if (!requiredText.endsWith(QLatin1Char('+'))) {
        check(fits == (requiredText == serverText));
    } else {
        QString moved = requiredText;
        moved.remove(QLatin1Char('+'));
        check(fits == serverVersionMatches(QLatin1Char('+') + moved + QLatin1Char('+'), serverText));
        if (isAscii(required) && isAscii(server)) {
            std::string minimum = required;
            minimum.erase(std::remove(minimum.begin(), minimum.end(), '+'), minimum.end());
            check(fits == (majorMinor(server) >= majorMinor(minimum)));
        }
    }
    return 0;
}
