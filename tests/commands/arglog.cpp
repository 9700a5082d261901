// arglog: a program for commands to start. Appends what it was given to
// %TEMP%\arglog.txt (or the file ARGLOG_FILE names), one block per run:
//   RUN <tag>                  the first argument
//   CWD <working folder>
//   ARG<i> <length> <0|1> <text>   1 when the argument names an existing file or folder
//   END
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    char temp[MAX_PATH + 1] = {};
    char cwd[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    GetCurrentDirectoryA(sizeof cwd, cwd);
    char named[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableA("ARGLOG_FILE", named, sizeof named);
    std::string file = length > 0 && length < sizeof named ? std::string(named) : std::string(temp) + "arglog.txt";
    std::FILE* log = std::fopen(file.c_str(), "ab");
    if (!log)
        return 2;
    std::fprintf(log, "RUN %s\r\nCWD %s\r\n", argc > 1 ? argv[1] : "", cwd);
    for (int i = 1; i < argc; ++i) {
        bool exists = GetFileAttributesA(argv[i]) != INVALID_FILE_ATTRIBUTES;
        std::fprintf(log, "ARG%d %u %d %s\r\n", i, static_cast<unsigned>(std::string(argv[i]).size()), exists ? 1 : 0, argv[i]);
    }
    std::fprintf(log, "END\r\n");
    std::fclose(log);
    return 0;
}
