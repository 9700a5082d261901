// Records of list sections: fields joined by a separator, one record per INI value.
#pragma once
#include <string>
#include <vector>

namespace winlib {

// Splits as the setup runtime does: every separator becomes a line break, then the
// text is cut into lines (CR LF, CR or LF). One empty last field is therefore lost,
// and an empty text gives no fields.
std::vector<std::string> SplitRecord(const std::string& record, const std::string& separator);

// Joins fields with the separator. Throws std::invalid_argument naming the field
// index when a field holds the separator, CR or LF: it would shift the fields.
std::string JoinRecord(const std::vector<std::string>& fields, const std::string& separator);

// Replaces the first occurrence of from (compared without regard to case) by to.
std::string ReplaceFirstNoCase(const std::string& text, const std::string& from, const std::string& to);
// Every occurrence of from, compared without regard to case, becomes to.
std::string ReplaceAllNoCase(const std::string& text, const std::string& from, const std::string& to);

// A whole decimal number: an optional sign, then digits only (no blanks), within
// minimum..maximum. False for anything else, value untouched.
bool ParseDecimal(const std::string& text, long long minimum, long long maximum, long long& value);

std::string UpperCase(const std::string& text);  // ASCII and the ANSI code page (CharUpperBuffA)
bool SameText(const std::string& a, const std::string& b);  // equal without regard to case
std::string Trim(const std::string& text);  // blanks and control characters at both ends

// Splits a command line as the setup and the uninstaller read it: blanks and tabs
// separate parameters outside double quotes, the quotes are dropped, backslashes
// are plain characters ("C:\A B\" stays C:\A B\). Parameter 0 is the program.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace winlib
