// Chunked framing of a request body; the contracts are in chunk_framing.h.
#include "chunk_framing.h"

#include "hex_digit.h"

#include <string.h>

uint32_t http_chunk_size(const char *text, size_t length, size_t *digits)
{
    uint32_t size = 0;
    size_t i = 0;
    for (; i < length; i++) {
        int digit = hex_digit_value(text[i]);
        if (digit < 0)
            break;
        if (size > (UINT32_MAX >> 4)) {
            size = UINT32_MAX; // saturated; the digits are still counted
            while (i < length && hex_digit_value(text[i]) >= 0)
                i++;
            break;
        }
        size = (size << 4) | (uint32_t)digit;
    }
    if (digits)
        *digits = i;
    return size;
}

int http_chunk_is_last(const char *bytes, size_t length)
{
    if (length < 4 || bytes[2] != '0')
        return 0;
    char next = bytes[3];
    return !((next >= '0' && next <= '9') || (next >= 'a' && next <= 'z') ||
             (next >= 'A' && next <= 'Z'));
}

long http_chunk_unframe(const char *body, uint32_t length, char *out)
{
    size_t in = 0;
    size_t produced = 0;
    for (;;) {
        while (in < length && (body[in] == '\r' || body[in] == '\n'))
            in++;
        size_t digits = 0;
        uint32_t size = http_chunk_size(body + in, length - in, &digits);
        if (!digits)
            return -1;
        in += digits;
        while (in < length && body[in] != '\n')
            in++;
        if (in >= length)
            return -1;
        in++;
        if (size == 0)
            return (long)produced;
        // A saturated size passes every end: at least the digits and LF were read.
        if (size > length - in)
            return -1;
        memcpy(out + produced, body + in, size);
        produced += size;
        in += size;
    }
}
