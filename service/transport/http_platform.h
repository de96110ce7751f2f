// The platform internet layer under the HTTP transport plug-in.
//
// One function per operation of the Windows internet library that the plug-in uses, with
// the same contracts: handles are opaque, a failed call returns null/false and leaves its
// reason in http_platform_last_error(), and every number (option, flag, scheme, status,
// error) has the Windows internet library's value. The implementation is chosen at link
// time: http_platform_wininet.cpp on Windows, the libcurl layer (curl_*.cpp) elsewhere, and
// a scripted fake in the tests.
#ifndef HTTP_PLATFORM_H
#define HTTP_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// A root, connection or request handle. The plug-in keeps a request handle in the SOAP
// context's socket field, so an implementation whose socket type is an int must hand out
// values that fit in 31 bits and are never -1.
typedef void *http_platform_handle;

// Called for status notices of any handle derived from the root; context is the value given
// when the connection or request was opened (null for the root itself).
typedef void (*http_platform_status_fn)(http_platform_handle handle, void *context, uint32_t status,
                                        void *info, uint32_t info_length);

enum {
    HTTP_PLATFORM_OPTION_CONNECT_TIMEOUT = 2,
    HTTP_PLATFORM_OPTION_SEND_TIMEOUT = 5,
    HTTP_PLATFORM_OPTION_RECEIVE_TIMEOUT = 6
};

enum { HTTP_PLATFORM_SCHEME_HTTP = 3, HTTP_PLATFORM_SCHEME_HTTPS = 4 };

#define HTTP_PLATFORM_FLAG_KEEP_CONNECTION 0x00400000u
#define HTTP_PLATFORM_FLAG_SECURE 0x00800000u

#define HTTP_PLATFORM_STATUS_CONNECTION_CLOSED 51u

#define HTTP_PLATFORM_HTTP_DENIED 401u
#define HTTP_PLATFORM_HTTP_PROXY_AUTH_REQ 407u

// Error numbers of the Windows internet library.
#define HTTP_PLATFORM_ERROR_SUCCESS 0u
#define HTTP_PLATFORM_ERROR_INVALID_HANDLE 6u
#define HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY 8u
#define HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER 122u
#define HTTP_PLATFORM_ERROR_CANCELLED 1223u
#define HTTP_PLATFORM_ERROR_TIMEOUT 12002u
#define HTTP_PLATFORM_ERROR_INTERNAL_ERROR 12004u
#define HTTP_PLATFORM_ERROR_INVALID_URL 12005u
#define HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME 12006u
#define HTTP_PLATFORM_ERROR_NAME_NOT_RESOLVED 12007u
#define HTTP_PLATFORM_ERROR_INVALID_OPTION 12009u
#define HTTP_PLATFORM_ERROR_INCORRECT_PASSWORD 12014u
#define HTTP_PLATFORM_ERROR_CONNECTION_ABORTED 12030u
#define HTTP_PLATFORM_ERROR_CONNECTION_RESET 12031u
#define HTTP_PLATFORM_ERROR_FORCE_RETRY 12032u
#define HTTP_PLATFORM_ERROR_INCORRECT_HANDLE_STATE 12019u
#define HTTP_PLATFORM_ERROR_CANNOT_CONNECT 12029u
#define HTTP_PLATFORM_ERROR_SEC_CERT_DATE_INVALID 12037u
#define HTTP_PLATFORM_ERROR_SEC_CERT_CN_INVALID 12038u
#define HTTP_PLATFORM_ERROR_HTTP_TO_HTTPS_ON_REDIR 12039u
#define HTTP_PLATFORM_ERROR_POST_IS_NON_SECURE 12043u
#define HTTP_PLATFORM_ERROR_INVALID_CA 12045u
#define HTTP_PLATFORM_ERROR_INVALID_SERVER_RESPONSE 12152u
#define HTTP_PLATFORM_ERROR_HEADER_ALREADY_EXISTS 12155u
#define HTTP_PLATFORM_ERROR_SECURITY_CHANNEL_ERROR 12157u

// Both the host name and the path of a cracked URL are cut off at this size.
#define HTTP_PLATFORM_URL_PART_SIZE 260

struct http_platform_url
{
    int scheme;
    char host[HTTP_PLATFORM_URL_PART_SIZE];
    uint16_t port; // the scheme's default when the URL gives none
    char path[HTTP_PLATFORM_URL_PART_SIZE];
};

// InternetOpenA with the preconfigured (machine) proxy settings, synchronous.
http_platform_handle http_platform_open(const char *agent);
// InternetSetOptionA with a 4-byte value.
int http_platform_set_timeout(http_platform_handle root, uint32_t option, uint32_t milliseconds);
// The most of a response body its reader will take. The Windows library streams the body,
// so nothing is held there; a layer that collects the body first keeps no more than this
// plus one byte, so that the reader still sees a body over its limit.
int http_platform_set_response_limit(http_platform_handle root, uint64_t bytes);
// InternetSetStatusCallback on the root handle.
void http_platform_set_status_callback(http_platform_handle root, http_platform_status_fn fn);
// InternetCrackUrlA for a NUL-terminated URL.
int http_platform_crack_url(const char *url, struct http_platform_url *parts);
// InternetConnectA for the HTTP service, without user name and password.
http_platform_handle http_platform_connect(http_platform_handle root, const char *host,
                                           uint16_t port, void *context);
// HttpOpenRequestA without referrer and accept types.
http_platform_handle http_platform_open_request(http_platform_handle connection, const char *verb,
                                                const char *path, const char *version,
                                                uint32_t flags, void *context);
// HttpAddRequestHeadersA with HTTP_ADDREQ_FLAG_ADD_IF_NEW; line ends with CR LF.
int http_platform_add_header(http_platform_handle request, const char *line, size_t length);
// HttpSendRequestA without extra headers: sends headers and body, reads the response head.
int http_platform_send_request(http_platform_handle request, const void *body, uint32_t length);
// HttpQueryInfoA for the numeric status code.
int http_platform_query_status(http_platform_handle request, uint32_t *status);
// InternetErrorDlg over the desktop window; returns the user's decision.
uint32_t http_platform_error_dialog(http_platform_handle request, uint32_t error);
// InternetReadFile: the next bytes of the response body, 0 at its end.
int http_platform_read(http_platform_handle request, void *buffer, uint32_t size,
                       uint32_t *bytes_read);
// InternetCloseHandle for any of the three kinds of handle.
int http_platform_close(http_platform_handle handle);
// The reason of the last failed call on this thread (GetLastError).
uint32_t http_platform_last_error(void);

#endif
