// Which registry view and which system folders a package sees.
//
// The runtime is a 64-bit program, but a package not marked x64 must land exactly
// where a 32-bit runtime would have put it: its registry writes and probes go to
// the 32-bit view, and <ProgramFiles>, <CommonFiles>, <SystemDir> and the matching
// environment variables name the x86 folders. An x64 package uses the 64-bit view
// and folders. Every registry access and every such folder of the runtime asks
// this one object instead of deciding for itself.
#pragma once
#include <windows.h>
#include <string>

#include "winlib/Registry.h"

class TPackageView {
public:
    explicit TPackageView(bool package64) : package64_(package64) {}

    bool Is64() const { return package64_; }

    // Whether Windows is 64-bit. Always true: our runtime is a 64-bit program and
    // runs nowhere else (so nothing asks IsWow64Process).
    bool WindowsIs64() const { return true; }

    // KEY_WOW64_64KEY for an x64 package, KEY_WOW64_32KEY for any other.
    REGSAM RegistryFlag() const { return package64_ ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }
    winlib::RegView RegistryView() const { return package64_ ? winlib::RegView::View64 : winlib::RegView::View32; }

    // The system folder the package's files belong in, no trailing backslash:
    // GetSystemDirectoryA's for an x64 package, GetSystemWow64DirectoryA's for any
    // other (a 32-bit runtime was told system32, but its files landed there).
    // Empty when the system gives none.
    std::string SystemDir() const;

    // How an environment variable reads for this package. A 32-bit process sees
    // ProgramFiles and CommonProgramFiles as the x86 folders, PROCESSOR_ARCHITECTURE
    // as "x86" and PROCESSOR_ARCHITEW6432 as the machine's architecture.
    struct TEnvSource {
        std::string Name;       // the variable to read instead (the name itself when unchanged)
        bool Fixed = false;     // true: Value is the answer, nothing is read
        std::string Value;
    };
    TEnvSource EnvSource(const std::string& name) const;

private:
    bool package64_;
};

// The view of the running setup's package, from Setup().Package64 at the moment
// of the call (start-up sets Package64 when it reads the script).
TPackageView PackageView();
