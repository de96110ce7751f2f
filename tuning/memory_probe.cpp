#include "memory_probe.h"

#include <stdio.h>
#include <stdlib.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/sysinfo.h>
#endif

static char *FormatMemoryText(const char *format, double value)
{
    char *text = (char *)malloc(kMemoryTextLimit + 1);
    if (text == NULL)
        return NULL;
    snprintf(text, kMemoryTextLimit + 1, format, value);
    return text;
}

char *FormatMemGB(unsigned long long bytes)
{
    // Converted as unsigned, so counts of 2^63 and more stay positive.
    return FormatMemoryText("%.2f", (double)bytes / 1073741824.0);
}

char *FormatMemMB(unsigned long long bytes)
{
    double mib = (double)bytes / 1048576.0;
    int whole = mib >= 2147483647.0 ? 2147483647 : (int)mib;
    char *text = (char *)malloc(kMemoryTextLimit + 1);
    if (text == NULL)
        return NULL;
    snprintf(text, kMemoryTextLimit + 1, "%d", whole);
    return text;
}

unsigned long long TotalPhysicalMemory(void)
{
#ifdef _WIN32
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    return status.ullTotalPhys;
#else
    struct sysinfo info;
    if (sysinfo(&info) != 0)
        return 0;
    return (unsigned long long)info.totalram * info.mem_unit;
#endif
}

char *GetTotalPhysMemGB(void)
{
    return FormatMemGB(TotalPhysicalMemory());
}

char *GetTotalPhysMemMB(void)
{
    return FormatMemMB(TotalPhysicalMemory());
}
