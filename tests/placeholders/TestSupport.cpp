#include "TestSupport.h"
#include "winlib/Path.h"

#include <gtest/gtest.h>

#include <vector>

namespace phtest {

std::string TempPathNoSlash()
{
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    std::string path(buffer, length);
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string MakeScratchDir(const std::string& parent, const std::string& stem)
{
    for (unsigned n = GetTickCount() % 100000;; ++n) {
        std::string dir = parent + "\\" + stem + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(n);
        if (CreateDirectoryA(dir.c_str(), nullptr))
            return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create " << dir << ": error " << GetLastError();
            return dir;
        }
    }
}


std::string EnvValue(const char* name)
{
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0)
        return std::string();
    std::vector<char> buffer(size);
    DWORD length = GetEnvironmentVariableA(name, buffer.data(), size);
    return std::string(buffer.data(), length);
}

bool SameTextAscii(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                                  b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

TTempOverride::TTempOverride(const std::string& dir)
    : oldTmp_(EnvValue("TMP")), oldTemp_(EnvValue("TEMP")),
      hadTmp_(GetEnvironmentVariableA("TMP", nullptr, 0) != 0), hadTemp_(GetEnvironmentVariableA("TEMP", nullptr, 0) != 0)
{
    SetEnvironmentVariableA("TMP", dir.c_str());
    SetEnvironmentVariableA("TEMP", dir.c_str());
}

TTempOverride::~TTempOverride()
{
    SetEnvironmentVariableA("TMP", hadTmp_ ? oldTmp_.c_str() : nullptr);
    SetEnvironmentVariableA("TEMP", hadTemp_ ? oldTemp_.c_str() : nullptr);
}

HKEY TScratchKeys::Create(HKEY root, REGSAM view) const
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(root, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    EXPECT_EQ(result, ERROR_SUCCESS) << "creating " << path_;
    return key;
}

void TScratchKeys::SetString(HKEY root, REGSAM view, const std::string& value, const std::string& data) const
{
    HKEY key = Create(root, view);
    EXPECT_EQ(RegSetValueExA(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)), ERROR_SUCCESS);
    RegCloseKey(key);
}

void TScratchKeys::SetDword(HKEY root, REGSAM view, const std::string& value, DWORD data) const
{
    HKEY key = Create(root, view);
    EXPECT_EQ(RegSetValueExA(key, value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TScratchKeys::~TScratchKeys()
{
    // The top key of the scratch path, so that no empty parent is left behind.
    std::string top = path_.substr(0, path_.find('\\', path_.find('\\') + 1));
    if (top.rfind("Software\\", 0) != 0)
        top = path_.substr(0, path_.find('\\'));
    const REGSAM views[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(root, top.c_str(), 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
                RegDeleteTreeA(key, nullptr);
                RegCloseKey(key);
                RegDeleteKeyExA(root, top.c_str(), view, 0);
            }
        }
    }
}

}  // namespace phtest
