// URLs of the libcurl layer: cracking an endpoint into the parts the plug-in connects with,
// and the URL of a request made from them again. Pure functions: no state, no I/O; failures
// come back as the Windows internet library's error numbers.
#ifndef HTTP_CURL_URL_H
#define HTTP_CURL_URL_H

#include "http_platform.h"

#include <stddef.h>

// Fills parts from a NUL-terminated http or https URL: scheme number, host, port (the
// scheme's default when none is given) and path, which carries the query as the Windows
// library's URL path does. Returns 0, or: ERROR_INVALID_URL for a null or unparsable text,
// ERROR_UNRECOGNIZED_SCHEME for another scheme, ERROR_INSUFFICIENT_BUFFER for a part that does
// not fit its buffer (never cut short), ERROR_NOT_ENOUGH_MEMORY. On failure parts may hold
// some of the parts.
uint32_t http_curl_crack_url(const char *text, struct http_platform_url *parts);

// Writes "<scheme>://<host>:<port><path>" to out (size bytes): https when secure, a host
// that is a bare IPv6 address in brackets, "/" for a null or empty path. Returns 0, or
// ERROR_INVALID_URL when it does not fit.
uint32_t http_curl_request_url(char *out, size_t size, int secure, const char *host, uint16_t port,
                               const char *path);

#endif
