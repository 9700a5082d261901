#include "runtime/Versions.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits only, at most 4294967295; anything else (including "") gives 0.
uint32_t ParsePart(const std::string& text)
{
    uint64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return 0;
    }
    return static_cast<uint32_t>(value);
}

// The text up to and including the character after its first "."; the whole
// text when it has no ".".
std::string CutAfterFirstMinorDigit(const std::string& text)
{
    size_t dot = text.find('.');
    return dot == std::string::npos ? text : text.substr(0, dot + 2);
}

}  // namespace

TVersion ParseVersion(const std::string& text)
{
    std::string kept;
    for (char c : text) {
        if (c == ',')
            c = '.';
        if (IsDigit(c) || c == '.')
            kept += c;
    }
    TVersion version;
    size_t start = 0;
    for (int i = 0; i < 4 && start <= kept.size(); ++i) {
        size_t dot = kept.find('.', start);
        if (dot == std::string::npos)
            dot = kept.size();
        version.Part[i] = ParsePart(kept.substr(start, dot - start));
        start = dot + 1;
    }
    return version;
}

bool IsVersionGreater(const std::string& a, const std::string& b)
{
    TVersion left = ParseVersion(a), right = ParseVersion(b);
    for (int i = 0; i < 4; ++i) {
        if (left.Part[i] != right.Part[i])
            return left.Part[i] > right.Part[i];
    }
    return false;
}

bool IsVersionAtLeast(const std::string& installed, const std::string& required)
{
    // The authoring program offers these two names for the reader's newest releases.
    std::string wanted = required == "X (10.0)" ? "10.0" : required == "XI (11.0)" ? "11.0" : required;
    TDecimal have, need;
    if (!ParseDecimalNumber(CutAfterFirstMinorDigit(installed), have) ||
        !ParseDecimalNumber(CutAfterFirstMinorDigit(wanted), need))
        return false;
    return CompareDecimal(have, need) >= 0;
}

bool ParseDecimalNumber(const std::string& text, TDecimal& number)
{
    size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if (whole.empty() || (dot != std::string::npos && fraction.empty()))
        return false;
    for (char c : whole + fraction) {
        if (!IsDigit(c))
            return false;  // also a second "."
    }
    size_t first = whole.find_first_not_of('0');
    number.Whole = first == std::string::npos ? std::string() : whole.substr(first);
    size_t last = fraction.find_last_not_of('0');
    number.Fraction = last == std::string::npos ? std::string() : fraction.substr(0, last + 1);
    return true;
}

int CompareDecimal(const TDecimal& a, const TDecimal& b)
{
    if (a.Whole.size() != b.Whole.size())
        return a.Whole.size() < b.Whole.size() ? -1 : 1;
    if (int whole = a.Whole.compare(b.Whole); whole != 0)
        return whole;
    // Trailing zeros are gone, so digit texts compare as fractions do.
    return a.Fraction.compare(b.Fraction);
}
