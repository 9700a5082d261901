#include "cabinet/CabSTConsts.h"

#include <fdi.h>

#include <cstdio>

#include "winlib/OsError.h"

namespace {

const char* const kFciTexts[] = {
    "No error",
    "Failure opening file to be stored in cabinet",
    "Failure reading file to be stored in cabinet",
    "Out of memory in FCI",
    "Could not create a temporary file",
    "Unknown compression type",
    "Could not create cabinet file",
    "Client requested abort",
    "Failure compressing data",
};

const char* const kFdiTexts[] = {
    "No error",
    "Cabinet not found",
    "Cabinet file does not have the correct format",
    "Cabinet file has an unknown version number",
    "Cabinet file is corrupt",
    "Could not allocate enough memory",
    "Unknown compression type in a cabinet folder",
    "Failure decompressing data from a cabinet file",
    "Failure writing to target file",
    "Cabinets in a set do not have the same RESERVE sizes",
    "Cabinet returned on fdintNEXT_CABINET is incorrect",
    "FDI aborted",
};

template <size_t N>
std::string TextFor(const char* const (&table)[N], int code, const char* fallback)
{
    if (code >= 0 && static_cast<size_t>(code) < N) return table[code];
    return fallback;
}

// "0x" and at least four upper-case hexadecimal digits.
std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04lX", value);
    return text;
}

std::string MessageFor(const ERF& erf, bool isFci)
{
    if (!erf.fError) return isFci ? "FCI error" : "FDI error";
    std::string message = (isFci ? FciErrorText(erf.erfOper) : FdiErrorText(erf.erfOper)) +
                          " [" + Hex(static_cast<unsigned long>(static_cast<unsigned>(erf.erfOper))) + "]";
    DWORD os = static_cast<DWORD>(erf.erfType);
    if (os != 0)
        message += ".\r\n" + winlib::SysErrorMessage(os) + " [" + Hex(os) + "].";
    return message;
}

}  // namespace

std::string FciErrorText(int code) { return TextFor(kFciTexts, code, "FCI error"); }
std::string FdiErrorText(int code) { return TextFor(kFdiTexts, code, "FDI error"); }

std::string PathJoin(std::initializer_list<std::string_view> parts)
{
    std::string result;
    for (std::string_view part : parts) {
        if (part.empty()) continue;
        if (result.empty()) {
            result = part;
            continue;
        }
        bool endsWithSlash = result.back() == '\\';
        bool startsWithSlash = part.front() == '\\';
        if (endsWithSlash && startsWithSlash)
            part.remove_prefix(1);
        else if (!endsWithSlash && !startsWithSlash)
            result += '\\';
        result += part;
    }
    return result;
}

ESTCabinet::ESTCabinet(const ERF& erf, bool isFci)
    : std::runtime_error(MessageFor(erf, isFci)),
      ErrorCode(erf.erfOper),
      OsError(static_cast<DWORD>(erf.erfType)),
      ErrorPresent(erf.fError != FALSE),
      IsFci(isFci)
{
}

ESTCabinet::ESTCabinet(const std::string& message, int errorCode, DWORD osError, bool isFci)
    : std::runtime_error(message), ErrorCode(errorCode), OsError(osError), ErrorPresent(true), IsFci(isFci)
{
}

bool ESTCabinet::IsDamagedData() const
{
    if (IsFci || OsError != 0)
        return false;
    switch (ErrorCode) {
    case FDIERROR_NOT_A_CABINET:
    case FDIERROR_UNKNOWN_CABINET_VERSION:
    case FDIERROR_CORRUPT_CABINET:
    case FDIERROR_BAD_COMPR_TYPE:
    case FDIERROR_MDI_FAIL:  // the decompressor refused the data
        return true;
    default:
        return false;
    }
}
