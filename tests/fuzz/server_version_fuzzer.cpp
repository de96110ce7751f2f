// The server-version rule for any requirement (the input up to its first newline) and server
// text (the rest): an empty requirement fits, one without a final "+" fits exactly when the texts
// are equal, and a minimum, "+" signs wherever they stand, agrees with numeric major and minor.
#include "fuzz_check.h"
#include "server_version.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

// Major and minor of digits and dots with parts of at most nine digits; false for other text.
bool majorMinor(const QByteArray &version, std::pair<long, long> &result)
{
    const QList<QByteArray> parts = version.split('.');
    for (const QByteArray &part : parts) {
        if (part.size() > 9 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
    }
    result = {parts.value(0).toLong(), parts.value(1).toLong()};
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // Neither XML text nor a command-line argument can hold U+0000.
    if (input.contains('\0'))
        return 0;
    const qsizetype newline = input.indexOf('\n');
    const QByteArray required = newline < 0 ? input : input.left(newline);
    const QByteArray server = newline < 0 ? QByteArray() : input.mid(newline + 1);

    const bool fits = serverVersionMatches(QString::fromUtf8(required), QString::fromUtf8(server));
    std::pair<long, long> minimum;
    std::pair<long, long> installed;
    if (required.isEmpty())
        check(fits);
    else if (!required.endsWith('+'))
        check(fits == (QString::fromUtf8(required) == QString::fromUtf8(server)));
    else if (majorMinor(QByteArray(required).replace('+', ""), minimum) &&
             majorMinor(server, installed))
        check(fits == (installed >= minimum));
    return 0;
}
