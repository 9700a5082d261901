// The install actions' shared pieces (failure report, record split, COM), and the
// shortcut, INI value and file association actions. Registry values and the
// environment are in ActionsRegistry.cpp, the "other" items in ActionsOther.cpp.
#include "runtime/InstallActions.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <stdexcept>

#include "cabinet/UninstallLogFormat.h"
#include "runtime/Form1.h"
#include "runtime/InstallRun.h"
#include "runtime/PackageView.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/UninstallLog.h"
#include "winlib/Application.h"
#include "winlib/IniFile.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

constexpr char FieldSeparator[] = "*?";
constexpr char BoxCaption[] = "Setup";

// The setup window once it exists (it is the wizard-fields source); nullptr in a
// run without a window.
TForm1* ActionForm() { return dynamic_cast<TForm1*>(Setup().Fields); }

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    return winlib::UpperCase(text).find(winlib::UpperCase(part)) != std::string::npos;
}

// A checked state that also counts a box the window never made as unchecked and
// hidden, as a run without the wizard has none of them.
bool BoxChecked(const winlib::TCheckBox* box) { return box && box->Handle() && box->Checked(); }
bool BoxVisible(const winlib::TCheckBox* box) { return box && box->Handle() && box->Visible(); }

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// "12", "-3": the integer value; anything else 0.
int IntegerOrZero(const std::string& text)
{
    try {
        size_t used = 0;
        int value = std::stoi(text, &used);
        return used == text.size() ? value : 0;
    } catch (const std::exception&) {  // not an integer: the documented default
        return 0;
    }
}

int ShowCommand(const std::string& field)
{
    std::string show = winlib::UpperCase(field);
    if (show == "MAXIMIZE")
        return SW_SHOWMAXIMIZED;
    if (show == "MINIMIZE" || show == "HIDE")
        return SW_SHOWMINNOACTIVE;
    return SW_SHOWNORMAL;
}

// Releases a COM interface on every way out.
template <class T>
struct TComRef {
    T* Ptr = nullptr;
    ~TComRef() { if (Ptr) Ptr->Release(); }
};

// The shortcut filters of the Start-menu page, on the raw record.
bool ShortcutWanted(const std::string& record)
{
    TForm1* form = ActionForm();
    if (!form)
        return true;
    if (ContainsNoCase(record, "<ProgramGroup>") && BoxChecked(&form->CheckBox2))
        return false;
    if (ContainsNoCase(record, "Desktop>") && BoxVisible(&form->CheckDesktop) && !BoxChecked(&form->CheckDesktop))
        return false;
    if (ContainsNoCase(record, "<QuickLaunch>") && BoxVisible(&form->CheckQuick) && !BoxChecked(&form->CheckQuick))
        return false;
    return true;
}

struct TShortcut {
    std::string Link, Target, Description, Parameters, WorkingDir, IconFile;
    int IconIndex = 0;
    int Show = SW_SHOWNORMAL;
};

// False when the link could not be made or saved.
bool SaveShortcut(const TShortcut& s)
{
    EnsureComInitialised();
    TComRef<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.Ptr))))
        return false;
    link.Ptr->SetArguments(s.Parameters.c_str());
    link.Ptr->SetDescription(s.Description.c_str());
    link.Ptr->SetPath(s.Target.c_str());
    std::string workingDir = s.WorkingDir;
    if (workingDir.empty() && winlib::FileExists(s.Target))
        workingDir = winlib::ExtractFileDir(s.Target);
    if (!workingDir.empty())
        link.Ptr->SetWorkingDirectory(workingDir.c_str());
    if (!s.IconFile.empty())
        link.Ptr->SetIconLocation(s.IconFile.c_str(), s.IconIndex);
    link.Ptr->SetShowCmd(s.Show);
    TComRef<IPersistFile> file;
    if (FAILED(link.Ptr->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.Ptr))))
        return false;
    return SUCCEEDED(file.Ptr->Save(Wide(s.Link).c_str(), FALSE));
}

// An association key that exists in the package's view of HKEY_CLASSES_ROOT.
bool ClassesKeyExists(const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | PackageView().RegistryFlag(), &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool SetClassesDefault(const std::string& key, const std::string& value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS | PackageView().RegistryFlag(), nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

// The default value of an HKEY_CLASSES_ROOT key as the log records it: its type
// name and text, or "ABSENT". False when the key cannot be read, or the value is
// of a type the uninstaller could not put back.
bool ReadClassesDefault(const std::string& key, std::string& typeName, std::string& data)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | PackageView().RegistryFlag(), &handle) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE, size = 0;
    std::string buffer;
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {  // it may grow between calls
        size = 0;
        result = RegQueryValueExA(handle, nullptr, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS)
            break;
        buffer.assign(size + 1, '\0');
        size = static_cast<DWORD>(buffer.size());
        result = RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    RegCloseKey(handle);
    if (result == ERROR_FILE_NOT_FOUND) {
        typeName = uninstlog::AssocAbsent;
        data.clear();
        return true;
    }
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer.resize(size);
    while (!buffer.empty() && buffer.back() == '\0')
        buffer.pop_back();
    typeName = type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ";
    data = buffer;
    return true;
}

// The user's earlier choice of program would override the new association.
void ForgetUserChoice(const std::string& ext)
{
    winlib::TRegistry registry(HKEY_CURRENT_USER, PackageView().RegistryView());
    std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\." + ext;
    if (registry.KeyExists(key + "\\UserChoice") && registry.DeleteKey(key + "\\UserChoice") != ERROR_SUCCESS)
        LogLine("Error registry key: HKEY_CURRENT_USER\\" + key + "\\UserChoice");  // the association stands; only the log tells
}

}  // namespace

// ---- Shared pieces ---------------------------------------------------------------

void ReportActionFailure(const std::string& logLine, TLngKey message, const std::string& subject)
{
    LogLine(logLine);
    if (!Setup().SilentSetup) {
        TForm1* form = ActionForm();
        winlib::ShowMessageBox(form ? form->Handle() : nullptr, LanguageText(message, subject), BoxCaption,
                               MB_OK | MB_ICONERROR);
    }
    Setup().InstallErrors = true;
}

void ReportMissingFile(const std::string& logLine, const std::string& file)
{
    LogLine(logLine);
    if (!Setup().SilentSetup)
        winlib::ShowMessageBox(nullptr, FormatMessage1("File not found:<#>%s", file), BoxCaption, MB_OK | MB_ICONERROR);
    Setup().InstallErrors = true;
}

std::vector<std::string> SplitActionRecord(const std::string& record, size_t count)
{
    std::vector<std::string> fields = winlib::SplitRecord(record, FieldSeparator);
    if (fields.size() != count)
        fields.clear();
    return fields;
}

bool IsYes(const std::string& field) { return winlib::UpperCase(field) == "YES"; }

void EnsureComInitialised()
{
    static bool initialised = false;
    if (initialised)
        return;
    // S_FALSE (already initialised on this thread) is as good; a failure shows
    // later as a failed CoCreateInstance or registration, which is reported there.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    initialised = true;
}

void ShowActionTask(const std::string& text)
{
    if (TForm1* form = ActionForm())
        form->LTask.SetText(text);
}

void ShowActionFile(const std::string& path)
{
    if (TForm1* form = ActionForm())
        form->LFile.SetText(path);
}

// ---- [Shortcuts] -----------------------------------------------------------------

void CreateShortcut(const std::string& record)
{
    if (!ShortcutWanted(record))
        return;
    std::vector<std::string> f = SplitActionRecord(record, 8);
    if (f.empty())
        return;
    TShortcut s;
    s.Link = ExpandPlaceholders(f[0]);
    s.Target = ExpandPlaceholders(f[1]);
    s.Description = ExpandPlaceholders(f[2]);
    s.Parameters = ExpandPlaceholders(f[3]);
    s.WorkingDir = ExpandPlaceholders(f[4]);
    s.IconFile = ExpandPlaceholders(f[5]);
    s.IconIndex = IntegerOrZero(f[6]);
    s.Show = ShowCommand(f[7]);
    ShowActionFile(ShortenPath(s.Link));

    std::string failedFolder;
    if (!CreateMissingFolders(s.Link, false, Setup().UninstallEnabled, failedFolder)) {
        ReportActionFailure("Error dir: " + failedFolder, Lng("Messages", 13), failedFolder);
        return;
    }
    if (!SaveShortcut(s)) {
        ReportActionFailure("Error file: " + s.Link, Lng("Messages", 16), s.Link);
        return;
    }
    if (Setup().UninstallEnabled)
        AddLogRecord(lsFiles, s.Link);
    winlib::ProcessMessages();
}

// ---- [INI] -----------------------------------------------------------------------

void WriteIniValue(const std::string& record)
{
    std::vector<std::string> f = SplitActionRecord(record, 6);
    if (f.empty())
        return;
    std::string file = ExpandPlaceholders(f[0]);
    std::string section = ExpandPlaceholders(f[1]);
    std::string key = ExpandPlaceholders(f[2]);
    std::string value = ExpandPlaceholders(f[3]);
    bool overwrite = IsYes(f[4]);
    bool record_ = Setup().UninstallEnabled && IsYes(f[5]);

    try {
        winlib::TIniFile ini(file);
        if (!winlib::FileExists(ini.FileName()) && record_) {
            AddLogRecord(lsFiles, ini.FileName());
            SaveUninstallLog();  // before the file exists (see CreateRegistryValue)
        }
        if (ini.ValueExists(section, key) && !overwrite)
            return;
        ini.WriteStringAsGiven(section, key, value);  // as the publisher typed it, quotes included
        ini.UpdateFile();
        if (record_)
            AddLogRecord(lsINIValues, ini.FileName() + FieldSeparator + section + FieldSeparator + key);
    } catch (const std::exception& e) {  // refused value or a platform failure
        LogLine(e.what());
        ReportActionFailure("Error INI file: " + file, Lng("Messages", 19), file + "<#>" + key);
        return;
    }
    winlib::ProcessMessages();
}

// ---- [Extensions] ----------------------------------------------------------------

void CreateAssociation(TForm1& form, const std::string& record)
{
    if (form.CheckAssociate.Handle() && form.CheckAssociate.Visible() && !form.CheckAssociate.Checked())
        return;
    std::vector<std::string> f = SplitActionRecord(record, 5);
    if (f.empty())
        return;
    std::string ext = f[0];
    std::string program = ExpandPlaceholders(f[1]);
    std::string description = ExpandPlaceholders(f[2]);
    std::string iconFile = ExpandPlaceholders(f[3]);
    std::string iconIndex = f[4].empty() ? "0" : f[4];
    auto fail = [&ext] {
        ReportActionFailure("Error association: ." + ext, Lng("Messages", 20), "." + ext);
    };
    if (ext.empty() || ext.find('\\') != std::string::npos)
        return fail();

    std::string fileType = ext + "file";
    struct TKeyValue { std::string Key, Value; };
    const TKeyValue writes[] = {
        {"." + ext, fileType},
        {fileType, description},
        {fileType + "\\DefaultIcon", iconFile.empty() ? program + ",0" : iconFile + "," + iconIndex},
        {fileType + "\\shell\\open\\command", "\"" + program + "\" \"%1\""},
    };
    // Every key the writes may make, parents first: only those missing before are ours.
    const std::string keys[] = {"." + ext, fileType, fileType + "\\DefaultIcon", fileType + "\\shell",
                                fileType + "\\shell\\open", fileType + "\\shell\\open\\command"};
    bool existed[std::size(keys)];
    for (size_t i = 0; i < std::size(keys); ++i)
        existed[i] = ClassesKeyExists(keys[i]);

    // The values about to be overwritten in keys that were there before go into
    // the log first, so that uninstalling gives the machine's own association
    // back. A value that already holds what we write is not ours to restore (a
    // second run of this setup); a created key goes as a whole.
    bool ok = true;
    if (Setup().UninstallEnabled) {
        for (const TKeyValue& w : writes) {
            if (!ClassesKeyExists(w.Key))
                continue;
            uninstlog::TAssociationValue before;
            before.Key = w.Key;
            before.Written = w.Value;
            if (!ReadClassesDefault(w.Key, before.TypeBefore, before.DataBefore)) {
                LogLine("Error registry value: HKEY_CLASSES_ROOT\\" + w.Key + ": its default value cannot be kept");
                ok = false;
                continue;
            }
            if (before.TypeBefore == "REG_SZ" && before.DataBefore == w.Value)
                continue;
            AddUninstallItem(uninstlog::SecAssociationValues, uninstlog::FormatAssociationValue(before));
        }
    }
    if (!ok)
        return fail();
    // A key about to be made is recorded once, by its topmost missing ancestor
    // (the uninstaller deletes each record with its subtree), and saved before
    // the writes (see CreateRegistryValue).
    if (Setup().UninstallEnabled) {
        std::vector<std::string> recorded;
        for (size_t i = 0; i < std::size(keys); ++i) {
            if (existed[i])
                continue;
            bool covered = false;
            for (const std::string& r : recorded)
                covered = covered || keys[i].compare(0, r.size() + 1, r + "\\") == 0;
            if (covered)
                continue;
            recorded.push_back(keys[i]);
            AddLogRecord(lsRegistryKeys, "HKEY_CLASSES_ROOT\\" + keys[i]);
        }
        SaveUninstallLog();
    }

    for (const TKeyValue& w : writes)
        ok = SetClassesDefault(w.Key, w.Value) && ok;
    winlib::ProcessMessages();
    ForgetUserChoice(ext);
    if (!ok)
        return fail();
    winlib::ProcessMessages();
}
