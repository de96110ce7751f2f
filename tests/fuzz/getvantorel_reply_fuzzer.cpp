// getVantorel's main flow, plug-in, runtime and binding over the scripted platform layer, which
// answers with the input; every handle must be closed at the end. Byte 0 picks the HTTP status,
// byte 1 caps each read (0: no cap), byte 2 makes that read fail with a reset (0: none), the
// rest is the response body.
#include "fuzz_check.h"
#include "http_platform_fake.h"
#include "tuning_flow.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const uint32_t kStatuses[] = {200, 500, 400, 401, 407, 202, 404, 200};
    if (size < 3)
        return -1; // not kept in the corpus
    g_fake = FakePlatform();
    FakePlatform &fake = g_fake;
    fake.statuses = {kStatuses[data[0] % (sizeof(kStatuses) / sizeof(kStatuses[0]))]};
    fake.read_piece = data[1];
    if (data[2]) {
        std::deque<uint32_t> &reads = fake.failures["read"];
        reads.assign(data[2] - 1u, 0);
        reads.push_back(HTTP_PLATFORM_ERROR_CONNECTION_RESET);
    }
    fake.response.assign(reinterpret_cast<const char *>(data) + 3, size - 3);

    RunGetVantorel("9.1", "server", "oltp");
    check(fake.open_handles.empty());
    return 0;
}
