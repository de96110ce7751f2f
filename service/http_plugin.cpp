// HTTP transport plug-in over the platform internet layer.
//
// The runtime still writes the request line, the headers and the body; this plug-in turns
// them into one platform request: headers are added to the request as they come, the body is
// collected until it is complete and then sent together with the headers in one call, and
// the response body is handed back through frecv. The open request lives in soap->socket.
#include "http_plugin.h"

#include "chunk_framing.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const char http_plugin_id[] = "wininet-2.0";

#define HTTP_PLUGIN_HEADER_LINE_SIZE 4096
#define HTTP_PLUGIN_DIALOG_RESOLVED_PASSWORD HTTP_PLATFORM_ERROR_FORCE_RETRY

static int http_plugin_copy(struct soap *soap, struct soap_plugin *dst, struct soap_plugin *src);
static void http_plugin_delete(struct soap *soap, struct soap_plugin *plugin);
static SOAP_SOCKET http_plugin_open(struct soap *soap, const char *endpoint, const char *host,
                                    int port);
static int http_plugin_post_header(struct soap *soap, const char *key, const char *value);
static int http_plugin_send(struct soap *soap, const char *bytes, size_t length);
static size_t http_plugin_recv(struct soap *soap, char *buffer, size_t capacity);
static int http_plugin_close(struct soap *soap);
static void http_plugin_status(http_platform_handle handle, void *context, uint32_t status,
                               void *info, uint32_t info_length);

static struct http_plugin_state *http_plugin_find_state(struct soap *soap)
{
    return (struct http_plugin_state *)soap->fplugin(soap, http_plugin_id);
}

static http_platform_handle http_plugin_request(const struct soap *soap)
{
    if (!soap_valid_socket(soap->socket))
        return NULL;
    return (http_platform_handle)(uintptr_t)soap->socket;
}

static void http_plugin_set_timeout(http_platform_handle root, uint32_t option, int seconds)
{
    // Zero and negative values (the runtime's microsecond form) keep the platform default.
    if (seconds <= 0)
        return;
    uint64_t milliseconds = (uint64_t)seconds * 1000u;
    if (milliseconds > UINT32_MAX)
        milliseconds = UINT32_MAX;
    (void)http_platform_set_timeout(root, option, (uint32_t)milliseconds);
}

int http_plugin_register(struct soap *soap, struct soap_plugin *plugin, void *arg)
{
    plugin->id = http_plugin_id;
    plugin->fcopy = http_plugin_copy;
    plugin->fdelete = http_plugin_delete;

    struct http_plugin_state *state =
        (struct http_plugin_state *)malloc(sizeof(struct http_plugin_state));
    if (!state)
        return SOAP_EOM;
    memset(state, 0, sizeof(*state));
    state->request_flags = (uint32_t)(uintptr_t)arg;

    state->internet_handle = http_platform_open("gSOAP");
    if (!state->internet_handle) {
        soap->error = (int)http_platform_last_error();
        free(state);
        return SOAP_EOM;
    }
    http_plugin_set_timeout(state->internet_handle, HTTP_PLATFORM_OPTION_CONNECT_TIMEOUT,
                            soap->connect_timeout);
    http_plugin_set_timeout(state->internet_handle, HTTP_PLATFORM_OPTION_RECEIVE_TIMEOUT,
                            soap->recv_timeout);
    http_plugin_set_timeout(state->internet_handle, HTTP_PLATFORM_OPTION_SEND_TIMEOUT,
                            soap->send_timeout);
    // The runtime refuses a message over recv_maxlength; the platform need hold no more.
    if (soap->recv_maxlength > 0)
        (void)http_platform_set_response_limit(state->internet_handle, soap->recv_maxlength);
    http_platform_set_status_callback(state->internet_handle, http_plugin_status);

    plugin->data = state;
    soap->fopen = http_plugin_open;
    soap->fposthdr = http_plugin_post_header;
    soap->fsend = http_plugin_send;
    soap->frecv = http_plugin_recv;
    soap->fclose = http_plugin_close;
    return SOAP_OK;
}

static void http_plugin_drop_body(struct http_plugin_state *state)
{
    free(state->send_buffer);
    state->send_buffer = NULL;
    state->buffered_length = 0;
    state->message_length = HTTP_PLUGIN_LENGTH_UNKNOWN;
}

// Afterwards there are either both a request and a connection, or neither. Returns whether a
// connection is held.
static int http_plugin_settle_handles(struct soap *soap, struct http_plugin_state *state)
{
    if ((state->disconnected || !state->connection_handle) && soap_valid_socket(soap->socket)) {
        (void)http_platform_close(http_plugin_request(soap));
        soap->socket = SOAP_INVALID_SOCKET;
    }
    if (!soap_valid_socket(soap->socket) && state->connection_handle) {
        (void)http_platform_close(state->connection_handle);
        state->connection_handle = NULL;
    }
    state->disconnected = 0;
    if (!soap_valid_socket(soap->socket))
        http_plugin_drop_body(state);
    return state->connection_handle != NULL;
}

static SOAP_SOCKET http_plugin_open(struct soap *soap, const char *endpoint, const char *host,
                                    int port)
{
    (void)host;
    (void)port;
    struct http_plugin_state *state = http_plugin_find_state(soap);
    soap->error = SOAP_OK;
    if (!state)
        return SOAP_INVALID_SOCKET;

    struct http_platform_url url;
    if (!http_platform_crack_url(endpoint, &url)) {
        soap->error = (int)http_platform_last_error();
        return SOAP_INVALID_SOCKET;
    }
    http_platform_handle connection =
        http_platform_connect(state->internet_handle, url.host, url.port, soap);
    if (!connection) {
        soap->error = (int)http_platform_last_error();
        return SOAP_INVALID_SOCKET;
    }
    uint32_t flags = state->request_flags;
    if (soap->omode & SOAP_IO_KEEPALIVE)
        flags |= HTTP_PLATFORM_FLAG_KEEP_CONNECTION;
    if (url.scheme == HTTP_PLATFORM_SCHEME_HTTPS)
        flags |= HTTP_PLATFORM_FLAG_SECURE;
    http_platform_handle request =
        http_platform_open_request(connection, "POST", url.path, "HTTP/1.1", flags, soap);
    if (!request) {
        soap->error = (int)http_platform_last_error();
        (void)http_platform_close(connection);
        return SOAP_INVALID_SOCKET;
    }
    state->connection_handle = connection;
    return (SOAP_SOCKET)(uintptr_t)request;
}

static int http_plugin_post_header(struct soap *soap, const char *key, const char *value)
{
    struct http_plugin_state *state = http_plugin_find_state(soap);
    soap->error = SOAP_OK;
    if (!state || !http_plugin_settle_handles(soap, state))
        return SOAP_EOF;

    if (key && !value) {
        // The request line: the platform builds its own from verb, path and version.
        state->message_length = HTTP_PLUGIN_LENGTH_UNKNOWN;
        state->buffered_length = 0;
        state->expect_chunk_size = (soap->omode & SOAP_IO) == SOAP_IO_CHUNK;
        state->message_sent = 0;
        return SOAP_OK;
    }
    if (!value)
        return SOAP_OK; // end of headers

    if (key && strcmp(key, "Content-Length") == 0) {
        // The platform takes a body length of 32 bits, the top value meaning "unknown".
        unsigned long long length = strtoull(value, NULL, 10);
        if (length >= HTTP_PLUGIN_LENGTH_UNKNOWN)
            return SOAP_EOM;
        state->message_length = (uint32_t)length;
    }

    char line[HTTP_PLUGIN_HEADER_LINE_SIZE];
    int written = snprintf(line, sizeof(line), "%s: %s\r\n", key ? key : "", value);
    if (written < 0 || (size_t)written >= sizeof(line))
        return SOAP_EOM;
    (void)http_platform_add_header(http_plugin_request(soap), line, (size_t)written);
    return SOAP_OK;
}

// Offers the platform's dialog for a password or certificate problem; true when the user
// settled it, so the same request can be sent again.
static int http_plugin_resolve_error(http_platform_handle request, uint32_t error)
{
    uint32_t decision = http_platform_error_dialog(request, error);
    if (error == HTTP_PLATFORM_ERROR_INCORRECT_PASSWORD)
        return decision == HTTP_PLUGIN_DIALOG_RESOLVED_PASSWORD;
    return decision == HTTP_PLATFORM_ERROR_SUCCESS;
}

static int http_plugin_user_can_resolve(uint32_t error)
{
    switch (error) {
    case HTTP_PLATFORM_ERROR_INCORRECT_PASSWORD:
    case HTTP_PLATFORM_ERROR_SEC_CERT_DATE_INVALID:
    case HTTP_PLATFORM_ERROR_SEC_CERT_CN_INVALID:
    case HTTP_PLATFORM_ERROR_HTTP_TO_HTTPS_ON_REDIR:
    case HTTP_PLATFORM_ERROR_POST_IS_NON_SECURE:
    case HTTP_PLATFORM_ERROR_INVALID_CA:
        return 1;
    default:
        return 0;
    }
}

// The runtime reports SOAP_HTTP_ERROR without the platform's reason; keep the number in the
// fault so that the report still says why the request failed.
static int http_plugin_send_failed(struct soap *soap, uint32_t platform_error)
{
    char text[32];
    (void)snprintf(text, sizeof(text), "Error %lu", (unsigned long)platform_error);
    // The fault keeps the pointer: the text must live in the context's memory.
    return soap_set_receiver_error(soap, soap_strdup(soap, text), NULL, SOAP_HTTP_ERROR);
}

static int http_plugin_send_loop(struct soap *soap, struct http_plugin_state *state)
{
    http_platform_handle request = http_plugin_request(soap);
    for (;;) {
        if (!http_platform_send_request(request, state->send_buffer, state->buffered_length)) {
            uint32_t error = http_platform_last_error();
            soap->error = (int)error;
            if (http_plugin_user_can_resolve(error) && http_plugin_resolve_error(request, error)) {
                state->disconnected = 0;
                continue;
            }
            return http_plugin_send_failed(soap, error);
        }
        uint32_t status = 0;
        if (!http_platform_query_status(request, &status)) {
            uint32_t error = http_platform_last_error();
            soap->error = (int)error;
            return http_plugin_send_failed(soap, error);
        }
        if (status == HTTP_PLATFORM_HTTP_DENIED || status == HTTP_PLATFORM_HTTP_PROXY_AUTH_REQ) {
            if (http_plugin_resolve_error(request, HTTP_PLATFORM_ERROR_INCORRECT_PASSWORD)) {
                state->disconnected = 0;
                continue;
            }
        }
        // The status is not judged here: the runtime reads the reply or fault body.
        return SOAP_OK;
    }
}

// Makes room for `total` bytes in our own block, doubling the capacity as needed.
static int http_plugin_reserve(struct http_plugin_state *state, uint32_t total)
{
    if (state->send_buffer && total <= state->message_length)
        return 1;
    uint32_t capacity = state->message_length;
    if (capacity == 0)
        capacity = total;
    while (total > capacity)
        capacity = capacity > UINT32_MAX / 2 ? UINT32_MAX : capacity * 2;
    if (capacity == 0)
        capacity = 1; // an empty body still needs a block to tell "started" from "not"
    char *block = (char *)realloc(state->send_buffer, capacity);
    if (!block)
        return 0;
    state->send_buffer = block;
    state->message_length = capacity;
    return 1;
}

static int http_plugin_send(struct soap *soap, const char *bytes, size_t length)
{
    struct http_plugin_state *state = http_plugin_find_state(soap);
    soap->error = SOAP_OK;
    if (!state)
        return SOAP_EOF;
    // After a body that filled its 64 KiB buffer exactly the runtime flushes once more, empty.
    // That is not a new message, and the connection may be closed by now: the response must
    // stay readable.
    if (length == 0 && state->message_sent)
        return SOAP_OK;
    if (!http_plugin_settle_handles(soap, state))
        return SOAP_EOF;
    int chunked = (soap->mode & SOAP_IO) == SOAP_IO_CHUNK;
    if (length == 0) {
        // The runtime flushes its (empty) buffer once after the headers, before it switches
        // to chunked output; that call, or one in the middle of a body, adds nothing. Only
        // a body announced as empty, or not announced at all, is sent empty at once.
        if (state->send_buffer || chunked || (soap->omode & SOAP_IO) == SOAP_IO_CHUNK ||
            (state->message_length != 0 && state->message_length != HTTP_PLUGIN_LENGTH_UNKNOWN))
            return SOAP_OK;
        state->message_length = 0;
    }

    int in_place = 0;
    if (!state->send_buffer) {
        if (chunked) {
            uint64_t expected = (uint64_t)http_chunk_size(bytes, length, NULL) + length + 16u;
            state->message_length = expected > UINT32_MAX ? UINT32_MAX : (uint32_t)expected;
        } else if (state->message_length == HTTP_PLUGIN_LENGTH_UNKNOWN) {
            // Neither announced nor chunked: there is no way to tell where the body ends.
            return SOAP_EOM;
        } else if (length == state->message_length) {
            // The whole body in one call: send it from the runtime's own buffer.
            state->send_buffer = (char *)bytes;
            state->buffered_length = (uint32_t)length;
            in_place = 1;
        }
    }

    if (!in_place) {
        if (length > (size_t)(UINT32_MAX - state->buffered_length)) {
            http_plugin_drop_body(state);
            return SOAP_EOM;
        }
        uint32_t total = state->buffered_length + (uint32_t)length;
        if (!http_plugin_reserve(state, total)) {
            http_plugin_drop_body(state);
            return SOAP_EOM;
        }
        if (length)
            memcpy(state->send_buffer + state->buffered_length, bytes, length);
        state->buffered_length = total;
        // The final chunk line is CR LF "0" CR LF ...
        if (chunked && state->expect_chunk_size && http_chunk_is_last(bytes, length))
            state->message_length = state->buffered_length;
    }

    if (state->buffered_length < state->message_length) {
        state->expect_chunk_size = chunked && !state->expect_chunk_size;
        return SOAP_OK;
    }

    int result = http_plugin_send_loop(soap, state);
    state->message_sent = 1;
    if (in_place)
        state->send_buffer = NULL;
    http_plugin_drop_body(state);
    return result;
}

static size_t http_plugin_recv(struct soap *soap, char *buffer, size_t capacity)
{
    soap->error = SOAP_OK;
    // No settling here: a closed connection may still leave the response readable.
    http_platform_handle request = http_plugin_request(soap);
    size_t total = 0;
    while (request && total < capacity) {
        size_t left = capacity - total;
        uint32_t chunk = left > UINT32_MAX ? UINT32_MAX : (uint32_t)left;
        uint32_t got = 0;
        if (!http_platform_read(request, buffer + total, chunk, &got)) {
            soap->error = (int)http_platform_last_error();
            break;
        }
        if (got == 0)
            break;
        total += got > chunk ? chunk : got;
    }
    return total;
}

static int http_plugin_close(struct soap *soap)
{
    struct http_plugin_state *state = http_plugin_find_state(soap);
    soap->error = SOAP_OK;
    if (state) {
        state->disconnected = 1;
        (void)http_plugin_settle_handles(soap, state);
    }
    return SOAP_OK;
}

static void http_plugin_status(http_platform_handle handle, void *context, uint32_t status,
                               void *info, uint32_t info_length)
{
    (void)handle;
    (void)info;
    (void)info_length;
    // A notice for the root handle carries no context and concerns no request.
    if (status != HTTP_PLATFORM_STATUS_CONNECTION_CLOSED || !context)
        return;
    struct http_plugin_state *state = http_plugin_find_state((struct soap *)context);
    if (state && state->connection_handle)
        state->disconnected = 1;
}

static int http_plugin_copy(struct soap *soap, struct soap_plugin *dst, struct soap_plugin *src)
{
    (void)soap;
    (void)dst;
    (void)src;
    // The platform handles belong to one context and cannot be shared or duplicated.
    return SOAP_FATAL_ERROR;
}

static void http_plugin_delete(struct soap *soap, struct soap_plugin *plugin)
{
    struct http_plugin_state *state = (struct http_plugin_state *)plugin->data;
    if (!state)
        return;
    state->disconnected = 1;
    (void)http_plugin_settle_handles(soap, state);
    if (state->internet_handle) {
        (void)http_platform_close(state->internet_handle);
        state->internet_handle = NULL;
    }
    free(state);
    plugin->data = NULL;
}
