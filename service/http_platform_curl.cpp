// The platform internet layer over libcurl, for systems without the Windows internet library.
//
// - The machine's proxy settings are libcurl's: http_proxy, https_proxy, no_proxy.
// - https trusts the system CA store, or SSL_CERT_FILE / SSL_CERT_DIR when they are set.
// - A request is one transfer: collected headers and body go out together, the response body
//   is kept in memory and handed out by http_platform_read.
// - Failures are reported with the Windows internet library's error numbers (see
//   http_platform_map_curl_error), so the fault report reads the same on both platforms.
// - No time-out is ever unbounded: without a setting the defaults below apply. The connect
//   time-out bounds connecting (TLS included); send and receive bound a stall.
// - There is no interactive dialog: the error dialog reports "not resolved".
//
// Handles must survive a trip through the SOAP runtime's int socket, so they are small
// numbers into a fixed table rather than pointers. The layer is used from one thread.
#include "http_platform.h"

#include <curl/curl.h>
#include <openssl/x509_vfy.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define HTTP_PLATFORM_DEFAULT_CONNECT_MS 60000u
#define HTTP_PLATFORM_DEFAULT_SEND_MS 30000u
#define HTTP_PLATFORM_DEFAULT_RECEIVE_MS 30000u
#define HTTP_PLATFORM_DEFAULT_RESPONSE_LIMIT ((uint64_t)(SIZE_MAX / 2))

#define HTTP_PLATFORM_HANDLE_BASE 0x40000000u
#define HTTP_PLATFORM_MAX_HANDLES 256u
#define HTTP_PLATFORM_URL_SIZE (2 * HTTP_PLATFORM_URL_PART_SIZE + 32)
#define HTTP_PLATFORM_HEADER_SIZE 4096

enum http_platform_kind { KIND_ROOT = 1, KIND_CONNECTION, KIND_REQUEST };

struct http_platform_object
{
    enum http_platform_kind kind;
};

struct http_platform_root
{
    struct http_platform_object base;
    uint32_t connect_ms;
    uint32_t send_ms;
    uint32_t receive_ms;
    uint64_t response_limit; // bytes of body kept beyond which the transfer ends
    http_platform_status_fn status_fn;
    char agent[128];
};

struct http_platform_connection
{
    struct http_platform_object base;
    struct http_platform_root settings; // copied from the root when the connection is made
    char host[HTTP_PLATFORM_URL_PART_SIZE];
    uint16_t port;
    void *context;
};

struct http_platform_request
{
    struct http_platform_object base;
    struct http_platform_root settings;
    http_platform_handle self;
    void *context;
    uint32_t flags;
    char url[HTTP_PLATFORM_URL_SIZE];
    CURL *easy;
    struct curl_slist *headers;
    int chunked; // the runtime frames the body itself
    int sent;
    long status;
    char *response;
    size_t response_length;
    size_t response_capacity;
    size_t response_offset;
    // Stall watch of the send and receive time-outs.
    curl_off_t seen_up;
    curl_off_t seen_down;
    uint64_t last_activity_ms;
    int stalled;
    int cut_at_limit; // the transfer ended because the body passed the response limit
};

static void *g_handles[HTTP_PLATFORM_MAX_HANDLES];
static thread_local uint32_t g_last_error;

static void http_platform_fail(uint32_t error)
{
    g_last_error = error;
}

static http_platform_handle http_platform_store(void *object)
{
    for (uint32_t i = 0; i < HTTP_PLATFORM_MAX_HANDLES; i++) {
        if (!g_handles[i]) {
            g_handles[i] = object;
            return (http_platform_handle)(uintptr_t)(HTTP_PLATFORM_HANDLE_BASE + i);
        }
    }
    http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

// A zeroed handle object of `size` bytes (its base first) marked as `kind`.
static void *http_platform_new(size_t size, enum http_platform_kind kind)
{
    struct http_platform_object *object = (struct http_platform_object *)calloc(1, size);
    if (!object) {
        http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    object->kind = kind;
    return object;
}

static void *http_platform_find(http_platform_handle handle, enum http_platform_kind kind)
{
    uintptr_t value = (uintptr_t)handle;
    if (value >= HTTP_PLATFORM_HANDLE_BASE &&
        value < HTTP_PLATFORM_HANDLE_BASE + HTTP_PLATFORM_MAX_HANDLES) {
        struct http_platform_object *object =
            (struct http_platform_object *)g_handles[value - HTTP_PLATFORM_HANDLE_BASE];
        if (object && (kind == 0 || object->kind == kind))
            return object;
    }
    http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_HANDLE);
    return NULL;
}

static uint64_t http_platform_now_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

// The send and receive time-outs bound a stall, as the Windows library's do: no byte moved
// for that long once connected. curl calls this at least once a second.
static int http_platform_progress(void *user, curl_off_t down_total, curl_off_t down_now,
                                  curl_off_t up_total, curl_off_t up_now)
{
    (void)down_total;
    struct http_platform_request *request = (struct http_platform_request *)user;
    uint64_t now = http_platform_now_ms();
    curl_off_t connected = 0;
    curl_easy_getinfo(request->easy, CURLINFO_PRETRANSFER_TIME_T, &connected);
    if (!connected || request->last_activity_ms == 0 || up_now != request->seen_up ||
        down_now != request->seen_down) {
        request->seen_up = up_now;
        request->seen_down = down_now;
        request->last_activity_ms = now; // still connecting (its own time-out), or moving
        return 0;
    }
    uint32_t limit = up_now < up_total ? request->settings.send_ms : request->settings.receive_ms;
    if (now - request->last_activity_ms >= limit) {
        request->stalled = 1;
        return 1;
    }
    return 0;
}

// curl's failure as the Windows internet library would have reported it.
static uint32_t http_platform_map_curl_error(CURLcode code, long verify_result)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT:
        return HTTP_PLATFORM_ERROR_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return HTTP_PLATFORM_ERROR_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return HTTP_PLATFORM_ERROR_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return HTTP_PLATFORM_ERROR_TIMEOUT;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (verify_result == X509_V_ERR_CERT_HAS_EXPIRED ||
            verify_result == X509_V_ERR_CERT_NOT_YET_VALID)
            return HTTP_PLATFORM_ERROR_SEC_CERT_DATE_INVALID;
        // A trusted chain that still fails is the name check; curl's own check of the name
        // against the certificate leaves X509_V_ERR_UNSPECIFIED behind.
        if (verify_result == X509_V_OK || verify_result == X509_V_ERR_UNSPECIFIED ||
            verify_result == X509_V_ERR_HOSTNAME_MISMATCH ||
            verify_result == X509_V_ERR_IP_ADDRESS_MISMATCH)
            return HTTP_PLATFORM_ERROR_SEC_CERT_CN_INVALID;
        return HTTP_PLATFORM_ERROR_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
        return HTTP_PLATFORM_ERROR_SECURITY_CHANNEL_ERROR;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return HTTP_PLATFORM_ERROR_INVALID_SERVER_RESPONSE;
    case CURLE_SEND_ERROR:
        return HTTP_PLATFORM_ERROR_CONNECTION_ABORTED;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return HTTP_PLATFORM_ERROR_CONNECTION_RESET;
    case CURLE_OUT_OF_MEMORY:
        return HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY;
    default:
        return HTTP_PLATFORM_ERROR_INTERNAL_ERROR;
    }
}

http_platform_handle http_platform_open(const char *agent)
{
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        http_platform_fail(HTTP_PLATFORM_ERROR_INTERNAL_ERROR);
        return NULL;
    }
    struct http_platform_root *root = (struct http_platform_root *)http_platform_new(
        sizeof(struct http_platform_root), KIND_ROOT);
    if (!root) {
        curl_global_cleanup();
        return NULL;
    }
    root->connect_ms = HTTP_PLATFORM_DEFAULT_CONNECT_MS;
    root->send_ms = HTTP_PLATFORM_DEFAULT_SEND_MS;
    root->receive_ms = HTTP_PLATFORM_DEFAULT_RECEIVE_MS;
    root->response_limit = HTTP_PLATFORM_DEFAULT_RESPONSE_LIMIT;
    snprintf(root->agent, sizeof(root->agent), "%s", agent ? agent : "");
    http_platform_handle handle = http_platform_store(root);
    if (!handle) {
        free(root);
        curl_global_cleanup();
    }
    return handle;
}

int http_platform_set_timeout(http_platform_handle root_handle, uint32_t option,
                              uint32_t milliseconds)
{
    struct http_platform_root *root =
        (struct http_platform_root *)http_platform_find(root_handle, KIND_ROOT);
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
        http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_OPTION);
        return 0;
    }
}

int http_platform_set_response_limit(http_platform_handle root_handle, uint64_t bytes)
{
    struct http_platform_root *root =
        (struct http_platform_root *)http_platform_find(root_handle, KIND_ROOT);
    if (!root)
        return 0;
    // One byte more is kept, and it must still fit a size_t.
    root->response_limit =
        bytes < HTTP_PLATFORM_DEFAULT_RESPONSE_LIMIT ? bytes : HTTP_PLATFORM_DEFAULT_RESPONSE_LIMIT;
    return 1;
}

void http_platform_set_status_callback(http_platform_handle root_handle, http_platform_status_fn fn)
{
    struct http_platform_root *root =
        (struct http_platform_root *)http_platform_find(root_handle, KIND_ROOT);
    if (root)
        root->status_fn = fn;
}

// Copies one URL part; parts longer than the fixed buffers are refused, never cut.
static int http_platform_copy_part(CURLU *url, CURLUPart what, unsigned flags, char *out,
                                   size_t size)
{
    char *text = NULL;
    CURLUcode code = curl_url_get(url, what, &text, flags);
    if (code == CURLUE_NO_QUERY || code == CURLUE_NO_PORT) {
        out[0] = '\0';
        return 1;
    }
    if (code != CURLUE_OK) {
        http_platform_fail(code == CURLUE_OUT_OF_MEMORY ? HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY
                                                        : HTTP_PLATFORM_ERROR_INVALID_URL);
        return 0;
    }
    int fits = strlen(text) < size;
    if (fits)
        memcpy(out, text, strlen(text) + 1);
    else
        http_platform_fail(HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER);
    curl_free(text);
    return fits;
}

int http_platform_crack_url(const char *text, struct http_platform_url *parts)
{
    CURLU *url = curl_url();
    if (!url) {
        http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    char scheme[16];
    char port[8];
    char query[HTTP_PLATFORM_URL_PART_SIZE];
    int ok = 0;
    if (!text || curl_url_set(url, CURLUPART_URL, text, CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_URL);
    else if (http_platform_copy_part(url, CURLUPART_SCHEME, 0, scheme, sizeof(scheme)) &&
             http_platform_copy_part(url, CURLUPART_HOST, 0, parts->host, sizeof(parts->host)) &&
             http_platform_copy_part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT, port, sizeof(port)) &&
             http_platform_copy_part(url, CURLUPART_PATH, 0, parts->path, sizeof(parts->path)) &&
             http_platform_copy_part(url, CURLUPART_QUERY, 0, query, sizeof(query))) {
        if (strcmp(scheme, "https") == 0)
            parts->scheme = HTTP_PLATFORM_SCHEME_HTTPS;
        else if (strcmp(scheme, "http") == 0)
            parts->scheme = HTTP_PLATFORM_SCHEME_HTTP;
        else
            parts->scheme = 0;
        parts->port = (uint16_t)strtoul(port, NULL, 10);
        // The path carries the query, as the Windows library's URL path does.
        size_t path_length = strlen(parts->path);
        size_t query_length = strlen(query);
        if (parts->scheme == 0) {
            http_platform_fail(HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME);
        } else if (query_length && path_length + 1 + query_length >= sizeof(parts->path)) {
            http_platform_fail(HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER);
        } else {
            if (query_length) {
                parts->path[path_length] = '?';
                memcpy(parts->path + path_length + 1, query, query_length + 1);
            }
            ok = 1;
        }
    }
    curl_url_cleanup(url);
    return ok;
}

http_platform_handle http_platform_connect(http_platform_handle root_handle, const char *host,
                                           uint16_t port, void *context)
{
    struct http_platform_root *root =
        (struct http_platform_root *)http_platform_find(root_handle, KIND_ROOT);
    if (!root)
        return NULL;
    if (!host || !*host || strlen(host) >= HTTP_PLATFORM_URL_PART_SIZE) {
        http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_URL);
        return NULL;
    }
    struct http_platform_connection *connection =
        (struct http_platform_connection *)http_platform_new(
            sizeof(struct http_platform_connection), KIND_CONNECTION);
    if (!connection)
        return NULL;
    connection->settings = *root;
    memcpy(connection->host, host, strlen(host) + 1);
    connection->port = port;
    connection->context = context;
    // Like the Windows library, nothing is sent until the first request goes out.
    http_platform_handle handle = http_platform_store(connection);
    if (!handle)
        free(connection);
    return handle;
}

http_platform_handle http_platform_open_request(http_platform_handle connection_handle,
                                                const char *verb, const char *path,
                                                const char *version, uint32_t flags, void *context)
{
    struct http_platform_connection *connection =
        (struct http_platform_connection *)http_platform_find(connection_handle, KIND_CONNECTION);
    if (!connection)
        return NULL;
    struct http_platform_request *request = (struct http_platform_request *)http_platform_new(
        sizeof(struct http_platform_request), KIND_REQUEST);
    if (!request)
        return NULL;
    request->settings = connection->settings;
    request->context = context;
    request->flags = flags;
    // A bare IPv6 address needs its brackets back inside a URL.
    const char *host = connection->host;
    int bracket = strchr(host, ':') != NULL && host[0] != '[';
    int length =
        snprintf(request->url, sizeof(request->url), "%s://%s%s%s:%u%s",
                 (flags & HTTP_PLATFORM_FLAG_SECURE) ? "https" : "http", bracket ? "[" : "", host,
                 bracket ? "]" : "", (unsigned)connection->port, path && *path ? path : "/");
    if (length < 0 || (size_t)length >= sizeof(request->url)) {
        free(request);
        http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_URL);
        return NULL;
    }
    request->easy = curl_easy_init();
    if (!request->easy) {
        free(request);
        http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    CURL *easy = request->easy;
    curl_easy_setopt(easy, CURLOPT_URL, request->url);
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    if (verb && strcmp(verb, "POST") != 0)
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                     version && strcmp(version, "HTTP/1.0") == 0 ? (long)CURL_HTTP_VERSION_1_0
                                                                 : (long)CURL_HTTP_VERSION_1_1);
    request->self = http_platform_store(request);
    if (!request->self) {
        curl_easy_cleanup(request->easy);
        free(request);
        return NULL;
    }
    return request->self;
}

// Header name length of a "Name: value" line.
static size_t http_platform_header_name_length(const char *line, size_t length)
{
    const char *colon = (const char *)memchr(line, ':', length);
    return colon ? (size_t)(colon - line) : length;
}

int http_platform_add_header(http_platform_handle request_handle, const char *line, size_t length)
{
    struct http_platform_request *request =
        (struct http_platform_request *)http_platform_find(request_handle, KIND_REQUEST);
    if (!request)
        return 0;
    while (length && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        length--;
    size_t name_length = http_platform_header_name_length(line, length);
    if (name_length == 0 || name_length == length) {
        http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_OPTION);
        return 0;
    }
    // Added only if new: the first header of a name wins.
    for (struct curl_slist *item = request->headers; item; item = item->next) {
        if (strlen(item->data) > name_length && item->data[name_length] == ':' &&
            strncasecmp(item->data, line, name_length) == 0) {
            http_platform_fail(HTTP_PLATFORM_ERROR_HEADER_ALREADY_EXISTS);
            return 0;
        }
    }
    char text[HTTP_PLATFORM_HEADER_SIZE];
    if (length >= sizeof(text)) {
        http_platform_fail(HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(text, line, length);
    text[length] = '\0';
    struct curl_slist *headers = curl_slist_append(request->headers, text);
    if (!headers) {
        http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    request->headers = headers;
    if (strncasecmp(text, "Transfer-Encoding:", 18) == 0 && strstr(text + 18, "chunked"))
        request->chunked = 1;
    return 1;
}

static size_t http_platform_collect(char *data, size_t size, size_t count, void *user)
{
    struct http_platform_request *request = (struct http_platform_request *)user;
    size_t length = size * count;
    // Past the limit the reader fails anyway: keep one byte beyond it for the reader to see,
    // and end the transfer rather than hold whatever a server sends.
    uint64_t room = request->settings.response_limit + 1 - request->response_length;
    int cut = length > room;
    if (cut) {
        length = (size_t)room;
        request->cut_at_limit = 1;
    }
    if (length > request->response_capacity - request->response_length) {
        size_t capacity = request->response_capacity ? request->response_capacity : 16384;
        while (capacity - request->response_length < length) {
            if (capacity > ((size_t)-1) / 2)
                return 0;
            capacity *= 2;
        }
        char *grown = (char *)realloc(request->response, capacity);
        if (!grown)
            return 0; // curl ends the transfer with a write error
        request->response = grown;
        request->response_capacity = capacity;
    }
    memcpy(request->response + request->response_length, data, length);
    request->response_length += length;
    return cut ? 0 : size * count; // 0 ends the transfer with a write error
}

// The runtime frames a chunked body itself; curl frames it again, so hand it the data only.
// Returns the length of the unframed data written to out (at most `length`), or -1.
static long http_platform_unchunk(const char *body, uint32_t length, char *out)
{
    size_t in = 0;
    size_t produced = 0;
    for (;;) {
        while (in < length && (body[in] == '\r' || body[in] == '\n'))
            in++;
        unsigned long size = 0;
        size_t digits = 0;
        while (in < length) {
            char c = body[in];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0)
                break;
            if (size > (length >> 4))
                return -1;
            size = (size << 4) | (unsigned long)digit;
            in++;
            digits++;
        }
        if (!digits)
            return -1;
        while (in < length && body[in] != '\n')
            in++;
        if (in >= length)
            return -1;
        in++;
        if (size == 0)
            return (long)produced;
        if (size > length - in)
            return -1;
        memcpy(out + produced, body + in, size);
        produced += size;
        in += size;
    }
}

int http_platform_send_request(http_platform_handle request_handle, const void *body,
                               uint32_t length)
{
    struct http_platform_request *request =
        (struct http_platform_request *)http_platform_find(request_handle, KIND_REQUEST);
    if (!request)
        return 0;
    CURL *easy = request->easy;
    const struct http_platform_root *settings = &request->settings;

    char *unframed = NULL;
    const char *data = body ? (const char *)body : "";
    long data_length = (long)length;
    if (request->chunked && length) {
        unframed = (char *)malloc(length);
        if (!unframed) {
            http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        data_length = http_platform_unchunk(data, length, unframed);
        if (data_length < 0) {
            free(unframed);
            http_platform_fail(HTTP_PLATFORM_ERROR_INVALID_OPTION);
            return 0;
        }
        data = unframed;
    }

    // "Expect:" keeps curl from waiting for a 100 Continue the runtime never asked for.
    struct curl_slist *expect = curl_slist_append(NULL, "Expect:");
    if (!expect) {
        free(unframed);
        http_platform_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    struct curl_slist *last = request->headers;
    while (last && last->next)
        last = last->next;
    if (last)
        last->next = expect;
    struct curl_slist *headers = last ? request->headers : expect;

    // A resend starts over with an empty response.
    request->response_length = 0;
    request->response_offset = 0;
    request->sent = 0;

    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, data);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, (curl_off_t)data_length);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, settings->agent);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, http_platform_collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, request);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    request->seen_up = 0;
    request->seen_down = 0;
    request->last_activity_ms = 0;
    request->stalled = 0;
    request->cut_at_limit = 0;
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, http_platform_progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, request);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE,
                     (request->flags & HTTP_PLATFORM_FLAG_KEEP_CONNECTION) ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, (long)settings->connect_ms);
    const char *ca_file = getenv("SSL_CERT_FILE");
    if (ca_file && *ca_file)
        curl_easy_setopt(easy, CURLOPT_CAINFO, ca_file);
    const char *ca_dir = getenv("SSL_CERT_DIR");
    if (ca_dir && *ca_dir)
        curl_easy_setopt(easy, CURLOPT_CAPATH, ca_dir);

    CURLcode code = curl_easy_perform(easy);

    if (last)
        last->next = NULL;
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, NULL);
    curl_slist_free_all(expect);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, NULL);
    free(unframed);

    // Without keep-alive the connection is gone now; tell the owner as the Windows library
    // does. The response stays readable.
    if (!(request->flags & HTTP_PLATFORM_FLAG_KEEP_CONNECTION) && settings->status_fn)
        settings->status_fn(request->self, request->context, HTTP_PLATFORM_STATUS_CONNECTION_CLOSED,
                            NULL, 0);

    // A body cut at the limit is handed to the reader as far as it was kept.
    if (code == CURLE_WRITE_ERROR && request->cut_at_limit)
        code = CURLE_OK;
    if (code != CURLE_OK) {
        long verify_result = X509_V_OK;
        curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify_result);
        http_platform_fail(request->stalled ? HTTP_PLATFORM_ERROR_TIMEOUT
                                            : http_platform_map_curl_error(code, verify_result));
        return 0;
    }
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &request->status);
    request->sent = 1;
    return 1;
}

// The request behind a handle, once it has been sent and its response is there.
static struct http_platform_request *http_platform_sent_request(http_platform_handle handle)
{
    struct http_platform_request *request =
        (struct http_platform_request *)http_platform_find(handle, KIND_REQUEST);
    if (request && !request->sent) {
        http_platform_fail(HTTP_PLATFORM_ERROR_INCORRECT_HANDLE_STATE);
        return NULL;
    }
    return request;
}

int http_platform_query_status(http_platform_handle request_handle, uint32_t *status)
{
    struct http_platform_request *request = http_platform_sent_request(request_handle);
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
    struct http_platform_request *request = http_platform_sent_request(request_handle);
    if (!request)
        return 0;
    size_t left = request->response_length - request->response_offset;
    size_t n = left < size ? left : size;
    if (n)
        memcpy(buffer, request->response + request->response_offset, n);
    request->response_offset += n;
    *bytes_read = (uint32_t)n;
    return 1;
}

int http_platform_close(http_platform_handle handle)
{
    struct http_platform_object *object =
        (struct http_platform_object *)http_platform_find(handle, (enum http_platform_kind)0);
    if (!object)
        return 0;
    g_handles[(uintptr_t)handle - HTTP_PLATFORM_HANDLE_BASE] = NULL;
    if (object->kind == KIND_REQUEST) {
        struct http_platform_request *request = (struct http_platform_request *)object;
        curl_easy_cleanup(request->easy);
        curl_slist_free_all(request->headers);
        free(request->response);
    }
    enum http_platform_kind kind = object->kind;
    free(object);
    if (kind == KIND_ROOT)
        curl_global_cleanup();
    return 1;
}

uint32_t http_platform_last_error(void)
{
    return g_last_error;
}
