/* Stand-in text editor for the error dialog's editor button: appends its
   command line to editor.log beside itself and exits. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR args, int show)
{
    char path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    (void)inst; (void)prev; (void)args; (void)show;
    if (n == 0 || n >= MAX_PATH)
        return 1;
    char *slash = strrchr(path, '\\');
    strcpy(slash ? slash + 1 : path, "editor.log");
    FILE *f = fopen(path, "ab");
    if (!f)
        return 1;
    fprintf(f, "%s\n", GetCommandLineA());
    fclose(f);
    return 0;
}
