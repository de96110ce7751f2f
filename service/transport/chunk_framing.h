// Chunked framing of a request body as the SOAP runtime writes it: each chunk is a line of
// hexadecimal size digits (an extension may follow them) ending in LF, then that many bytes;
// chunks are separated by CR LF and the body ends with a chunk of size 0. The plug-in reads
// the framing to tell where a body ends; a platform layer that frames the body itself takes
// the data out of it. Pure functions: no state, no I/O.
#ifndef HTTP_CHUNK_FRAMING_H
#define HTTP_CHUNK_FRAMING_H

#include <stddef.h>
#include <stdint.h>

// The value of the hexadecimal digits at the start of text (at most length bytes, either
// case), up to the first other character; UINT32_MAX when it would not fit 32 bits. Stores
// the number of digits read in *digits unless digits is null. No digit gives 0.
uint32_t http_chunk_size(const char *text, size_t length, size_t *digits);

// True when a write of the runtime is its final chunk line: CR LF, "0", then no letter or
// digit (a size that starts with 0 is no final chunk).
int http_chunk_is_last(const char *bytes, size_t length);

// Writes the data of a whole chunked body to out, which has room for length bytes; CR and LF
// before a size line are skipped. Returns the number of bytes written, or -1 when the body is
// no complete chunked body: a size line without digits or without its LF, a chunk that
// passes the end, or no final chunk.
long http_chunk_unframe(const char *body, uint32_t length, char *out);

#endif
