// One transfer of the libcurl layer (http_platform_send_request): the collected headers and
// body go out together and the whole response body is collected in memory, within its limit.
// - The runtime's chunk framing is taken off the body; curl frames it again.
// - The connect time-out bounds connecting (TLS included); the send and receive time-outs
//   bound a stall, no byte moving once connected, as the Windows library's do.
// - A redirection is not followed: its status and body are the response.
// - Failures carry the Windows library's error numbers (curl_errors.h), a stall ERROR_TIMEOUT.
#include "chunk_framing.h"
#include "curl_environment.h"
#include "curl_errors.h"
#include "curl_objects.h"

#include <openssl/x509_vfy.h>
#include <stdlib.h>
#include <time.h>

static uint64_t http_curl_now_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

// True when the transfer has stalled: connected, and neither count has moved for the send
// time-out (while the body is still going out) or the receive time-out (after it).
static int http_curl_stalled(struct http_curl_stall *stall, uint64_t now, int connected,
                             curl_off_t up_now, curl_off_t up_total, curl_off_t down_now,
                             const struct http_curl_root *settings)
{
    if (!connected || stall->last_activity_ms == 0 || up_now != stall->seen_up ||
        down_now != stall->seen_down) {
        stall->seen_up = up_now;
        stall->seen_down = down_now;
        stall->last_activity_ms = now; // still connecting (its own time-out), or moving
        return 0;
    }
    uint32_t limit = up_now < up_total ? settings->send_ms : settings->receive_ms;
    return now - stall->last_activity_ms >= limit;
}

// curl's progress callback, at least once a second: non-zero ends the transfer.
static int http_curl_progress(void *user, curl_off_t down_total, curl_off_t down_now,
                              curl_off_t up_total, curl_off_t up_now)
{
    (void)down_total;
    struct http_curl_request *request = (struct http_curl_request *)user;
    curl_off_t connected = 0; // stays 0, "connecting", should curl not say
    (void)curl_easy_getinfo(request->easy, CURLINFO_PRETRANSFER_TIME_T, &connected);
    if (!http_curl_stalled(&request->stall, http_curl_now_ms(), connected != 0, up_now, up_total,
                           down_now, &request->settings))
        return 0;
    request->stall.stalled = 1;
    return 1;
}

static size_t http_curl_collect(char *data, size_t size, size_t count, void *user)
{
    struct http_curl_request *request = (struct http_curl_request *)user;
    return http_curl_response_append(&request->response, data, size * count);
}

// Sets the options of one transfer of body; false when one could not be set (for want of
// memory: every option here is known to the libcurl this builds with).
static int http_curl_set_options(struct http_curl_request *request, const char *body, long length,
                                 struct curl_slist *headers)
{
    CURL *easy = request->easy;
    const struct http_curl_root *settings = &request->settings;
    unsigned failed = 0;
    failed |= curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body);
    failed |= curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, (curl_off_t)length);
    failed |= curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    failed |= curl_easy_setopt(easy, CURLOPT_USERAGENT, settings->agent);
    failed |= curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, http_curl_collect);
    failed |= curl_easy_setopt(easy, CURLOPT_WRITEDATA, request);
    failed |= curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    failed |= curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    failed |= curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, http_curl_progress);
    failed |= curl_easy_setopt(easy, CURLOPT_XFERINFODATA, request);
    failed |= curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    failed |= curl_easy_setopt(easy, CURLOPT_FORBID_REUSE,
                               (request->flags & HTTP_PLATFORM_FLAG_KEEP_CONNECTION) ? 0L : 1L);
    failed |= curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, (long)settings->connect_ms);
    failed |= http_curl_apply_environment(easy);
    return failed == 0;
}

// Runs the transfer with the request's headers and then expect; returns its code, a body cut at
// the response limit counting as done.
static CURLcode http_curl_perform(struct http_curl_request *request, const char *body, long length,
                                  struct curl_slist *expect)
{
    // The extra header goes on the end of the request's own list for this transfer only.
    struct curl_slist *last = request->headers;
    while (last && last->next)
        last = last->next;
    if (last)
        last->next = expect;
    struct curl_slist *headers = last ? request->headers : expect;

    // A resend starts over with an empty response.
    http_curl_response_restart(&request->response);
    request->sent = 0;
    request->stall = {};

    CURLcode code = CURLE_OUT_OF_MEMORY;
    if (http_curl_set_options(request, body, length, headers))
        code = curl_easy_perform(request->easy);

    if (last)
        last->next = NULL;
    // Nothing the transfer used may outlive this call; clearing an option cannot fail.
    (void)curl_easy_setopt(request->easy, CURLOPT_HTTPHEADER, NULL);
    (void)curl_easy_setopt(request->easy, CURLOPT_POSTFIELDS, NULL);

    if (code == CURLE_WRITE_ERROR && request->response.cut_at_limit)
        code = CURLE_OK; // handed to the reader as far as it was kept
    return code;
}

int http_platform_send_request(http_platform_handle request_handle, const void *body,
                               uint32_t length)
{
    struct http_curl_request *request =
        (struct http_curl_request *)http_curl_find(request_handle, HTTP_CURL_REQUEST);
    if (!request)
        return 0;

    char *unframed = NULL;
    const char *data = body ? (const char *)body : "";
    long data_length = (long)length;
    if (request->chunked && length) {
        unframed = (char *)malloc(length);
        if (!unframed) {
            http_curl_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        data_length = http_chunk_unframe(data, length, unframed);
        if (data_length < 0) {
            free(unframed);
            http_curl_fail(HTTP_PLATFORM_ERROR_INVALID_OPTION);
            return 0;
        }
        data = unframed;
    }

    // "Expect:" keeps curl from waiting for a 100 Continue the runtime never asked for.
    struct curl_slist *expect = curl_slist_append(NULL, "Expect:");
    if (!expect) {
        free(unframed);
        http_curl_fail(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    CURLcode code = http_curl_perform(request, data, data_length, expect);
    curl_slist_free_all(expect);
    free(unframed);

    // Without keep-alive the connection is gone now; tell the owner as the Windows library
    // does. The response stays readable.
    const struct http_curl_root *settings = &request->settings;
    if (!(request->flags & HTTP_PLATFORM_FLAG_KEEP_CONNECTION) && settings->status_fn)
        settings->status_fn(request->self, request->context, HTTP_PLATFORM_STATUS_CONNECTION_CLOSED,
                            NULL, 0);

    if (code != CURLE_OK) {
        long verify_result = X509_V_OK;
        (void)curl_easy_getinfo(request->easy, CURLINFO_SSL_VERIFYRESULT, &verify_result);
        http_curl_fail(request->stall.stalled ? HTTP_PLATFORM_ERROR_TIMEOUT
                                              : http_curl_error_number(code, verify_result));
        return 0;
    }
    (void)curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &request->status);
    request->sent = 1;
    return 1;
}
