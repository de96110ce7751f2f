// The value of one hexadecimal digit: shared by the hex text codec and the chunk framing of
// the transport, which both read digits of either case. Header only, no state.
#ifndef SERVICE_HEX_DIGIT_H
#define SERVICE_HEX_DIGIT_H

// 0 to 15 for '0'-'9', 'a'-'f' and 'A'-'F'; -1 for any other character.
static inline int hex_digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

#endif
