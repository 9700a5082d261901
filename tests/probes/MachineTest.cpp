// Probes only a real machine answers: group membership (Wine's user is always an
// Administrator and never a Power User), running processes, version resources
// and HTTP through a loopback server.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "runtime/OSInfo.h"

namespace {

std::string ExeFolder()
{
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\'));
}

std::string StubPath() { return ExeFolder() + "\\probe_waitstub.exe"; }

// A folder of its own under %TEMP%, removed with what the test put there.
class TTempFolder {
public:
    TTempFolder()
    {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        Path = std::string(temp) + "probes_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(Path.c_str(), nullptr);
    }
    ~TTempFolder()
    {
        for (const std::string& file : Files)
            DeleteFileA(file.c_str());
        RemoveDirectoryA(Path.c_str());
    }
    std::string Add(const std::string& name)
    {
        Files.push_back(Path + "\\" + name);
        return Files.back();
    }
    std::string Path;
    std::vector<std::string> Files;
};

TEST(MachineGroups, AdministratorsYesPowerUsersNoByBothPaths)
{
    EXPECT_TRUE(TOSInfo::IsInLocalGroupByCheck(DOMAIN_ALIAS_RID_ADMINS));
    EXPECT_TRUE(TOSInfo::IsInLocalGroupByTokenGroups(DOMAIN_ALIAS_RID_ADMINS));
    EXPECT_FALSE(TOSInfo::IsInLocalGroupByCheck(DOMAIN_ALIAS_RID_POWER_USERS));
    EXPECT_FALSE(TOSInfo::IsInLocalGroupByTokenGroups(DOMAIN_ALIAS_RID_POWER_USERS));
    EXPECT_TRUE(TOSInfo::IsAdministrator());
    EXPECT_FALSE(TOSInfo::IsPowerUser());
    EXPECT_TRUE(TOSInfo::IsAdminOrPowerUser());
}

TEST(MachineProcesses, RunningStubIsFoundByAnyCaseAndByFullPathAndGoneAfterItEnds)
{
    TTempFolder folder;
    std::string exe = folder.Add("MiXeD.exe");
    ASSERT_TRUE(CopyFileA(StubPath().c_str(), exe.c_str(), FALSE)) << GetLastError();
    std::string eventName = "probes-stop-" + std::to_string(GetCurrentProcessId());
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(stop, nullptr);
    std::string command = "\"" + exe + "\" " + eventName;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               folder.Path.c_str(), &startup, &process))
        << GetLastError();

    EXPECT_EQ(TOSInfo::FindProcessId("mixed.EXE"), static_cast<int64_t>(process.dwProcessId));
    EXPECT_EQ(TOSInfo::FindProcessId(exe), static_cast<int64_t>(process.dwProcessId));
    EXPECT_TRUE(TOSInfo::IsProcessRunning("C:\\elsewhere\\MIXED.exe"));
    EXPECT_FALSE(TOSInfo::IsProcessRunning("mixed"));

    SetEvent(stop);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(stop);
    EXPECT_EQ(TOSInfo::FindProcessId("mixed.EXE"), -1);
}

TEST(MachineFiles, VersionResourceReadsAsFourNumbersAndATextFileAsEmpty)
{
    EXPECT_EQ(TOSInfo::GetFileVersionString(StubPath()), "5.4.3.210");
    TTempFolder folder;
    std::string text = folder.Add("plain.txt");
    HANDLE file = CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "not a program\r\n", 15, &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(TOSInfo::GetFileVersionString(text), "");
    EXPECT_EQ(TOSInfo::GetFileVersionString(folder.Path + "\\missing.dll"), "");
}

// ---- A loopback HTTP server: one connection, answered or left silent ----

class TLoopbackServer {
public:
    enum class TMode { Status200, Status404, Silent };

    explicit TLoopbackServer(TMode mode) : mode_(mode)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0 || listen(listener_, 4) != 0)
            return;
        Port = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TLoopbackServer()
    {
        done_ = true;
        closesocket(listener_);
        if (thread_.joinable())
            thread_.join();
        WSACleanup();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(Port) + "/probe"; }

    // A port nothing listens on: bound, read back and closed again.
    static int ClosedPort()
    {
        TLoopbackServer closed(TMode::Silent);
        return closed.Port;
    }

    int Port = 0;

private:
    // Waits for the socket to become readable, at most 30 s in all (a safety net:
    // a test that never connects cannot hold the server).
    bool Readable(SOCKET s)
    {
        for (int tenths = 0; tenths < 300 && !done_; ++tenths) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s, &set);
            timeval wait = {0, 100000};
            int ready = select(0, &set, nullptr, nullptr, &wait);
            if (ready != 0)
                return ready > 0;
        }
        return false;
    }

    void Serve()
    {
        if (!Readable(listener_))
            return;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos && Readable(client)) {
            int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, got);
        }
        if (mode_ == TMode::Silent) {
            while (!done_ && Readable(client) && recv(client, buffer, sizeof buffer, 0) > 0) {
            }
        } else {
            std::string reply = mode_ == TMode::Status200
                                    ? "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok"
                                    : "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            send(client, reply.data(), static_cast<int>(reply.size()), 0);
        }
        closesocket(client);
    }

    TMode mode_;
    SOCKET listener_ = INVALID_SOCKET;
    std::thread thread_;
    std::atomic<bool> done_{false};
};

TEST(MachineInternet, AnyHttpAnswerCountsAsAvailable)
{
    TLoopbackServer ok(TLoopbackServer::TMode::Status200);
    ASSERT_NE(ok.Port, 0);
    EXPECT_TRUE(TOSInfo::IsInternetAvailableAt(ok.Url()));
    TLoopbackServer missing(TLoopbackServer::TMode::Status404);
    ASSERT_NE(missing.Port, 0);
    EXPECT_TRUE(TOSInfo::IsInternetAvailableAt(missing.Url()));
}

TEST(MachineInternet, ClosedPortAndSilentServerAreUnavailable)
{
    int closed = TLoopbackServer::ClosedPort();
    ASSERT_NE(closed, 0);
    EXPECT_FALSE(TOSInfo::IsInternetAvailableAt("http://127.0.0.1:" + std::to_string(closed) + "/"));
    TLoopbackServer silent(TLoopbackServer::TMode::Silent);
    ASSERT_NE(silent.Port, 0);
    EXPECT_FALSE(TOSInfo::IsInternetAvailableAt(silent.Url()));  // after the 10 s receive timeout
    EXPECT_FALSE(TOSInfo::IsInternetAvailableAt("not a url"));
}

}  // namespace
