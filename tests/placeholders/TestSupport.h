// Shared by the placeholder and shared-routine tests: a clean runtime state, a
// fake wizard, scratch folders and scratch registry keys that remove themselves.
#pragma once
#include <windows.h>

#include <string>

#include "runtime/SetupState.h"

namespace phtest {

struct TFakeFields : IWizardFields {
    std::string Dir, Group, User, Company, Custom, Lang;
    std::string InstallDir() const override { return Dir; }
    std::string ProgramGroup() const override { return Group; }
    std::string UserName() const override { return User; }
    std::string UserCompany() const override { return Company; }
    std::string CustomUserInfo() const override { return Custom; }
    std::string Language() const override { return Lang; }
};

// A fresh runtime state: administrator, all users, 32-bit package, fake wizard.
inline void ResetState(TFakeFields* fields)
{
    Setup() = TSetupState();
    Setup().UserIsAdmin = true;
    Setup().InstallLevel = 1;
    Setup().Fields = fields;
}

std::string TempPathNoSlash();           // GetTempPathA without the trailing backslash
std::string MakeScratchDir(const std::string& parent, const std::string& stem);  // unique, created
std::string EnvValue(const char* name);   // "" when unset
bool SameTextAscii(const std::string& a, const std::string& b);

// Sets TMP and TEMP for this process while it lives (GetTempPathA reads them at each call).
class TTempOverride {
public:
    explicit TTempOverride(const std::string& dir);
    ~TTempOverride();

private:
    std::string oldTmp_, oldTemp_;
    bool hadTmp_, hadTemp_;
};

// HKCU\<path>, and HKLM\<path> in both views, deleted with everything below when it ends.
class TScratchKeys {
public:
    explicit TScratchKeys(std::string path) : path_(std::move(path)) {}
    ~TScratchKeys();
    void SetString(HKEY root, REGSAM view, const std::string& value, const std::string& data) const;
    void SetDword(HKEY root, REGSAM view, const std::string& value, DWORD data) const;
    const std::string& Path() const { return path_; }

private:
    HKEY Create(HKEY root, REGSAM view) const;
    std::string path_;
};

}  // namespace phtest
