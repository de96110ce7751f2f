// URLs of the libcurl layer, through libcurl's URL parser; the contracts are in curl_url.h.
#include "curl_url.h"

#include <curl/curl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Copies one URL part into out (size bytes); a part the URL lacks is empty. Returns 0 or the
// error number.
static uint32_t http_curl_copy_part(CURLU *url, CURLUPart what, unsigned flags, char *out,
                                    size_t size)
{
    char *text = NULL;
    CURLUcode code = curl_url_get(url, what, &text, flags);
    if (code == CURLUE_NO_QUERY || code == CURLUE_NO_PORT) {
        out[0] = '\0';
        return 0;
    }
    if (code != CURLUE_OK)
        return code == CURLUE_OUT_OF_MEMORY ? HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY
                                            : HTTP_PLATFORM_ERROR_INVALID_URL;
    size_t length = strlen(text);
    uint32_t error = HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER;
    if (length < size) {
        memcpy(out, text, length + 1);
        error = 0;
    }
    curl_free(text);
    return error;
}

// Splits a parsed URL into parts; returns 0 or the error number.
static uint32_t http_curl_split(CURLU *url, struct http_platform_url *parts)
{
    char scheme[16];
    char port[8];
    char query[HTTP_PLATFORM_URL_PART_SIZE];
    uint32_t error = http_curl_copy_part(url, CURLUPART_SCHEME, 0, scheme, sizeof(scheme));
    if (!error)
        error = http_curl_copy_part(url, CURLUPART_HOST, 0, parts->host, sizeof(parts->host));
    if (!error)
        error = http_curl_copy_part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT, port, sizeof(port));
    if (!error)
        error = http_curl_copy_part(url, CURLUPART_PATH, 0, parts->path, sizeof(parts->path));
    if (!error)
        error = http_curl_copy_part(url, CURLUPART_QUERY, 0, query, sizeof(query));
    if (error)
        return error;
    if (strcmp(scheme, "https") == 0)
        parts->scheme = HTTP_PLATFORM_SCHEME_HTTPS;
    else if (strcmp(scheme, "http") == 0)
        parts->scheme = HTTP_PLATFORM_SCHEME_HTTP;
    else
        parts->scheme = 0;
    parts->port = (uint16_t)strtoul(port, NULL, 10);
    size_t path_length = strlen(parts->path);
    size_t query_length = strlen(query);
    if (parts->scheme == 0)
        return HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME;
    if (query_length && path_length + 1 + query_length >= sizeof(parts->path))
        return HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER;
    if (query_length) {
        parts->path[path_length] = '?';
        memcpy(parts->path + path_length + 1, query, query_length + 1);
    }
    return 0;
}

uint32_t http_curl_crack_url(const char *text, struct http_platform_url *parts)
{
    CURLU *url = curl_url();
    if (!url)
        return HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY;
    uint32_t error = HTTP_PLATFORM_ERROR_INVALID_URL;
    if (text && curl_url_set(url, CURLUPART_URL, text, CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK)
        error = http_curl_split(url, parts);
    curl_url_cleanup(url);
    return error;
}

uint32_t http_curl_request_url(char *out, size_t size, int secure, const char *host, uint16_t port,
                               const char *path)
{
    int bracket = strchr(host, ':') != NULL && host[0] != '[';
    int length =
        snprintf(out, size, "%s://%s%s%s:%u%s", secure ? "https" : "http", bracket ? "[" : "", host,
                 bracket ? "]" : "", (unsigned)port, path && *path ? path : "/");
    if (length < 0 || (size_t)length >= size)
        return HTTP_PLATFORM_ERROR_INVALID_URL;
    return 0;
}
