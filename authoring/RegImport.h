// Reading a registry export (.reg) into rows of the project's Registry list.
// A pure parser: the file's bytes in; a refusal, a parse error with its line, or
// the rows plus the entries it could not carry (each with its line and reason).
// Both export formats are read: "REGEDIT4" (8-bit) and "Windows Registry Editor
// Version 5.00" (UTF-16LE after FF FE, converted to the ANSI code page).
#pragma once
#include <string>
#include <vector>

struct TRegImportRow {
    std::string Key, Name, Type, Data;  // Type: REG_SZ, REG_EXPAND_SZ, REG_DWORD or REG_BINARY
};

struct TRegImportNote {
    int Line = 0;  // first physical line of the entry; the header is line 1
    std::string Reason;
};

struct TRegImportResult {
    enum TStatus { Parsed, NoLines, BadVersion, ParseError } Status = Parsed;
    TRegImportNote Error;                 // ParseError
    std::vector<TRegImportRow> Rows;      // Parsed
    std::vector<TRegImportNote> Skipped;  // Parsed: entries that give no row
};

// recordLimit: the longest list record the project file carries whole; a row whose
// record ("key*?name*?type*?data*?Yes*?Yes") is longer is skipped as "too long".
TRegImportResult ParseRegFile(const std::string& bytes, size_t recordLimit);

// The text of the box that reports a result: a refusal or parse error (error
// icon), or what was skipped (warning icon); empty when everything was imported.
std::string RegImportMessage(const TRegImportResult& result);
