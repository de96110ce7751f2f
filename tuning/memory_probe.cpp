#include "memory_probe.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/sysinfo.h>
#endif

// A new heap text of at most kMemoryTextLimit characters.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
static char *
FormatMemoryText(const char *format, ...)
{
    char *text = (char *)malloc(kMemoryTextLimit + 1);
    if (text == NULL)
        return NULL;
    va_list args;
    va_start(args, format);
    vsnprintf(text, kMemoryTextLimit + 1, format, args);
    va_end(args);
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
    return FormatMemoryText("%d", whole);
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
