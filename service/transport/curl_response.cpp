// The response body of a libcurl request and its limit; the contracts are in curl_response.h.
#include "curl_response.h"

#include <stdlib.h>
#include <string.h>

void http_curl_response_restart(struct http_curl_response *response)
{
    response->length = 0;
    response->offset = 0;
    response->cut_at_limit = 0;
}

// Makes room for length more bytes, doubling the block from 16 KiB on; false without memory.
static int http_curl_response_reserve(struct http_curl_response *response, size_t length)
{
    if (length <= response->capacity - response->length)
        return 1;
    size_t capacity = response->capacity ? response->capacity : 16384;
    while (capacity - response->length < length) {
        if (capacity > ((size_t)-1) / 2)
            return 0;
        capacity *= 2;
    }
    char *grown = (char *)realloc(response->data, capacity);
    if (!grown)
        return 0;
    response->data = grown;
    response->capacity = capacity;
    return 1;
}

size_t http_curl_response_append(struct http_curl_response *response, const char *data,
                                 size_t length)
{
    // Past the limit the reader fails anyway: keep one byte beyond it for the reader to see,
    // and end the transfer rather than hold whatever a server sends.
    uint64_t room = response->limit + 1 - response->length;
    int cut = length > room;
    size_t kept = length;
    if (cut) {
        kept = (size_t)room;
        response->cut_at_limit = 1;
    }
    if (!http_curl_response_reserve(response, kept))
        return 0;
    if (kept)
        memcpy(response->data + response->length, data, kept);
    response->length += kept;
    return cut ? 0 : length;
}

size_t http_curl_response_take(struct http_curl_response *response, void *buffer, size_t size)
{
    size_t left = response->length - response->offset;
    size_t n = left < size ? left : size;
    if (n)
        memcpy(buffer, response->data + response->offset, n);
    response->offset += n;
    return n;
}

void http_curl_response_free(struct http_curl_response *response)
{
    free(response->data);
    response->data = NULL;
    response->capacity = 0;
    http_curl_response_restart(response);
}
