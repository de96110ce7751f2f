/* A stand-in add-on installer for the Wine tests: appends its arguments, one per line in
 * UTF-8, and then a line "." to arguments.log beside itself, so that each start, and how
 * many arguments it got, can be told apart. */
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    wchar_t *slash = wcsrchr(path, L'\\');
    if (length == 0 || length >= MAX_PATH || !slash || slash - path + 15 > MAX_PATH)
        return 2;
    wcscpy(slash + 1, L"arguments.log");
    FILE *log = _wfopen(path, L"ab");
    if (!log)
        return 2;
    for (int i = 1; i < argc; ++i) {
        char text[4096];
        int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text, sizeof text, NULL, NULL);
        fprintf(log, "%s\n", size > 0 ? text : "?");
    }
    fputs(".\n", log);
    fclose(log);
    return 0;
}
