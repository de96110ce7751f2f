// The handle table and the last error of the libcurl layer; the contracts are in
// curl_handles.h.
#include "curl_handles.h"

#include <stdlib.h>

#define HTTP_CURL_HANDLE_BASE 0x40000000u
#define HTTP_CURL_MAX_HANDLES 256u

static void *g_handles[HTTP_CURL_MAX_HANDLES];
static thread_local uint32_t g_last_error;

void http_curl_fail(uint32_t error)
{
    g_last_error = error;
}

uint32_t http_platform_last_error(void)
{
    return g_last_error;
}

void *http_curl_new(size_t size, enum http_curl_kind kind)
{
    struct http_curl_object *object = (struct http_curl_object *)calloc(1, size);
    if (!object) {
        http_curl_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    object->kind = kind;
    return object;
}

http_platform_handle http_curl_store(void *object)
{
    for (uint32_t i = 0; i < HTTP_CURL_MAX_HANDLES; i++) {
        if (!g_handles[i]) {
            g_handles[i] = object;
            return (http_platform_handle)(uintptr_t)(HTTP_CURL_HANDLE_BASE + i);
        }
    }
    http_curl_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

void *http_curl_find(http_platform_handle handle, enum http_curl_kind kind)
{
    uintptr_t value = (uintptr_t)handle;
    if (value >= HTTP_CURL_HANDLE_BASE && value < HTTP_CURL_HANDLE_BASE + HTTP_CURL_MAX_HANDLES) {
        struct http_curl_object *object =
            (struct http_curl_object *)g_handles[value - HTTP_CURL_HANDLE_BASE];
        if (object && (kind == HTTP_CURL_ANY || object->kind == kind))
            return object;
    }
    http_curl_fail(HTTP_PLATFORM_ERROR_INVALID_HANDLE);
    return NULL;
}

void http_curl_forget(http_platform_handle handle)
{
    g_handles[(uintptr_t)handle - HTTP_CURL_HANDLE_BASE] = NULL;
}
