// testproc: process helpers for end-to-end scripts (wine returns when its program
// ends, while processes that program started go on).
//   testproc wait NAME SECONDS         polls until no process named NAME runs; 1 on timeout
//   testproc hold FILE READY STOP SECONDS
//                                      opens FILE without sharing, creates READY, keeps
//                                      FILE open until STOP exists; 1 on timeout or failure
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD PollMs = 100;

bool IsRunning(const char* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return true;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return found;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int Wait(const char* name, DWORD seconds)
{
    for (DWORD waited = 0; waited < seconds * 1000; waited += PollMs) {
        if (!IsRunning(name))
            return 0;
        Sleep(PollMs);
    }
    std::fprintf(stderr, "testproc: %s still runs after %lu s\n", name, seconds);
    return 1;
}

int Hold(const char* file, const char* ready, const char* stop, DWORD seconds)
{
    HANDLE held = CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "testproc: cannot open %s (%lu)\n", file, GetLastError());
        return 1;
    }
    HANDLE marker = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    int rc = 1;
    for (DWORD waited = 0; waited < seconds * 1000; waited += PollMs) {
        if (Exists(stop)) {
            rc = 0;
            break;
        }
        Sleep(PollMs);
    }
    CloseHandle(held);
    return rc;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "wait") == 0)
        return Wait(argv[2], std::strtoul(argv[3], nullptr, 10));
    if (argc == 6 && std::strcmp(argv[1], "hold") == 0)
        return Hold(argv[2], argv[3], argv[4], std::strtoul(argv[5], nullptr, 10));
    std::fprintf(stderr, "usage: testproc wait NAME SECONDS | hold FILE READY STOP SECONDS\n");
    return 2;
}
