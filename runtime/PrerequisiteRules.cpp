// The author's [Prerequisites] rules: a file, folder, registry key or value that
// must (or must not) be there, or a value holding a text or a version.
#include <string>
#include <vector>

#include "cabinet/SetupFormat.h"
#include "runtime/Language.h"
#include "runtime/MachineSeam.h"
#include "runtime/Placeholders.h"
#include "runtime/Requirements.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Versions.h"
#include "winlib/StringList.h"

namespace {

enum class TTarget { File, Folder, Key, Value };
enum class TTest { Exists, Missing, Contains, DoesNotContain, AtLeast, AtMost };

// The criteria as the authoring program writes them, upper-cased.
const struct TCriterion {
    const char* Text;
    TTarget Target;
    TTest Test;
} Criteria[] = {
    {"FILE EXISTS", TTarget::File, TTest::Exists},
    {"FILE DOESN'T EXIST", TTarget::File, TTest::Missing},
    {"FOLDER EXISTS", TTarget::Folder, TTest::Exists},
    {"FOLDER DOESN'T EXIST", TTarget::Folder, TTest::Missing},
    {"REGISTRY KEY EXISTS", TTarget::Key, TTest::Exists},
    {"REGISTRY KEY DOESN'T EXIST", TTarget::Key, TTest::Missing},
    {"REGISTRY VALUE EXISTS", TTarget::Value, TTest::Exists},
    {"REGISTRY VALUE DOESN'T EXIST", TTarget::Value, TTest::Missing},
    {"REGISTRY VALUE CONTENTS", TTarget::Value, TTest::Contains},
    {"REGISTRY VALUE DOESN'T CONTENT", TTarget::Value, TTest::DoesNotContain},
    {"REGISTRY VALUE GREATER OR EQUAL", TTarget::Value, TTest::AtLeast},
    {"REGISTRY VALUE LESS OR EQUAL", TTarget::Value, TTest::AtMost},
};

const TCriterion* FindCriterion(const std::string& text)
{
    for (const TCriterion& c : Criteria)
        if (text == c.Text)
            return &c;
    return nullptr;
}

struct TRule {
    std::string Name, Command, Os, Criterion, Value1, Value2;
};

const struct {
    const char* Short;
    const char* Long;
    HKEY Root;
} Roots[] = {
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

// The root named before the first "\"; any other text means HKEY_CURRENT_USER.
HKEY RootOf(const std::string& path)
{
    size_t slash = path.find('\\');
    std::string name = winlib::UpperCase(slash == std::string::npos ? std::string() : path.substr(0, slash));
    for (const auto& root : Roots)
        if (name == root.Short || name == root.Long)
            return root.Root;
    return HKEY_CURRENT_USER;
}

std::string AfterFirstBackslash(const std::string& path)
{
    size_t slash = path.find('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ValueMeets(TTest test, const TRegistryValue& value, const std::string& wanted)
{
    bool text = value.Exists && value.HasText;
    switch (test) {
    case TTest::Exists: return value.Exists;
    case TTest::Missing: return !value.Exists;
    case TTest::Contains: return text && value.Text.find(wanted) != std::string::npos;
    case TTest::DoesNotContain: return !(text && value.Text.find(wanted) != std::string::npos);
    case TTest::AtLeast: return text && !IsVersionGreater(wanted, value.Text);
    case TTest::AtMost: return text && !IsVersionGreater(value.Text, wanted);
    }
    return true;
}

bool Meets(const TCriterion& c, const TRule& rule)
{
    TSetupMachine& m = Machine();
    // Only an x64 package's "X64" rules read the 64-bit view; every other rule
    // reads what a 32-bit runtime saw.
    winlib::RegView view = Setup().Package64 && rule.Os == "X64" ? winlib::RegView::View64 : winlib::RegView::View32;
    bool exists = false;
    switch (c.Target) {
    case TTarget::File: exists = m.FileExists(rule.Value1); break;
    case TTarget::Folder: exists = m.DirectoryExists(rule.Value1); break;
    case TTarget::Key: exists = m.RegistryKeyExists(RootOf(rule.Value1), view, AfterFirstBackslash(rule.Value1)); break;
    case TTarget::Value:
        return ValueMeets(c.Test, m.ReadRegistryValue(RootOf(rule.Value1), view, SplitRegistryPath(rule.Value1, true),
                                                      SplitRegistryPath(rule.Value1, false)),
                          rule.Value2);
    }
    return c.Test == TTest::Exists ? exists : !exists;
}

// False when the row is too short to be a rule (logged).
bool ParseRule(const std::string& text, TRule& rule)
{
    std::vector<std::string> fields = winlib::SplitRecord(text, setupformat::FieldSeparator);
    Setup().FieldList = fields;
    if (fields.size() < 5) {
        LogLine("Error prerequisite: " + text);
        return false;
    }
    fields.resize(6);  // a lost empty Value2 comes back; fields beyond the sixth are not used
    rule = {fields[0], fields[1], winlib::UpperCase(fields[2]), fields[3], fields[4], fields[5]};
    return true;
}

}  // namespace

std::string SplitRegistryPath(const std::string& path, bool keyPart)
{
    std::string rest = AfterFirstBackslash(path);
    size_t last = rest.rfind('\\');
    if (last == std::string::npos)
        return rest;
    return keyPart ? rest.substr(0, last) : rest.substr(last + 1);
}

void CheckPrerequisite(const std::string& text)
{
    TRule rule;
    if (!ParseRule(text, rule))
        return;
    bool windows64 = Machine().WindowsIs64();
    if ((rule.Os == "X64" && !windows64) || (rule.Os == "X86" && windows64))
        return;
    rule.Name = ExpandPlaceholders(rule.Name);
    rule.Command = ExpandPlaceholders(rule.Command);
    rule.Value1 = ExpandPlaceholders(rule.Value1);
    rule.Value2 = ExpandPlaceholders(rule.Value2);
    const TCriterion* criterion = FindCriterion(winlib::UpperCase(rule.Criterion));
    if (!criterion)
        return;  // an unknown criterion tests nothing
    for (;;) {
        Machine().Sleep(500);  // lets a fix-up program's changes land
        if (Meets(*criterion, rule))
            return;
        // Shown in silent setups too: the rule's fix-up may be what the user needs.
        if (AskWarning(LanguageText(Lng("Messages", 27), rule.Name), MB_YESNO) != IDYES ||
            !OpenLinkOrRun(rule.Command, true, true))
            RefuseRequirement(27, rule.Name);
    }
}
