#include "authoring/AppState.h"

#include <shlobj.h>

#include <cstdio>

#include "winlib/Path.h"

TAppState& AppState()
{
    static TAppState state;
    return state;
}

TRegistryHome& RegistryHome()
{
    static TRegistryHome home;
    return home;
}

std::vector<std::string>& Parameters()
{
    static std::vector<std::string> parameters;
    return parameters;
}

int FindSwitch(const std::string& sw)
{
    const std::vector<std::string>& params = Parameters();
    for (size_t i = 0; i < params.size(); ++i)
        if (lstrcmpiA(params[i].c_str(), sw.c_str()) == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

std::string ParamStr(int index)
{
    const std::vector<std::string>& params = Parameters();
    if (index < 1 || index > static_cast<int>(params.size()))
        return std::string();
    return params[static_cast<size_t>(index) - 1];
}

std::string GetSpecialFolder(int csidl)
{
    if (csidl == 0)
        return winlib::IncludeTrailingBackslash(
            winlib::AskSizedText([](char* buffer, unsigned long size) { return GetTempPathA(size, buffer); }));
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || items == nullptr)
        return std::string();
    char path[MAX_PATH + 1] = {};
    BOOL found = SHGetPathFromIDListA(items, path);
    CoTaskMemFree(items);
    if (!found || path[0] == '\0')
        return std::string();
    return winlib::IncludeTrailingBackslash(path);
}

TVersionStrings::TVersionStrings(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return;
    data_.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data_.data()))
        return;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length) || length < sizeof(DWORD))
        return;
    const WORD* translation = static_cast<const WORD*>(value);  // language, then code page
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", translation[0], translation[1]);
    prefix_ = prefix;
}

bool TVersionStrings::Has(const std::string& name) const
{
    void* value = nullptr;
    UINT length = 0;
    return Found() && VerQueryValueA(const_cast<char*>(data_.data()), (prefix_ + name).c_str(), &value, &length);
}

std::string TVersionStrings::Value(const std::string& name) const
{
    void* value = nullptr;
    UINT length = 0;
    if (!Found() || !VerQueryValueA(const_cast<char*>(data_.data()), (prefix_ + name).c_str(), &value, &length) ||
        length == 0)
        return std::string();
    return std::string(static_cast<const char*>(value));
}

std::string GetFileProductVersion(const std::string& path) { return TVersionStrings(path).Value("ProductVersion"); }

bool IsRegionalLanguageId(LANGID id)
{
    static const LANGID regional[] = {0x0419, 0x0422, 0x0423, 0x043F, 0x0440, 0x0819};
    for (LANGID r : regional)
        if (id == r)
            return true;
    return false;
}

bool IsRegionalLocale() { return IsRegionalLanguageId(GetSystemDefaultLangID()); }

std::string ProgramPath()
{
    // GetModuleFileNameA cuts a long path without saying how long it is: grow until it fits.
    std::string buffer(MAX_PATH + 1, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return buffer.substr(0, length);
        buffer.assign(buffer.size() * 2, '\0');
    }
}
