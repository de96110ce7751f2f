#include "profile_line.h"

void WriteProfileLine(FILE *out, const char *name, const char *value)
{
    char line[kProfileLineSize];
    // 199 characters and the terminator: name and value share 198 beside the "=".
    snprintf(line, sizeof(line), "%s=%s", name ? name : "", value ? value : "");
    fprintf(out, "%s\n", line);
}
