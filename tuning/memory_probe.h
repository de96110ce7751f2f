// Total physical memory of this machine as the two texts sent to the service.
#ifndef TUNING_MEMORY_PROBE_H
#define TUNING_MEMORY_PROBE_H

// Longest memory text; each is formatted into kMemoryTextLimit + 1 bytes.
enum { kMemoryTextLimit = 10 };

// "%.2f" of bytes / 2^30, rounded. New heap text (free()), null when out of memory.
char *FormatMemGB(unsigned long long bytes);

// "%d" of bytes / 2^20, truncated toward zero. Counts beyond the signed 32-bit range
// (2 PiB and more) give its maximum rather than an undefined conversion.
char *FormatMemMB(unsigned long long bytes);

// Total physical memory in bytes: GlobalMemoryStatusEx on Windows, the kernel's figure
// elsewhere. 0 when the query fails.
unsigned long long TotalPhysicalMemory(void);

char *GetTotalPhysMemGB(void);
char *GetTotalPhysMemMB(void);

#endif
