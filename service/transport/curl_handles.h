// The handle table and the last error of the libcurl layer: its only state shared between
// calls. Handles must survive a trip through the SOAP runtime's int socket, so they are small
// numbers into a fixed table rather than pointers. The layer is used from one thread.
#ifndef HTTP_CURL_HANDLES_H
#define HTTP_CURL_HANDLES_H

#include "http_platform.h"

#include <stddef.h>

enum http_curl_kind { HTTP_CURL_ANY = 0, HTTP_CURL_ROOT, HTTP_CURL_CONNECTION, HTTP_CURL_REQUEST };

// The first member of every object behind a handle.
struct http_curl_object
{
    enum http_curl_kind kind;
};

// Leaves error as this thread's last error (http_platform_last_error).
void http_curl_fail(uint32_t error);

// A zeroed object of size bytes (its base first) marked as kind; null, failing with
// ERROR_NOT_ENOUGH_MEMORY, when there is no memory.
void *http_curl_new(size_t size, enum http_curl_kind kind);

// A handle for object; null, failing with ERROR_NOT_ENOUGH_MEMORY, when the table is full.
// The object stays the caller's to free until the handle is stored.
http_platform_handle http_curl_store(void *object);

// The object behind handle when it is of kind (any kind for HTTP_CURL_ANY); null, failing
// with ERROR_INVALID_HANDLE, otherwise.
void *http_curl_find(http_platform_handle handle, enum http_curl_kind kind);

// Frees the table entry of a handle that http_curl_find accepted; the object is not freed.
void http_curl_forget(http_platform_handle handle);

#endif
