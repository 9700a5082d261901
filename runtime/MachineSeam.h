// The machine as the requirement checks, the prerequisite rules and the
// previous-version step see it: probes, file, registry and INI reads, boxes,
// started programs, the process list, waiting and the end of the setup. The
// default asks Windows; a test derives from it and fakes the answers it needs,
// so that branches a test bed cannot reach (32-bit Windows, no administrator,
// an uninstaller that never goes away) still run.
#pragma once
#include <windows.h>

#include <string>

#include "winlib/Registry.h"

// One registry value as the rules compare it.
struct TRegistryValue {
    bool KeyOpens = false;
    bool Exists = false;
    bool HasText = false;  // REG_SZ, REG_EXPAND_SZ as stored; REG_DWORD, REG_QWORD as unsigned decimal
    std::string Text;
};

class TSetupMachine {
public:
    virtual ~TSetupMachine() = default;

    // Probes.
    virtual bool WindowsIs64();
    virtual std::string WindowsName();
    virtual bool InternetAvailable();
    virtual bool ProcessRunning(const std::string& name);
    virtual int DotNetLevel();
    virtual std::string IEVersion();
    virtual std::string AcrobatReaderVersion();
    virtual std::string JavaVersion();
    virtual int SqlCompactLevel();
    virtual int SqlServerLevel();

    // Reads. Keys are opened read-only and never created.
    virtual bool FileExists(const std::string& path);
    virtual bool DirectoryExists(const std::string& path);
    virtual bool RegistryKeyExists(HKEY root, winlib::RegView view, const std::string& key);
    virtual TRegistryValue ReadRegistryValue(HKEY root, winlib::RegView view, const std::string& key,
                                             const std::string& name);
    virtual bool IniValueExists(const std::string& file, const std::string& section, const std::string& key);
    virtual std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key);

    // A message box; the answer (IDYES, ...).
    virtual int Ask(HWND owner, const std::string& text, const std::string& caption, UINT flags);

    // Programs. RunAndWait: false when the program could not start.
    virtual bool RunAndWait(const std::string& program, const std::string& parameters, int show);
    virtual void ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder);

    // Waiting: sleeps, message pumping and the clock the bounded waits read (ms).
    virtual void Sleep(DWORD milliseconds);
    virtual void Pump();
    virtual ULONGLONG Now();

    // Ends the setup with code (secRequirement: AbortSetup, secOk: QuitSetup).
    // A test's machine throws instead of ending the process.
    virtual void End(int code);
};

// The machine in use.
TSetupMachine& Machine();
// Puts machine in use (nullptr: the real one); answers the one in use before.
TSetupMachine* SetMachine(TSetupMachine* machine);

// Ends the setup through Machine().End(code). Never returns: should a machine's
// End come back, the real end follows.
[[noreturn]] void EndThroughMachine(int code);
