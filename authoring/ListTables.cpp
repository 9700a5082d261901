// The nine project lists: where each lives, its columns, its item dialog, what Add
// resets and how each column is made from a dialog field.
#include <stdexcept>

#include "authoring/ListEditor.h"

namespace {

using R = TColumnRule;
using F = TFieldReset;

F Empty(const char* field) { return {F::TextField, field, "", false}; }
F Text(const char* field, const char* text) { return {F::TextField, field, text, false}; }
F Choice(const char* field, const char* text) { return {F::ChoiceField, field, text, false}; }
F Check(const char* field, bool on) { return {F::CheckField, field, "", on}; }

constexpr const char* kDoNotRemove = "Do not remove during uninstallation";

std::vector<TListSpec> MakeSpecs()
{
    return {
        {TListKind::Prereq, "ListPrereq", "General", "Software Prerequisites", "TForm18", "Add Prerequisite",
         {},
         {{"Name", 110, "Name", R::Text},
          {"Command", 110, "Command", R::Text},
          {"OS", 30, "OS", R::Choice},
          {"Search Criteria", 120, "Search Criteria", R::Choice},
          {"Value 1", 70, "Value 1", R::Text},
          {"Value 2", 70, "Value 2", R::Text}}},
        {TListKind::Shortcuts, "ListShortcuts", "System", "Shortcuts", "TForm8", "Add Shortcut",
         {Empty("Target File"), Empty("Shortcut Name"), Empty("Description"), Empty("Parameters"),
          Empty("Working Directory"), Empty("Icon File"), Text("Shortcut Destination", "<ProgramGroup>"),
          Text("Icon Index", "0"), Choice("Show", "Normal")},
         {{"Destination", 90, "Shortcut Destination", R::Trimmed},
          {"Shortcut Name", 120, "Shortcut Name", R::Trimmed},
          {"Target File", 150, "Target File", R::Trimmed},
          {"Description", 70, "Description", R::Trimmed},
          {"Parameters", 70, "Parameters", R::Trimmed},
          {"Working Directory", 70, "Working Directory", R::Trimmed},
          {"Icon File", 60, "Icon File", R::Trimmed},
          {"Icon Index", 60, "Icon Index", R::Text},
          {"Show", 60, "Show", R::Choice}}},
        {TListKind::Registry, "ListRegistry", "System", "Registry", "TForm9", "Add Registry Value",
         {Empty("Value Name"), Empty("Value Data"), Choice("Value Type", "REG_SZ"),
          Check("Overwrite Registry Value", true), Check(kDoNotRemove, false)},
         {{"Registry Key", 140, "Registry Key", R::Text},
          {"Value Name", 90, "Value Name", R::Text},
          {"Value Type", 70, "Value Type", R::Choice},
          {"Value Data", 100, "Value Data", R::TrimmedOnEdit},
          {"Overwrite", 60, "Overwrite Registry Value", R::YesIfChecked},
          {"Uninstall", 60, kDoNotRemove, R::NoIfChecked}}},
        {TListKind::INI, "ListINI", "System", "INI Files", "TForm11", "Add INI Value",
         {Empty("Key"), Empty("Value"), Check("Overwrite Value", true), Check(kDoNotRemove, false)},
         {{"INI File", 100, "INI File", R::Text},
          {"Section", 80, "Section", R::Text},
          {"Key", 60, "Key", R::Text},
          {"Value", 80, "Value", R::Text},
          {"Overwrite", 60, "Overwrite Value", R::YesIfChecked},
          {"Uninstall", 70, kDoNotRemove, R::NoIfChecked}}},
        {TListKind::Variables, "ListVariables", "System", "Variables", "TForm6", "Add Variable",
         {},
         {{"Variable Name", 85, "Variable Name", R::Trimmed},
          {"Registry Key", 150, "Registry Key", R::Trimmed},
          {"Value Name", 85, "Value Name", R::Trimmed},
          {"Value Type", 70, "Value Type", R::Choice},
          {"Default Value", 80, "Default Value", R::Trimmed}}},
        {TListKind::Commands, "ListCommands", "System", "Commands", "TForm13", "Add Command",
         {Empty("Command"), Empty("Parameters"), Choice("Show", "Normal"), Choice("Launch", "Before Installation"),
          Choice("Launch on OS", "All"), Check("Wait Until Process Finishes", false)},
         {{"Command", 110, "Command", R::Trimmed},
          {"Parameters", 100, "Parameters", R::Trimmed},
          {"Show", 60, "Show", R::Choice},
          {"Timing", 100, "Launch", R::Choice},
          {"Wait", 40, "Wait Until Process Finishes", R::YesIfChecked},
          {"Condition", 60, "Launch on OS", R::Choice}}},
        {TListKind::Ext, "ListExt", "Register", "File Associations", "TForm10", "Add Extension",
         {Empty("Associated File"), Empty("Icon File"), Text("Description", "<AppName>"), Text("Icon Index", "0")},
         {{"Extension", 70, "Extension", R::Text},
          {"Associated File", 150, "Associated File", R::Text},
          {"Description", 80, "Description", R::Text},
          {"Icon File", 100, "Icon File", R::Text},
          {"Icon Index", 70, "Icon Index", R::Text}}},
        {TListKind::Env, "ListEnv", "Register", "Environment Variables", "TForm17", "Add Environment Variable",
         {},
         {{"Name", 90, "Name", R::Text},
          {"Value", 150, "Value", R::Text},
          {"If Exists", 80, "If Exists", R::Choice},
          {"Uninstall", 60, "Uninstall", R::YesIfChecked}}},
        {TListKind::Others, "ListOthers", "Register", "Others", "TForm14", "Register",
         {Empty("File"), Check("Do not unregister during uninstallation", false)},
         {{"Type", 100, "Register As", R::Choice},
          {"File", 200, "File", R::Trimmed},
          {"Not Unregister", 85, "Do not unregister during uninstallation", R::YesIfChecked}}},
    };
}

}  // namespace

const std::vector<TListSpec>& ListSpecs()
{
    static const std::vector<TListSpec> specs = MakeSpecs();
    return specs;
}

const TListSpec& ListSpecOf(TListKind kind)
{
    for (const TListSpec& spec : ListSpecs())
        if (spec.Kind == kind)
            return spec;
    throw std::logic_error("no list table entry for list kind " + std::to_string(static_cast<int>(kind)));
}
