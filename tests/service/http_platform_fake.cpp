#include "http_platform_fake.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

FakePlatform g_fake;

namespace {

uint32_t next(std::deque<uint32_t> &script, uint32_t otherwise)
{
    if (script.empty())
        return otherwise;
    uint32_t front = script.front();
    script.pop_front();
    return front;
}

// Records a call; false, with the platform error set, when the test scripted it to fail.
bool record(const char *op, std::string text = {}, uint32_t number = 0, const void *data = nullptr)
{
    g_fake.calls[op].push_back({std::move(text), number, data});
    uint32_t error = next(g_fake.failures[op], 0);
    if (error)
        g_fake.last_error = error;
    return error == 0;
}

http_platform_handle newHandle()
{
    g_fake.open_handles.insert(g_fake.next_handle);
    return reinterpret_cast<http_platform_handle>(g_fake.next_handle++);
}

} // namespace

http_platform_handle http_platform_open(const char *agent)
{
    return record("open", agent) ? newHandle() : nullptr;
}

int http_platform_set_timeout(http_platform_handle, uint32_t option, uint32_t milliseconds)
{
    return record("set_timeout", std::to_string(milliseconds), option);
}

int http_platform_set_response_limit(http_platform_handle, uint64_t bytes)
{
    return record("set_response_limit", std::to_string(bytes));
}

void http_platform_set_status_callback(http_platform_handle, http_platform_status_fn fn)
{
    g_fake.status_callback = fn;
}

// Just enough URL cracking for the tests: http[s]://host/path, the port left in the host.
int http_platform_crack_url(const char *url, struct http_platform_url *parts)
{
    const char *host = strstr(url, "://");
    const char *path = host ? strchr(host + 3, '/') : nullptr;
    if (!record("crack_url", url) || !path)
        return 0;
    parts->scheme =
        strncmp(url, "https:", 6) ? HTTP_PLATFORM_SCHEME_HTTP : HTTP_PLATFORM_SCHEME_HTTPS;
    snprintf(parts->host, sizeof(parts->host), "%.*s", int(path - host - 3), host + 3);
    snprintf(parts->path, sizeof(parts->path), "%s", path);
    return 1;
}

http_platform_handle http_platform_connect(http_platform_handle, const char *host, uint16_t port,
                                           void *)
{
    return record("connect", host, port) ? newHandle() : nullptr;
}

http_platform_handle http_platform_open_request(http_platform_handle, const char *verb,
                                                const char *path, const char *version,
                                                uint32_t flags, void *)
{
    std::string line = std::string(verb) + " " + path + " " + version;
    return record("open_request", line, flags) ? newHandle() : nullptr;
}

int http_platform_add_header(http_platform_handle, const char *line, size_t length)
{
    return record("add_header", std::string(line, length));
}

int http_platform_send_request(http_platform_handle, const void *body, uint32_t length)
{
    std::string bytes(body ? static_cast<const char *>(body) : "", body ? length : 0);
    return record("send_request", bytes, length, body);
}

int http_platform_query_status(http_platform_handle, uint32_t *status)
{
    if (!record("query_status"))
        return 0;
    *status = next(g_fake.statuses, 200);
    return 1;
}

uint32_t http_platform_error_dialog(http_platform_handle, uint32_t error)
{
    record("error_dialog", "", error);
    return next(g_fake.dialog_decisions, HTTP_PLATFORM_ERROR_CANCELLED);
}

int http_platform_read(http_platform_handle, void *buffer, uint32_t size, uint32_t *bytes_read)
{
    if (!record("read", "", size))
        return 0;
    size_t n = std::min<size_t>(size, g_fake.response.size());
    if (g_fake.read_piece)
        n = std::min<size_t>(n, g_fake.read_piece);
    memcpy(buffer, g_fake.response.data(), n);
    g_fake.response.erase(0, n);
    *bytes_read = static_cast<uint32_t>(n);
    return 1;
}

int http_platform_close(http_platform_handle handle)
{
    record("close");
    if (g_fake.open_handles.erase(reinterpret_cast<uintptr_t>(handle)))
        return 1;
    g_fake.last_error = HTTP_PLATFORM_ERROR_INVALID_HANDLE;
    return 0;
}

uint32_t http_platform_last_error(void)
{
    return g_fake.last_error;
}
