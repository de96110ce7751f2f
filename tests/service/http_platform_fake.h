// A scripted stand-in for the platform internet layer: records every call the plug-in makes
// and plays back the results a test sets up.
#ifndef HTTP_PLATFORM_FAKE_H
#define HTTP_PLATFORM_FAKE_H

#include "http_platform.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakeCall
{
    std::string text;           // agent, URL, host, request line, header, body, milliseconds
    uint32_t number = 0;        // option, port, flags, body length, error, read size
    const void *data = nullptr; // body pointer of send_request
};

struct FakePlatform
{
    // Per operation ("open", "set_timeout", "connect", "send_request", ...), its calls.
    std::map<std::string, std::vector<FakeCall>> calls;
    // Per operation, the error numbers of its next calls; 0 lets a call succeed.
    std::map<std::string, std::deque<uint32_t>> failures;
    std::deque<uint32_t> statuses;         // for query_status; 200 when empty
    std::deque<uint32_t> dialog_decisions; // for error_dialog; cancelled when empty
    std::string response;                  // what read hands out, read_piece bytes at most
    uint32_t read_piece = 0;               // 0: no limit
    http_platform_status_fn status_callback = nullptr;
    std::set<uintptr_t> open_handles;
    uintptr_t next_handle = 0x1000;
    uint32_t last_error = 0;
};

// The one fake the layer functions act on; tests reset it in their set-up.
extern FakePlatform g_fake;

#endif
