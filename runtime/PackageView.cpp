#include "runtime/PackageView.h"

#include <vector>

#include "runtime/SetupState.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

std::string ProcessEnv(const char* name)
{
    DWORD size = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0)
        return std::string();
    std::string value(size, '\0');
    DWORD length = ::GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

}  // namespace

std::string TPackageView::SystemDir() const
{
    auto call = package64_ ? &::GetSystemDirectoryA : &::GetSystemWow64DirectoryA;
    return winlib::AskSizedText([call](char* buffer, UINT size) { return call(buffer, size); });
}

TPackageView::TEnvSource TPackageView::EnvSource(const std::string& name) const
{
    TEnvSource source;
    source.Name = name;
    if (package64_)
        return source;
    // What the system gives a 32-bit process on 64-bit Windows.
    if (winlib::SameText(name, "ProgramFiles")) {
        source.Name = "ProgramFiles(x86)";
    } else if (winlib::SameText(name, "CommonProgramFiles")) {
        source.Name = "CommonProgramFiles(x86)";
    } else if (winlib::SameText(name, "PROCESSOR_ARCHITECTURE")) {
        source.Fixed = true;
        source.Value = "x86";
    } else if (winlib::SameText(name, "PROCESSOR_ARCHITEW6432")) {
        source.Fixed = true;
        source.Value = ProcessEnv("PROCESSOR_ARCHITECTURE");
    }
    return source;
}

TPackageView PackageView()
{
    return TPackageView(Setup().Package64);
}
