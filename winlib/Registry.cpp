#include "winlib/Registry.h"

namespace winlib {

namespace {

// Queries a value's type and size, then reads it into a buffer of that size; a value
// that grows between the two calls is read again with the new size.
LONG QueryValue(HKEY key, const std::string& name, DWORD& type, std::vector<unsigned char>& data)
{
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    while (result == ERROR_SUCCESS) {
        data.assign(size, 0);
        result = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size);
            return ERROR_SUCCESS;
        }
        if (result == ERROR_MORE_DATA)
            result = ERROR_SUCCESS;
    }
    return result;
}

LONG SetValue(HKEY key, const std::string& name, DWORD type, const void* data, size_t size)
{
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    if (size > MAXDWORD)
        return ERROR_INVALID_PARAMETER;
    return RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

LONG SetString(HKEY key, const std::string& name, DWORD type, const std::string& value)
{
    // A NUL inside would silently cut the stored text.
    if (value.find('\0') != std::string::npos)
        return ERROR_INVALID_DATA;
    return SetValue(key, name, type, value.c_str(), value.size() + 1);
}

// Enumerates value names (values = true) or subkey names with a buffer sized from
// the key's longest name; names added while enumerating restart the sizing.
LONG EnumNames(HKEY key, bool values, std::vector<std::string>& names)
{
    names.clear();
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    DWORD maxSubkey = 0, maxValue = 0;
    LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxSubkey, nullptr, nullptr, &maxValue,
                                   nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    std::string buffer((values ? maxValue : maxSubkey) + 1, '\0');
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        result = values ? RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumKeyExA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result == ERROR_MORE_DATA) {
            buffer.assign(buffer.size() * 2, '\0');
            continue;
        }
        if (result != ERROR_SUCCESS)
            return result;
        names.emplace_back(buffer.data(), length);
        ++index;
    }
}

using RegDeleteKeyExAProc = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);

// RegDeleteKeyExA is missing from 32-bit Windows XP; there RegDeleteKeyA is all
// there is, and that system has only one view anyway.
LONG DeleteOneKey(HKEY root, const std::string& path, REGSAM view)
{
    static const RegDeleteKeyExAProc deleteKeyEx = reinterpret_cast<RegDeleteKeyExAProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    if (deleteKeyEx != nullptr)
        return deleteKeyEx(root, path.c_str(), view, 0);
    return RegDeleteKeyA(root, path.c_str());
}

LONG DeleteTree(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, &key);
    if (result != ERROR_SUCCESS)
        return result;
    // Collect first: deleting while enumerating would shift the indexes.
    std::vector<std::string> subkeys;
    result = EnumNames(key, false, subkeys);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return result;
    for (const std::string& name : subkeys) {
        result = DeleteTree(root, path + "\\" + name, view);
        if (result != ERROR_SUCCESS)
            return result;
    }
    return DeleteOneKey(root, path, view);
}

}  // namespace

TRegistry::TRegistry(HKEY root, RegView view) : root_(root), view_(view)
{
}

TRegistry::~TRegistry()
{
    CloseKey();
}

REGSAM TRegistry::ViewFlag() const
{
    return view_ == RegView::View32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

LONG TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    HKEY handle = nullptr;
    LONG result = canCreate ? RegCreateKeyExA(root_, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                              KEY_ALL_ACCESS | ViewFlag(), nullptr, &handle, nullptr)
                            : RegOpenKeyExA(root_, key.c_str(), 0, KEY_ALL_ACCESS | ViewFlag(), &handle);
    if (result != ERROR_SUCCESS)
        return result;
    CloseKey();
    key_ = handle;
    path_ = key;
    return ERROR_SUCCESS;
}

LONG TRegistry::OpenKeyReadOnly(const std::string& key)
{
    HKEY handle = nullptr;
    LONG result = RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ | ViewFlag(), &handle);
    if (result != ERROR_SUCCESS)
        return result;
    CloseKey();
    key_ = handle;
    path_ = key;
    return ERROR_SUCCESS;
}

void TRegistry::CloseKey()
{
    if (key_ != nullptr) {
        // Closing a key we opened only fails on a bad handle, which this class never holds.
        RegCloseKey(key_);
        key_ = nullptr;
    }
    path_.clear();
}

bool TRegistry::KeyExists(const std::string& key) const
{
    HKEY handle = nullptr;
    LONG result = RegOpenKeyExA(root_, key.c_str(), 0, KEY_QUERY_VALUE | ViewFlag(), &handle);
    if (result == ERROR_SUCCESS)
        RegCloseKey(handle);
    // A key we may not read still exists.
    return result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED;
}

bool TRegistry::ValueExists(const std::string& name) const
{
    return key_ != nullptr && RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG TRegistry::ReadString(const std::string& name, std::string& value) const
{
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    LONG result = QueryValue(key_, name, type, data);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATATYPE;
    // Stored text may or may not carry its terminator; it ends at the first NUL.
    size_t length = 0;
    while (length < data.size() && data[length] != 0)
        ++length;
    value.assign(reinterpret_cast<const char*>(data.data()), length);
    return ERROR_SUCCESS;
}

LONG TRegistry::ReadInteger(const std::string& name, DWORD& value) const
{
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    LONG result = QueryValue(key_, name, type, data);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_DWORD || data.size() != sizeof(DWORD))
        return ERROR_INVALID_DATATYPE;
    value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 | static_cast<DWORD>(data[2]) << 16 |
            static_cast<DWORD>(data[3]) << 24;
    return ERROR_SUCCESS;
}

LONG TRegistry::ReadBinary(const std::string& name, std::vector<unsigned char>& value) const
{
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    LONG result = QueryValue(key_, name, type, data);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_BINARY)
        return ERROR_INVALID_DATATYPE;
    value = std::move(data);
    return ERROR_SUCCESS;
}

LONG TRegistry::ReadType(const std::string& name, DWORD& type) const
{
    if (key_ == nullptr)
        return ERROR_INVALID_HANDLE;
    return RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, nullptr);
}

LONG TRegistry::WriteString(const std::string& name, const std::string& value)
{
    return SetString(key_, name, REG_SZ, value);
}

LONG TRegistry::WriteExpandString(const std::string& name, const std::string& value)
{
    return SetString(key_, name, REG_EXPAND_SZ, value);
}

LONG TRegistry::WriteInteger(const std::string& name, DWORD value)
{
    return SetValue(key_, name, REG_DWORD, &value, sizeof value);
}

LONG TRegistry::WriteBinary(const std::string& name, const std::vector<unsigned char>& value)
{
    return SetValue(key_, name, REG_BINARY, value.data(), value.size());
}

LONG TRegistry::GetValueNames(std::vector<std::string>& names) const
{
    return EnumNames(key_, true, names);
}

LONG TRegistry::GetKeyNames(std::vector<std::string>& names) const
{
    return EnumNames(key_, false, names);
}

LONG TRegistry::DeleteValue(const std::string& name)
{
    if (key_ == nullptr)
        return ERROR_INVALID_HANDLE;
    return RegDeleteValueA(key_, name.c_str());
}

LONG TRegistry::DeleteKey(const std::string& key)
{
    // An empty name would mean the root itself.
    std::string path = key;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (path.empty())
        return ERROR_INVALID_PARAMETER;
    return DeleteTree(root_, path, ViewFlag());
}

}  // namespace winlib
