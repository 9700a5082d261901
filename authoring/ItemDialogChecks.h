// The value checks of the item dialogs, kept apart from any window so that other
// readers of the same values (the .reg import) apply the very same rules.
#pragma once
#include <string>

// "-"? digits, within the signed 32-bit range; nothing else (no blanks, no "+").
bool IsInteger32(const std::string& text);

// REG_BINARY data as the setup reads it: two hex digits per byte, pairs separated
// by exactly one comma or blank ("0a,0b ff"). The setup skips one character after
// each pair, so "0a0b" would silently write one byte.
bool IsHexByteList(const std::string& text);

// A registry key the setup can place: a root it knows (long or short form, any
// case) followed by "\" and a key below it. Any other root lands under
// HKEY_CURRENT_USER.
bool HasKnownRegistryRoot(const std::string& key);

// A variable name: "<" ... ">", at least three characters.
bool IsVariableName(const std::string& name);

// One trailing "\" removed ("X\\" keeps one).
std::string StripOneTrailingBackslash(const std::string& path);

// What follows "<SetupTempDir>" and its "\" in path (any case), "" without it.
// The setup unpacks its temporary files flat into that folder: a file row may
// not go into a sub-folder of it.
std::string BelowSetupTempDir(const std::string& path);

// The file name of path without its last extension ("a.b.c.b" -> "a.b.c").
std::string FileTitleOf(const std::string& path);

// The "Register As" item that a file's extension selects, or "" to keep the type.
std::string RegisterTypeForFile(const std::string& path);
