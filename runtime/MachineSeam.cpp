#include "runtime/MachineSeam.h"

#include <cstdint>
#include <vector>

#include "runtime/Commands.h"
#include "runtime/OSInfo.h"
#include "runtime/SetupState.h"
#include "runtime/Startup.h"
#include "winlib/Application.h"
#include "winlib/IniFile.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

namespace {

TSetupMachine realMachine;
TSetupMachine* current = &realMachine;

// The value as text, where the rules can compare it: a number as unsigned decimal.
void ReadValueText(const winlib::TRegistry& key, const std::string& name, DWORD type, TRegistryValue& value)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.HasText = key.ReadString(name, value.Text) == ERROR_SUCCESS;
    } else if (type == REG_DWORD) {
        DWORD number = 0;
        value.HasText = key.ReadInteger(name, number) == ERROR_SUCCESS;
        value.Text = std::to_string(number);
    } else if (type == REG_QWORD) {
        std::vector<unsigned char> bytes;
        if (key.ReadBinary(name, bytes) == ERROR_SUCCESS && bytes.size() == 8) {
            uint64_t number = 0;
            for (size_t i = 8; i-- > 0;)
                number = (number << 8) | bytes[i];
            value.HasText = true;
            value.Text = std::to_string(number);
        }
    }
}

}  // namespace

bool TSetupMachine::WindowsIs64() { return TOSInfo::IsWow64(); }
std::string TSetupMachine::WindowsName() { return TOSInfo::GetWindowsName(); }
bool TSetupMachine::InternetAvailable() { return TOSInfo::IsInternetAvailable(); }
bool TSetupMachine::ProcessRunning(const std::string& name) { return TOSInfo::IsProcessRunning(name); }
int TSetupMachine::DotNetLevel() { return TOSInfo::GetDotNetLevel(); }
std::string TSetupMachine::IEVersion() { return TOSInfo::GetIEVersion(); }
std::string TSetupMachine::AcrobatReaderVersion() { return TOSInfo::GetAcrobatReaderVersion(); }
std::string TSetupMachine::JavaVersion() { return TOSInfo::GetJavaVersion(); }
int TSetupMachine::SqlCompactLevel() { return TOSInfo::GetSqlCompactLevel(); }
int TSetupMachine::SqlServerLevel() { return TOSInfo::GetSqlServerLevel(); }

bool TSetupMachine::FileExists(const std::string& path) { return winlib::FileExists(path); }
bool TSetupMachine::DirectoryExists(const std::string& path) { return winlib::DirectoryExists(path); }

bool TSetupMachine::RegistryKeyExists(HKEY root, winlib::RegView view, const std::string& key)
{
    winlib::TRegistry registry(root, view);
    return registry.OpenKeyReadOnly(key) == ERROR_SUCCESS;
}

TRegistryValue TSetupMachine::ReadRegistryValue(HKEY root, winlib::RegView view, const std::string& key,
                                                const std::string& name)
{
    TRegistryValue value;
    winlib::TRegistry registry(root, view);
    if (registry.OpenKeyReadOnly(key) != ERROR_SUCCESS)
        return value;
    value.KeyOpens = true;
    DWORD type = REG_NONE;
    if (registry.ReadType(name, type) != ERROR_SUCCESS)
        return value;
    value.Exists = true;
    ReadValueText(registry, name, type, value);
    return value;
}

bool TSetupMachine::IniValueExists(const std::string& file, const std::string& section, const std::string& key)
{
    return winlib::TIniFile(file).ValueExists(section, key);
}

std::string TSetupMachine::ReadIniString(const std::string& file, const std::string& section, const std::string& key)
{
    return winlib::TIniFile(file).ReadString(section, key, "");
}

int TSetupMachine::Ask(HWND owner, const std::string& text, const std::string& caption, UINT flags)
{
    return winlib::ShowMessageBox(owner, text, caption, flags);
}

bool TSetupMachine::RunAndWait(const std::string& program, const std::string& parameters, int show)
{
    return ::RunAndWait(program, parameters, show);
}

void TSetupMachine::ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder)
{
    // Nothing to report: the setup ends right after, whether the page opened or not.
    winlib::ShellOpen(nullptr, "open", file, parameters, folder, SW_SHOWNORMAL);
}

void TSetupMachine::Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }
void TSetupMachine::Pump() { winlib::ProcessMessages(); }
ULONGLONG TSetupMachine::Now() { return ::GetTickCount64(); }

void TSetupMachine::End(int code)
{
    if (code == secRequirement)
        AbortSetup();
    QuitSetup();
}

TSetupMachine& Machine() { return *current; }

TSetupMachine* SetMachine(TSetupMachine* machine)
{
    TSetupMachine* previous = current;
    current = machine ? machine : &realMachine;
    return previous == &realMachine ? nullptr : previous;
}

void EndThroughMachine(int code)
{
    Machine().End(code);
    realMachine.End(code);
    ExitProcess(static_cast<UINT>(code));  // not reached: End does not return
}
