// Version texts as setups compare them: four-part versions ("1.2.0.10") for
// files, prerequisite rules and previous installs, and major.minor numbers
// ("9.0") for the built-in prerequisites. Every number is parsed by hand, so the
// answers are the same whatever decimal separator the user's locale has.
#pragma once
#include <cstdint>
#include <string>

struct TVersion {
    uint32_t Part[4] = {0, 0, 0, 0};
};

// "," reads as "." and every character other than a digit or "." is dropped, so
// "1.2 beta 3" reads as 1.23 and "2,0,1" as 2.0.1.0. Parts beyond the fourth are
// ignored; a missing, empty or too large (over 4294967295) part counts as 0.
TVersion ParseVersion(const std::string& text);

// True when a's version is greater than b's, part by part from the left.
bool IsVersionGreater(const std::string& a, const std::string& b);

// Major.minor comparison of an installed version against a required one. The
// required texts "X (10.0)" and "XI (11.0)" read as 10.0 and 11.0. Each text is
// cut one character after its first "." (9.0.8112.16421 reads as 9.0, and 4.10
// as 4.1); a text without "." is a whole number. False when either text is not
// a number.
bool IsVersionAtLeast(const std::string& installed, const std::string& required);

// A decimal number: digits with at most one inner "." ("10.15", "11"; not ".5",
// "5." or "1.2.3"). Held as digit texts, so any length compares exactly.
struct TDecimal {
    std::string Whole;     // without leading zeros
    std::string Fraction;  // without trailing zeros
};
bool ParseDecimalNumber(const std::string& text, TDecimal& number);
int CompareDecimal(const TDecimal& a, const TDecimal& b);  // <0, 0, >0
