// The registry with an explicit view. Only HKLM\Software has two views on
// 64-bit Windows (HKCU\Software is shared); the caller names the view it means,
// because a 64-bit program would otherwise always get the 64-bit one.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace winlib {

enum class RegView { View32, View64 };

// One open key. Every call answers with its Win32 code (ERROR_SUCCESS = 0).
class TRegistry {
public:
    TRegistry(HKEY root, RegView view);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY Root() const { return root_; }
    RegView View() const { return view_; }
    REGSAM ViewFlag() const;  // KEY_WOW64_32KEY or KEY_WOW64_64KEY

    LONG OpenKey(const std::string& key, bool canCreate);  // full access
    LONG OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool IsOpen() const { return key_ != nullptr; }
    const std::string& CurrentPath() const { return path_; }

    bool KeyExists(const std::string& key) const;  // below the root
    bool ValueExists(const std::string& name) const;

    LONG ReadString(const std::string& name, std::string& value) const;  // REG_SZ or REG_EXPAND_SZ, not expanded
    LONG ReadInteger(const std::string& name, DWORD& value) const;       // REG_DWORD
    LONG ReadBinary(const std::string& name, std::vector<unsigned char>& value) const;
    LONG ReadType(const std::string& name, DWORD& type) const;

    LONG WriteString(const std::string& name, const std::string& value);
    LONG WriteExpandString(const std::string& name, const std::string& value);
    LONG WriteInteger(const std::string& name, DWORD value);
    LONG WriteBinary(const std::string& name, const std::vector<unsigned char>& value);

    LONG GetValueNames(std::vector<std::string>& names) const;
    LONG GetKeyNames(std::vector<std::string>& names) const;
    LONG DeleteValue(const std::string& name);
    // Deletes key (below the root) with all its subkeys, in this object's view.
    LONG DeleteKey(const std::string& key);

private:
    HKEY root_;
    RegView view_;
    HKEY key_ = nullptr;
    std::string path_;
};

}  // namespace winlib
