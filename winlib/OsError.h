// Operating-system errors: a Win32 code, its system text and what we were doing.
#pragma once
#include <windows.h>
#include <stdexcept>
#include <string>

namespace winlib {

// The system's text for a Win32 error code, without the trailing line break,
// blanks and final full stop that FormatMessage appends.
std::string SysErrorMessage(DWORD code);

// A failed platform call. what() = context + ": " + system text + " (code N)".
class EOSError : public std::runtime_error {
public:
    EOSError(DWORD code, const std::string& context);
    DWORD Code() const { return code_; }
    const std::string& Context() const { return context_; }

private:
    DWORD code_;
    std::string context_;
};

// Throws EOSError for GetLastError() (or ERROR_GEN_FAILURE when it is 0).
[[noreturn]] void RaiseLastOSError(const std::string& context);

}  // namespace winlib
