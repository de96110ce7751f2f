// Prints the total physical memory as the platform reports it, then the MiB and GiB texts that
// getVantorel sends for it, one per line.
#include "memory_probe.h"

#include <stdio.h>
#include <stdlib.h>

int main(void)
{
    char *mib = GetTotalPhysMemMB();
    char *gib = GetTotalPhysMemGB();
    if (mib == NULL || gib == NULL) {
        free(mib);
        free(gib);
        return 1;
    }
    printf("%llu\n%s\n%s\n", TotalPhysicalMemory(), mib, gib);
    free(mib);
    free(gib);
    return 0;
}
