#include "sample_profile.h"

#include <algorithm>

namespace {

std::string Mb(long long value)
{
    return std::to_string(value) + "MB";
}

std::string Kb(long long value)
{
    return std::to_string(value) + "kB";
}

} // namespace

std::vector<ProfileSetting> MakeSampleProfile(long long memoryMiB, const std::string &installType,
                                              const std::string &workload)
{
    const long long ram = std::max(memoryMiB, 256LL);
    // A desktop install shares the machine; a dedicated server gets all of it.
    const long long usable = installType == "desktop" ? ram / 4 : ram;

    long long connections = workload == "web" ? 400 : workload == "dw" ? 40 : 150;
    if (ram < 2048)
        connections = std::min(connections, 100LL);

    const long long bufferPool = std::clamp(usable / 4, 32LL, 64LL * 1024);
    const long long cacheEstimate = usable * 3 / 4;
    const long long maintenance = std::clamp(usable / 16, 64LL, 2048LL);
    // Sort memory: what is left after the buffer pool, shared by every connection running
    // a few sorts at once; reporting queries run fewer and larger sorts.
    const int sortsPerQuery = workload == "dw" ? 2 : 4;
    const long long sortKb =
        std::max((usable - bufferPool) * 1024 / (connections * sortsPerQuery), 1024LL);
    const long long logBufferKb = std::clamp(bufferPool * 1024 / 32, 64LL, 16LL * 1024);
    const long long logMax = workload == "dw" ? 16384 : ram >= 8192 ? 4096 : 1024;
    const long long workers = std::clamp(ram / 2048, 2LL, 16LL);

    return {
        {"buffer_pool_size", Mb(bufferPool)},
        {"file_cache_estimate", Mb(cacheEstimate)},
        {"sort_memory", Kb(sortKb)},
        {"maintenance_memory", Mb(maintenance)},
        {"max_connections", std::to_string(connections)},
        {"log_buffer_size", Kb(logBufferKb)},
        {"checkpoint_interval", workload == "dw" ? "30min" : "15min"},
        {"checkpoint_spread", "0.9"},
        {"log_size_max", Mb(logMax)},
        {"log_size_min", Mb(logMax / 4)},
        {"random_read_cost", "1.1"},
        {"read_ahead_requests", "200"},
        {"statistics_detail", workload == "dw" ? "500" : "100"},
        {"background_workers", std::to_string(workers)},
        {"query_helpers", std::to_string(std::min(workers / 2, 4LL))},
        {"temp_buffer_size", Mb(std::clamp(usable / 256, 8LL, 256LL))},
        {"large_memory_pages", ram >= 32768 ? "on" : "auto"},
    };
}
