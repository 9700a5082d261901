/* A program the end-to-end tests script through "<its name>.stub" beside it: a
 * fix-up that records its parameters and changes the machine, an application
 * that stays running, or an uninstaller that never removes anything. One
 * command per line:
 *   record FILE          append this run's parameters (the command line after
 *                        the program) as one line to FILE
 *   touch FILE           create FILE
 *   regdword VIEW|KEY|NAME|VALUE  set a DWORD in HKLM\KEY, VIEW 32 or 64
 *   waitfor FILE         wait until FILE exists (at most 120 s)
 *   exit CODE            end with CODE
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* Parameters(void)
{
    const char* p = GetCommandLineA();
    if (*p == '"') {
        p = strchr(p + 1, '"');
        p = p ? p + 1 : "";
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

static void Record(const char* file)
{
    FILE* f = fopen(file, "ab");
    if (f) {
        fprintf(f, "%s\n", Parameters());
        fclose(f);
    }
}

static void Touch(const char* file)
{
    FILE* f = fopen(file, "ab");
    if (f)
        fclose(f);
}

static void WaitFor(const char* file)
{
    for (int i = 0; i < 2400 && GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
}

static void RegDword(char* args)
{
    char* view = strtok(args, "|");
    char* key = strtok(NULL, "|");
    char* name = strtok(NULL, "|");
    char* value = strtok(NULL, "|");
    HKEY h;
    if (!view || !key || !name || !value)
        return;
    REGSAM sam = KEY_SET_VALUE | (strcmp(view, "64") == 0 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, NULL, 0, sam, NULL, &h, NULL) == ERROR_SUCCESS) {
        DWORD number = strtoul(value, NULL, 10);
        RegSetValueExA(h, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number);
        RegCloseKey(h);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char script[MAX_PATH + 8];
    char line[1024];
    int code = 0;
    (void)instance; (void)previous; (void)commandLine; (void)show;
    DWORD n = GetModuleFileNameA(NULL, script, MAX_PATH);
    char* dot = strrchr(script, '.');
    if (n == 0 || !dot)
        return 99;
    strcpy(dot, ".stub");
    FILE* f = fopen(script, "rb");
    if (!f)
        return 98;
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = '\0';
        char* arg = strchr(line, ' ');
        if (arg)
            *arg++ = '\0';
        else
            arg = line + strlen(line);
        if (strcmp(line, "record") == 0) Record(arg);
        else if (strcmp(line, "touch") == 0) Touch(arg);
        else if (strcmp(line, "regdword") == 0) RegDword(arg);
        else if (strcmp(line, "waitfor") == 0) WaitFor(arg);
        else if (strcmp(line, "exit") == 0) code = atoi(arg);
    }
    fclose(f);
    return code;
}
