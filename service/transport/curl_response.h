// The response body of a libcurl request: collected in memory while the transfer runs, then
// handed out to the reader. A limit bounds what is kept: one byte beyond it, so that the
// reader still sees a body over its limit, and the transfer ends there.
#ifndef HTTP_CURL_RESPONSE_H
#define HTTP_CURL_RESPONSE_H

#include <stddef.h>
#include <stdint.h>

// The default limit: more than any body fits, and the one byte beyond still fits a size_t.
#define HTTP_CURL_RESPONSE_UNLIMITED ((uint64_t)(SIZE_MAX / 2))

struct http_curl_response
{
    char *data; // heap block of capacity bytes, or null
    size_t length;
    size_t capacity;
    size_t offset;    // how much the reader has taken
    uint64_t limit;   // body bytes kept, plus one
    int cut_at_limit; // the body passed the limit, and the transfer was ended
};

// Starts the body over, empty, for a new transfer; the block is kept for reuse.
void http_curl_response_restart(struct http_curl_response *response);

// Appends what a transfer delivered, as far as the limit allows. Returns length when all of it
// was kept, else 0, which ends the transfer with a write error: the body passed its limit
// (cut_at_limit is set, the bytes up to one past the limit kept) or there was no memory.
size_t http_curl_response_append(struct http_curl_response *response, const char *data,
                                 size_t length);

// Copies the next bytes of the body to buffer, at most size; returns how many (0 at the end).
size_t http_curl_response_take(struct http_curl_response *response, void *buffer, size_t size);

// Frees the block.
void http_curl_response_free(struct http_curl_response *response);

#endif
