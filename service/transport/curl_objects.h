// The three objects behind the libcurl layer's handles (root, connection, request), shared by
// its entry points (curl_platform.cpp) and its transfer (curl_transfer.cpp). Settings are
// copied down when a connection or request is made, so each object holds all it needs.
#ifndef HTTP_CURL_OBJECTS_H
#define HTTP_CURL_OBJECTS_H

#include "curl_handles.h"
#include "curl_response.h"

#include <curl/curl.h>

// Both the request URL and a header line fit these, or are refused.
#define HTTP_CURL_URL_SIZE (2 * HTTP_PLATFORM_URL_PART_SIZE + 32)
#define HTTP_CURL_HEADER_SIZE 4096

struct http_curl_root
{
    struct http_curl_object base;
    uint32_t connect_ms;
    uint32_t send_ms;
    uint32_t receive_ms;
    uint64_t response_limit; // body bytes kept, see curl_response.h
    http_platform_status_fn status_fn;
    char agent[128];
};

struct http_curl_connection
{
    struct http_curl_object base;
    struct http_curl_root settings;
    char host[HTTP_PLATFORM_URL_PART_SIZE];
    uint16_t port;
    void *context;
};

// The stall watch of the send and receive time-outs: what had moved when, last time.
struct http_curl_stall
{
    curl_off_t seen_up;
    curl_off_t seen_down;
    uint64_t last_activity_ms; // 0: not yet connected
    int stalled;
};

struct http_curl_request
{
    struct http_curl_object base;
    struct http_curl_root settings;
    http_platform_handle self;
    void *context;
    uint32_t flags;
    char url[HTTP_CURL_URL_SIZE];
    CURL *easy;
    struct curl_slist *headers;
    int chunked; // the runtime frames the body itself
    int sent;    // a response is there to query and read
    long status;
    struct http_curl_response response;
    struct http_curl_stall stall;
};

#endif
