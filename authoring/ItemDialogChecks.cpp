#include "authoring/ItemDialogChecks.h"

#include <cctype>

#include "winlib/Path.h"
#include "winlib/StringList.h"

bool IsInteger32(const std::string& text)
{
    long long value = 0;
    return !text.empty() && text[0] != '+' && winlib::ParseDecimal(text, -2147483648LL, 2147483647LL, value);
}

bool IsHexByteList(const std::string& text)
{
    for (size_t i = 0; i < text.size(); i += 3) {
        if (i + 2 > text.size() || !std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
            return false;
        if (i + 2 < text.size() && text[i + 2] != ',' && text[i + 2] != ' ')
            return false;
        if (i + 3 == text.size())  // a separator with no pair after it
            return false;
    }
    return true;
}

bool HasKnownRegistryRoot(const std::string& key)
{
    static const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                        "HKEY_USERS",        "HKCR",              "HKCU",
                                        "HKLM",              "HKU"};
    size_t slash = key.find('\\');
    if (slash == std::string::npos)
        return false;
    std::string root = key.substr(0, slash);
    // A root alone ("HKCU\") would put the value at the top of the hive.
    if (key.find_first_not_of('\\', slash) == std::string::npos)
        return false;
    for (const char* known : roots)
        if (winlib::SameText(root, known))
            return true;
    return false;
}

bool IsVariableName(const std::string& name)
{
    return name.size() > 2 && name.front() == '<' && name.back() == '>';
}

std::string StripOneTrailingBackslash(const std::string& path)
{
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

std::string BelowSetupTempDir(const std::string& path)
{
    static const std::string kPlaceholder = "<SETUPTEMPDIR>";
    size_t at = winlib::UpperCase(path).find(kPlaceholder);
    if (at == std::string::npos)
        return std::string();
    std::string rest = path.substr(at + kPlaceholder.size());
    return !rest.empty() && rest[0] == '\\' ? rest.substr(1) : rest;
}

std::string FileTitleOf(const std::string& path)
{
    std::string name = winlib::ExtractFileName(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string RegisterTypeForFile(const std::string& path)
{
    struct TRule {
        const char* Ext;
        const char* Type;
    };
    // ".SRC" stays beside ".SCR": projects may hold screen savers under either.
    static const TRule rules[] = {
        {".DLL", "DLL/ActiveX"}, {".OCX", "DLL/ActiveX"}, {".TLB", "Type Library"}, {".TTF", "Font"},
        {".FON", "Font"},        {".FOT", "Font"},        {".FNT", "Font"},         {".SCR", "ScreenSaver"},
        {".SRC", "ScreenSaver"},
    };
    std::string ext = winlib::UpperCase(winlib::ExtractFileExt(path));
    for (const TRule& rule : rules)
        if (ext == rule.Ext)
            return rule.Type;
    return std::string();
}
