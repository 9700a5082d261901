// Error texts of the cabinet library, the cabinet exception and path joining.
#pragma once
#include <windows.h>
#include <fci.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

// Text for an FCI (writer side) or FDI (reader side) error code; unknown codes
// give "FCI error" / "FDI error".
std::string FciErrorText(int code);
std::string FdiErrorText(int code);

// Joins the non-empty parts with exactly one backslash between neighbours.
std::string PathJoin(std::initializer_list<std::string_view> parts);

// A failed FCI or FDI call, built from the library's error record.
//   "Cabinet not found [0x0001]"                       error present, no OS error
//   "... [0x0001].\r\n<system text> [0x0002]."         error present with OS error
//   "FCI error" / "FDI error"                          no error present
class ESTCabinet : public std::runtime_error {
public:
    ESTCabinet(const ERF& erf, bool isFci);
    // A failure found by our own checks, with its own message but the same fields.
    ESTCabinet(const std::string& message, int errorCode, DWORD osError, bool isFci);

    // The reader refused the cabinet's bytes (not a cabinet, corrupt, an unknown
    // compression, data the decompressor rejects), as opposed to a failure to
    // read or write: the same bytes fail again the same way.
    bool IsDamagedData() const;

    int ErrorCode;      // ERF.erfOper
    DWORD OsError;      // ERF.erfType
    bool ErrorPresent;  // ERF.fError
    bool IsFci;         // raised by the writer side
};

// The error record of a failure without details: gives the bare "FCI error" / "FDI error".
inline ERF NoErrorRecord()
{
    ERF erf{};
    return erf;
}
