// The platform internet layer on Windows: the Windows internet library itself, synchronous,
// with the machine's proxy settings, its TLS and its certificate and password dialogs.
#ifdef _WIN32

#include "http_platform.h"

#include <windows.h>

#include <wininet.h>

// The library calls back with its own signature; the plug-in's routine is the same for every
// handle, so one trampoline serves them all.
static http_platform_status_fn g_status_fn;

static void CALLBACK http_platform_wininet_status(HINTERNET handle, DWORD_PTR context, DWORD status,
                                                  LPVOID info, DWORD length)
{
    http_platform_status_fn fn = g_status_fn;
    if (fn)
        fn(handle, (void *)context, status, info, length);
}

// The time-outs last set on a root, handed on to each of its connections. Windows passes a
// root's options down to the handles derived from it; Wine ignores the send and receive
// time-outs of a root, and its calls then wait for ever on a server that never answers.
static const DWORD g_timeout_options[] = {
    INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT};
enum { kTimeoutOptions = sizeof(g_timeout_options) / sizeof(g_timeout_options[0]) };
static HINTERNET g_timeout_root;
static DWORD g_timeout_values[kTimeoutOptions]; // 0: not set

static void http_platform_remember_timeout(HINTERNET root, DWORD option, DWORD milliseconds)
{
    if (root != g_timeout_root) {
        g_timeout_root = root;
        ZeroMemory(g_timeout_values, sizeof(g_timeout_values));
    }
    for (int i = 0; i < kTimeoutOptions; ++i) {
        if (g_timeout_options[i] == option)
            g_timeout_values[i] = milliseconds;
    }
}

static void http_platform_hand_on_timeouts(HINTERNET root, HINTERNET connection)
{
    if (root != g_timeout_root)
        return;
    for (int i = 0; i < kTimeoutOptions; ++i) {
        DWORD value = g_timeout_values[i];
        if (value != 0)
            (void)InternetSetOptionA(connection, g_timeout_options[i], &value, sizeof(value));
    }
}

http_platform_handle http_platform_open(const char *agent)
{
    return InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
}

int http_platform_set_timeout(http_platform_handle root, uint32_t option, uint32_t milliseconds)
{
    DWORD value = milliseconds;
    http_platform_remember_timeout(root, option, value);
    return InternetSetOptionA(root, option, &value, sizeof(value)) != FALSE;
}

int http_platform_set_response_limit(http_platform_handle root, uint64_t bytes)
{
    // InternetReadFile hands the body over as it arrives; the reader stops at its limit.
    (void)root;
    (void)bytes;
    return 1;
}

void http_platform_set_status_callback(http_platform_handle root, http_platform_status_fn fn)
{
    g_status_fn = fn;
    (void)InternetSetStatusCallback(root, http_platform_wininet_status);
}

int http_platform_crack_url(const char *url, struct http_platform_url *parts)
{
    URL_COMPONENTSA components;
    ZeroMemory(&components, sizeof(components));
    components.dwStructSize = sizeof(components);
    components.lpszHostName = parts->host;
    components.dwHostNameLength = sizeof(parts->host);
    components.lpszUrlPath = parts->path;
    components.dwUrlPathLength = sizeof(parts->path);
    if (!InternetCrackUrlA(url, 0, 0, &components))
        return 0;
    parts->scheme = components.nScheme;
    parts->port = components.nPort;
    return 1;
}

http_platform_handle http_platform_connect(http_platform_handle root, const char *host,
                                           uint16_t port, void *context)
{
    HINTERNET connection =
        InternetConnectA(root, host, port, "", "", INTERNET_SERVICE_HTTP, 0, (DWORD_PTR)context);
    if (connection)
        http_platform_hand_on_timeouts(root, connection);
    return connection;
}

http_platform_handle http_platform_open_request(http_platform_handle connection, const char *verb,
                                                const char *path, const char *version,
                                                uint32_t flags, void *context)
{
    return HttpOpenRequestA(connection, verb, path, version, NULL, NULL, flags, (DWORD_PTR)context);
}

int http_platform_add_header(http_platform_handle request, const char *line, size_t length)
{
    return HttpAddRequestHeadersA(request, line, (DWORD)length, HTTP_ADDREQ_FLAG_ADD_IF_NEW) !=
           FALSE;
}

int http_platform_send_request(http_platform_handle request, const void *body, uint32_t length)
{
    return HttpSendRequestA(request, NULL, 0, (LPVOID)body, length) != FALSE;
}

int http_platform_query_status(http_platform_handle request, uint32_t *status)
{
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                        NULL))
        return 0;
    *status = code;
    return 1;
}

uint32_t http_platform_error_dialog(http_platform_handle request, uint32_t error)
{
    return InternetErrorDlg(GetDesktopWindow(), request, error,
                            FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                            NULL);
}

int http_platform_read(http_platform_handle request, void *buffer, uint32_t size,
                       uint32_t *bytes_read)
{
    DWORD got = 0;
    if (!InternetReadFile(request, buffer, size, &got))
        return 0;
    *bytes_read = got;
    return 1;
}

int http_platform_close(http_platform_handle handle)
{
    if (handle == g_timeout_root)
        g_timeout_root = NULL; // a later root may get the same handle value
    return InternetCloseHandle(handle) != FALSE;
}

uint32_t http_platform_last_error(void)
{
    return GetLastError();
}

#endif
