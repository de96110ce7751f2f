// The HexText codec; its contracts are in hex_text.h.
#include "hex_text.h"

#include "hex_digit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kHexDigits[] = "0123456789ABCDEF";

char *StrToHexStr(const char *text)
{
    if (text == NULL) {
        fputs("StrToHexStr: NULL Input String\n", stderr);
        return NULL;
    }
    size_t n = strlen(text);
    char *hex = (char *)malloc(2 * n + 1);
    if (hex == NULL)
        return NULL;
    for (size_t i = 0; i < n; ++i) {
        unsigned char byte = (unsigned char)text[i];
        hex[2 * i] = kHexDigits[byte >> 4];
        hex[2 * i + 1] = kHexDigits[byte & 0x0F];
    }
    hex[2 * n] = '\0';
    return hex;
}

int IsHexStr(const char *text)
{
    return text != NULL && text[strspn(text, "0123456789ABCDEFabcdef-")] == '\0';
}

char *HexStrToStr(const char *hex)
{
    if (hex == NULL) {
        fputs("Invalid Hex String:(null)\n", stderr);
        return NULL;
    }
    size_t len = strlen(hex);
    // The dash passes IsHexStr but has no digit value, so it is refused here too rather
    // than decoded into an arbitrary byte.
    int valid = (len % 2 == 0) && IsHexStr(hex) && strchr(hex, '-') == NULL;
    if (!valid) {
        fprintf(stderr, "Invalid Hex String:%s\n", hex);
        return NULL;
    }
    char *text = (char *)malloc(len / 2 + 1);
    if (text == NULL)
        return NULL;
    for (size_t i = 0; i < len / 2; ++i)
        text[i] = (char)((hex_digit_value(hex[2 * i]) << 4) | hex_digit_value(hex[2 * i + 1]));
    text[len / 2] = '\0';
    return text;
}
