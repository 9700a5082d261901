#include "winlib/OsError.h"

#include <cstdio>

namespace winlib {

std::string SysErrorMessage(DWORD code)
{
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        // No system text for this code: the number alone still says what happened.
        char text[40];
        std::snprintf(text, sizeof text, "System error %lu", static_cast<unsigned long>(code));
        return text;
    }
    std::string text(buffer, length);
    LocalFree(buffer);

    // FormatMessage ends its texts in ".\r\n"; callers append their own punctuation.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

static std::string FormatOSError(DWORD code, const std::string& context)
{
    char number[24];
    std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(code));
    return context + ": " + SysErrorMessage(code) + " (code " + number + ")";
}

EOSError::EOSError(DWORD code, const std::string& context)
    : std::runtime_error(FormatOSError(code, context)), code_(code), context_(context)
{
}

void RaiseLastOSError(const std::string& context)
{
    DWORD code = GetLastError();
    throw EOSError(code != 0 ? code : ERROR_GEN_FAILURE, context);
}

}  // namespace winlib
