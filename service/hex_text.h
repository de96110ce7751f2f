// HexText: the form in which every text crosses the AuthenticationService boundary.
// Each byte is written as two upper-case hexadecimal digits, high digit first.
//
// Results are new heap blocks owned by the caller, released with free().
// Diagnostics go to standard error; the routines keep no state.
#ifndef SERVICE_HEX_TEXT_H
#define SERVICE_HEX_TEXT_H

#ifdef __cplusplus
extern "C" {
#endif

// Encodes text (2n + 1 bytes for n input bytes). A null text writes
// "StrToHexStr: NULL Input String\n" to stderr and gives null.
char *StrToHexStr(const char *text);

// Decodes a HexText (L/2 + 1 bytes for an input of length L). Digits of either case are
// accepted. Rejected, with "Invalid Hex String:%s\n" on stderr and a null result:
//   - a null input (shown as "(null)"),
//   - an input of odd length,
//   - an input holding any character that is not a hex digit, the dash included.
// A "00" pair decodes to a zero byte, which ends the text for every reader of it.
char *HexStrToStr(const char *hex);

// True when every character of text is one of "0123456789ABCDEFabcdef-" (also for
// the empty text); false for null. The dash belongs to the set; HexStrToStr still
// rejects it.
int IsHexStr(const char *text);

#ifdef __cplusplus
}
#endif

#endif
