// The platform internet layer over libcurl, for systems without the Windows internet library:
// its entry points but the transfer (curl_transfer.cpp). A root holds the settings, a
// connection the host and port, a request its URL, headers and response; nothing goes out
// until a request is sent. There is no dialog: certificate and password problems stay
// unresolved. Without a setting these time-out defaults apply, so that none is unbounded.
#include "curl_objects.h"
#include "curl_url.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#define HTTP_CURL_DEFAULT_CONNECT_MS 60000u
#define HTTP_CURL_DEFAULT_SEND_MS 30000u
#define HTTP_CURL_DEFAULT_RECEIVE_MS 30000u

http_platform_handle http_platform_open(const char *agent)
{
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        http_curl_fail(HTTP_PLATFORM_ERROR_INTERNAL_ERROR);
        return NULL;
    }
    struct http_curl_root *root =
        (struct http_curl_root *)http_curl_new(sizeof(struct http_curl_root), HTTP_CURL_ROOT);
    if (!root) {
        curl_global_cleanup();
        return NULL;
    }
    root->connect_ms = HTTP_CURL_DEFAULT_CONNECT_MS;
    root->send_ms = HTTP_CURL_DEFAULT_SEND_MS;
    root->receive_ms = HTTP_CURL_DEFAULT_RECEIVE_MS;
    root->response_limit = HTTP_CURL_RESPONSE_UNLIMITED;
    snprintf(root->agent, sizeof(root->agent), "%s", agent ? agent : "");
    http_platform_handle handle = http_curl_store(root);
    if (!handle) {
        free(root);
        curl_global_cleanup();
    }
    return handle;
}

int http_platform_set_timeout(http_platform_handle root_handle, uint32_t option,
                              uint32_t milliseconds)
{
    struct http_curl_root *root =
        (struct http_curl_root *)http_curl_find(root_handle, HTTP_CURL_ROOT);
    if (!root)
        return 0;
    switch (option) {
    case HTTP_PLATFORM_OPTION_CONNECT_TIMEOUT:
        root->connect_ms = milliseconds;
        return 1;
    case HTTP_PLATFORM_OPTION_SEND_TIMEOUT:
        root->send_ms = milliseconds;
        return 1;
    case HTTP_PLATFORM_OPTION_RECEIVE_TIMEOUT:
        root->receive_ms = milliseconds;
        return 1;
    default:
        http_curl_fail(HTTP_PLATFORM_ERROR_INVALID_OPTION);
        return 0;
    }
}

int http_platform_set_response_limit(http_platform_handle root_handle, uint64_t bytes)
{
    struct http_curl_root *root =
        (struct http_curl_root *)http_curl_find(root_handle, HTTP_CURL_ROOT);
    if (!root)
        return 0;
    // One byte more is kept, and it must still fit a size_t.
    root->response_limit =
        bytes < HTTP_CURL_RESPONSE_UNLIMITED ? bytes : HTTP_CURL_RESPONSE_UNLIMITED;
    return 1;
}

void http_platform_set_status_callback(http_platform_handle root_handle, http_platform_status_fn fn)
{
    struct http_curl_root *root =
        (struct http_curl_root *)http_curl_find(root_handle, HTTP_CURL_ROOT);
    if (root)
        root->status_fn = fn;
}

int http_platform_crack_url(const char *text, struct http_platform_url *parts)
{
    uint32_t error = http_curl_crack_url(text, parts);
    if (error)
        http_curl_fail(error);
    return error == 0;
}

http_platform_handle http_platform_connect(http_platform_handle root_handle, const char *host,
                                           uint16_t port, void *context)
{
    struct http_curl_root *root =
        (struct http_curl_root *)http_curl_find(root_handle, HTTP_CURL_ROOT);
    if (!root)
        return NULL;
    if (!host || !*host || strlen(host) >= HTTP_PLATFORM_URL_PART_SIZE) {
        http_curl_fail(HTTP_PLATFORM_ERROR_INVALID_URL);
        return NULL;
    }
    struct http_curl_connection *connection = (struct http_curl_connection *)http_curl_new(
        sizeof(struct http_curl_connection), HTTP_CURL_CONNECTION);
    if (!connection)
        return NULL;
    connection->settings = *root;
    memcpy(connection->host, host, strlen(host) + 1);
    connection->port = port;
    connection->context = context;
    http_platform_handle handle = http_curl_store(connection);
    if (!handle)
        free(connection);
    return handle;
}

// The options a request keeps for every send; false when one could not be set (for want of
// memory to copy its text).
static int http_curl_set_request_options(CURL *easy, const char *url, const char *verb,
                                         const char *version)
{
    unsigned failed = 0;
    failed |= curl_easy_setopt(easy, CURLOPT_URL, url);
    failed |= curl_easy_setopt(easy, CURLOPT_POST, 1L);
    if (verb && strcmp(verb, "POST") != 0)
        failed |= curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb);
    long http_version = version && strcmp(version, "HTTP/1.0") == 0 ? (long)CURL_HTTP_VERSION_1_0
                                                                    : (long)CURL_HTTP_VERSION_1_1;
    failed |= curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, http_version);
    return failed == 0;
}

http_platform_handle http_platform_open_request(http_platform_handle connection_handle,
                                                const char *verb, const char *path,
                                                const char *version, uint32_t flags, void *context)
{
    struct http_curl_connection *connection =
        (struct http_curl_connection *)http_curl_find(connection_handle, HTTP_CURL_CONNECTION);
    if (!connection)
        return NULL;
    struct http_curl_request *request = (struct http_curl_request *)http_curl_new(
        sizeof(struct http_curl_request), HTTP_CURL_REQUEST);
    if (!request)
        return NULL;
    request->settings = connection->settings;
    request->response.limit = request->settings.response_limit;
    request->context = context;
    request->flags = flags;
    uint32_t error = http_curl_request_url(request->url, sizeof(request->url),
                                           (flags & HTTP_PLATFORM_FLAG_SECURE) != 0,
                                           connection->host, connection->port, path);
    if (!error) {
        request->easy = curl_easy_init();
        if (!request->easy)
            error = HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY;
        else if (!http_curl_set_request_options(request->easy, request->url, verb, version))
            error = HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY;
    }
    if (!error) {
        request->self = http_curl_store(request);
        if (request->self)
            return request->self;
    } else {
        http_curl_fail(error);
    }
    curl_easy_cleanup(request->easy); // does nothing for null
    free(request);
    return NULL;
}

// Length of the name of a "Name: value" line, or the whole length without a colon.
static size_t http_curl_header_name_length(const char *line, size_t length)
{
    const char *colon = (const char *)memchr(line, ':', length);
    return colon ? (size_t)(colon - line) : length;
}

int http_platform_add_header(http_platform_handle request_handle, const char *line, size_t length)
{
    struct http_curl_request *request =
        (struct http_curl_request *)http_curl_find(request_handle, HTTP_CURL_REQUEST);
    if (!request)
        return 0;
    while (length && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        length--;
    size_t name_length = http_curl_header_name_length(line, length);
    if (name_length == 0 || name_length == length) {
        http_curl_fail(HTTP_PLATFORM_ERROR_INVALID_OPTION);
        return 0;
    }
    // Added only if new: the first header of a name wins.
    for (struct curl_slist *item = request->headers; item; item = item->next) {
        if (strlen(item->data) > name_length && item->data[name_length] == ':' &&
            strncasecmp(item->data, line, name_length) == 0) {
            http_curl_fail(HTTP_PLATFORM_ERROR_HEADER_ALREADY_EXISTS);
            return 0;
        }
    }
    char text[HTTP_CURL_HEADER_SIZE];
    if (length >= sizeof(text)) {
        http_curl_fail(HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(text, line, length);
    text[length] = '\0';
    struct curl_slist *headers = curl_slist_append(request->headers, text);
    if (!headers) {
        http_curl_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    request->headers = headers;
    if (strncasecmp(text, "Transfer-Encoding:", 18) == 0 && strstr(text + 18, "chunked"))
        request->chunked = 1;
    return 1;
}

// The request behind a handle once it has been sent and its response is there; null, with
// the error set, otherwise.
static struct http_curl_request *http_curl_sent_request(http_platform_handle handle)
{
    struct http_curl_request *request =
        (struct http_curl_request *)http_curl_find(handle, HTTP_CURL_REQUEST);
    if (request && !request->sent) {
        http_curl_fail(HTTP_PLATFORM_ERROR_INCORRECT_HANDLE_STATE);
        return NULL;
    }
    return request;
}

int http_platform_query_status(http_platform_handle request_handle, uint32_t *status)
{
    struct http_curl_request *request = http_curl_sent_request(request_handle);
    if (!request)
        return 0;
    *status = (uint32_t)request->status;
    return 1;
}

uint32_t http_platform_error_dialog(http_platform_handle request, uint32_t error)
{
    (void)request;
    (void)error;
    // Nobody to ask: the problem stays unresolved.
    return HTTP_PLATFORM_ERROR_CANCELLED;
}

int http_platform_read(http_platform_handle request_handle, void *buffer, uint32_t size,
                       uint32_t *bytes_read)
{
    struct http_curl_request *request = http_curl_sent_request(request_handle);
    if (!request)
        return 0;
    *bytes_read = (uint32_t)http_curl_response_take(&request->response, buffer, size);
    return 1;
}

int http_platform_close(http_platform_handle handle)
{
    struct http_curl_object *object =
        (struct http_curl_object *)http_curl_find(handle, HTTP_CURL_ANY);
    if (!object)
        return 0;
    http_curl_forget(handle);
    if (object->kind == HTTP_CURL_REQUEST) {
        struct http_curl_request *request = (struct http_curl_request *)object;
        curl_easy_cleanup(request->easy);
        curl_slist_free_all(request->headers);
        http_curl_response_free(&request->response);
    }
    enum http_curl_kind kind = object->kind;
    free(object);
    if (kind == HTTP_CURL_ROOT)
        curl_global_cleanup();
    return 1;
}
