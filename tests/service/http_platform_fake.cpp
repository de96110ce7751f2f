#include "http_platform_fake.h"

#include <cstdio>
#include <cstring>

namespace {

FakePlatform *g_fake = nullptr;

// Pops the scripted error of the next call to `op`; true when the call is to fail.
bool fails(const char *op)
{
    auto it = g_fake->failures.find(op);
    if (it == g_fake->failures.end() || it->second.empty())
        return false;
    uint32_t error = it->second.front();
    it->second.pop_front();
    if (error == 0)
        return false;
    g_fake->last_error = error;
    return true;
}

FakeCall &record(const char *op, http_platform_handle handle)
{
    FakeCall call;
    call.op = op;
    call.handle = reinterpret_cast<uintptr_t>(handle);
    g_fake->calls.push_back(call);
    return g_fake->calls.back();
}

http_platform_handle newHandle()
{
    uintptr_t value = g_fake->next_handle++;
    g_fake->open_handles.insert(value);
    return reinterpret_cast<http_platform_handle>(value);
}

} // namespace

FakePlatform &fakePlatform()
{
    if (!g_fake)
        g_fake = new FakePlatform;
    return *g_fake;
}

void resetFakePlatform()
{
    fakePlatform() = FakePlatform();
}

std::vector<FakeCall> FakePlatform::of(const std::string &op) const
{
    std::vector<FakeCall> out;
    for (const FakeCall &call : calls)
        if (call.op == op)
            out.push_back(call);
    return out;
}

void FakePlatform::notify(uintptr_t handle, void *context, uint32_t status)
{
    if (status_callback)
        status_callback(reinterpret_cast<http_platform_handle>(handle), context, status, nullptr,
                        0);
}

http_platform_handle http_platform_open(const char *agent)
{
    fakePlatform();
    record("open", nullptr).text = agent;
    return fails("open") ? nullptr : newHandle();
}

int http_platform_set_timeout(http_platform_handle root, uint32_t option, uint32_t milliseconds)
{
    FakeCall &call = record("set_timeout", root);
    call.number = option;
    call.value = milliseconds;
    return !fails("set_timeout");
}

void http_platform_set_status_callback(http_platform_handle root, http_platform_status_fn fn)
{
    record("set_status_callback", root);
    g_fake->status_callback = fn;
}

// Just enough URL cracking for the tests: scheme://host[:port]/path.
int http_platform_crack_url(const char *url, struct http_platform_url *parts)
{
    record("crack_url", nullptr).text = url;
    if (fails("crack_url"))
        return 0;
    std::string text = url;
    size_t scheme_end = text.find("://");
    if (scheme_end == std::string::npos) {
        g_fake->last_error = HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME;
        return 0;
    }
    std::string scheme = text.substr(0, scheme_end);
    parts->scheme = scheme == "https" ? HTTP_PLATFORM_SCHEME_HTTPS : HTTP_PLATFORM_SCHEME_HTTP;
    parts->port = scheme == "https" ? 443 : 80;
    std::string rest = text.substr(scheme_end + 3);
    size_t path_start = rest.find('/');
    std::string authority = rest.substr(0, path_start);
    std::string path = path_start == std::string::npos ? "" : rest.substr(path_start);
    size_t colon = authority.find(':');
    if (colon != std::string::npos) {
        parts->port = static_cast<uint16_t>(std::stoi(authority.substr(colon + 1)));
        authority.resize(colon);
    }
    snprintf(parts->host, sizeof(parts->host), "%s", authority.c_str());
    snprintf(parts->path, sizeof(parts->path), "%s", path.c_str());
    return 1;
}

http_platform_handle http_platform_connect(http_platform_handle root, const char *host,
                                           uint16_t port, void *context)
{
    FakeCall &call = record("connect", root);
    call.text = host;
    call.number = port;
    call.context = context;
    return fails("connect") ? nullptr : newHandle();
}

http_platform_handle http_platform_open_request(http_platform_handle connection, const char *verb,
                                                const char *path, const char *version,
                                                uint32_t flags, void *context)
{
    FakeCall &call = record("open_request", connection);
    call.text = std::string(verb) + " " + path + " " + version;
    call.number = flags;
    call.context = context;
    return fails("open_request") ? nullptr : newHandle();
}

int http_platform_add_header(http_platform_handle request, const char *line, size_t length)
{
    record("add_header", request).text.assign(line, length);
    return !fails("add_header");
}

int http_platform_send_request(http_platform_handle request, const void *body, uint32_t length)
{
    FakeCall &call = record("send_request", request);
    call.data = body;
    call.number = length;
    if (body)
        call.bytes.assign(static_cast<const char *>(body), length);
    if (g_fake->during_send)
        g_fake->during_send();
    return !fails("send_request");
}

int http_platform_query_status(http_platform_handle request, uint32_t *status)
{
    record("query_status", request);
    if (fails("query_status"))
        return 0;
    *status = 200;
    if (!g_fake->statuses.empty()) {
        *status = g_fake->statuses.front();
        g_fake->statuses.pop_front();
    }
    return 1;
}

uint32_t http_platform_error_dialog(http_platform_handle request, uint32_t error)
{
    record("error_dialog", request).number = error;
    uint32_t decision = HTTP_PLATFORM_ERROR_CANCELLED;
    if (!g_fake->dialog_decisions.empty()) {
        decision = g_fake->dialog_decisions.front();
        g_fake->dialog_decisions.pop_front();
    }
    return decision;
}

int http_platform_read(http_platform_handle request, void *buffer, uint32_t size,
                       uint32_t *bytes_read)
{
    record("read", request).number = size;
    if (fails("read"))
        return 0;
    size_t left = g_fake->response.size() - g_fake->response_offset;
    size_t n = left < size ? left : size;
    if (g_fake->read_piece && n > g_fake->read_piece)
        n = g_fake->read_piece;
    memcpy(buffer, g_fake->response.data() + g_fake->response_offset, n);
    g_fake->response_offset += n;
    *bytes_read = static_cast<uint32_t>(n);
    return 1;
}

int http_platform_close(http_platform_handle handle)
{
    record("close", handle);
    if (!g_fake->open_handles.erase(reinterpret_cast<uintptr_t>(handle))) {
        g_fake->last_error = HTTP_PLATFORM_ERROR_INVALID_HANDLE;
        return 0;
    }
    return 1;
}

uint32_t http_platform_last_error(void)
{
    return g_fake->last_error;
}
