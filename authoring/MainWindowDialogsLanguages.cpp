// The Dialogs page's languages: the language list read from the program's
// Languages folder, its pop-up menu, the default-language list, and the licence
// and readme file of each checked language.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "authoring/MainWindow.h"
#include "winlib/Dialogs.h"
#include "winlib/MessageBox.h"
#include "winlib/Shell.h"

namespace {

constexpr const char* kLanguageExt = ".lng";
constexpr const char* kDefaultRow = "(Default)";
constexpr const char* kFileFilter = "Rich Text Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
constexpr const char* kSelectLanguage = "Please select a language.";
constexpr int kFileColumn = 1;

std::string LanguagesFolder() { return AppState().ProgramFolder + "Languages"; }

bool EqualNoCase(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }

bool EndsWithNoCase(const std::string& name, const std::string& tail)
{
    return name.size() > tail.size() && EqualNoCase(name.substr(name.size() - tail.size()), tail);
}

// The language files' names less ".lng", sorted ignoring case. A "*.lng" search
// also matches short 8.3 aliases of longer extensions ("x.lngx"), so the long name
// must end in ".lng" itself. No folder, or none readable, gives an empty list.
std::vector<std::string> ListLanguageNames()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((LanguagesFolder() + "\\*" + kLanguageExt).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && EndsWithNoCase(name, kLanguageExt))
            names.push_back(name.substr(0, name.size() - 4));
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualNoCase(n, name); });
}

// The file of a language's row, or "" when the list has no row for it.
std::string FileOf(const winlib::TListView& list, const std::string& language)
{
    for (const winlib::TListRow& row : list.Rows())
        if (row.Caption == language)
            return row.Texts.empty() ? std::string() : row.Texts[0];
    return std::string();
}

}  // namespace

void TForm1::WireLanguageHandlers()
{
    LanguageMenu.AddItem(nullptr, cmLngSelectAll, "Select All", [this] { SelectAll2Click(); }, "Ctrl+A");
    LanguageMenu.AddItem(nullptr, cmLngSelectNone, "Select None", [this] { SelectNone1Click(); }, "Ctrl+N");
    LanguageMenu.AddSeparator(nullptr);
    LanguageMenu.AddItem(nullptr, cmLngEdit, "Edit...", [this] { Edit3Click(); });
    LanguageMenu.AddItem(nullptr, cmLngRefresh, "Refresh", [this] { LanguagesRefreshClick(); });
    LanguageMenu.AddItem(nullptr, cmLngOpenFolder, "Open Language Folder", [this] { OpenLanguageFolder1Click(); });
    CheckListLng.PopupMenu = &LanguageMenu;
    CheckListLng.OnClick = [this](int) { CheckListLngClickCheck(); };
    CheckListLng.OnDblClick = [this] { Edit3Click(); };
    KeyPreview = true;  // the menu's Ctrl+A and Ctrl+N (OnKeyPreview)

    ListLicense.OnChange = [this] { Action1Execute(); };
    ListReadme.OnChange = [this] { Action1Execute(); };
    ListLicense.OnDblClick = [this] { BLSpecifyClick(); };
    ListReadme.OnDblClick = [this] { BRSpecifyClick(); };
    BLSpecify.OnClick = [this] { BLSpecifyClick(); };
    BLEdit.OnClick = [this] { BLEditClick(); };
    BLClear.OnClick = [this] { BLClearClick(); };
    BRSpecify.OnClick = [this] { BRSpecifyClick(); };
    BREdit.OnClick = [this] { BREditClick(); };
    BRClear.OnClick = [this] { BRClearClick(); };
}

// ---- The language list

// Start-up and a new project: the folder read afresh with English alone checked.
void TForm1::Refresh1Click()
{
    ScanLanguages(false);
    RebuildLanguageLists(TLanguageRebuild::Clear);
}

// The menu's Refresh picks up added and removed files without undoing the
// author's choices for the languages that are still there.
void TForm1::LanguagesRefreshClick()
{
    ScanLanguages(true);
    RebuildLanguageLists(TLanguageRebuild::Keep);
}

void TForm1::ScanLanguages(bool keepChecks)
{
    std::vector<std::string> checked;
    for (int i = 0; i < CheckListLng.Count(); ++i)
        if (CheckListLng.Checked(i))
            checked.push_back(CheckListLng.Cell(i, 0));
    CheckListLng.Clear();
    for (const std::string& name : ListLanguageNames()) {
        bool on = keepChecks ? Contains(checked, name) : EqualNoCase(name + kLanguageExt, "ENGLISH.LNG");
        CheckListLng.Add(name, "", on);
    }
}

// The default list and both file lists follow the checked languages. Keep holds
// on to the "(Default)" file, the files of languages still checked and a default
// that is still checked; Clear starts them over.
void TForm1::RebuildLanguageLists(TLanguageRebuild mode)
{
    Action1Execute();
    bool keep = mode == TLanguageRebuild::Keep;
    std::string oldDefault = keep ? ComboDefLng.Text() : std::string();
    auto fileOf = [&](const winlib::TListView& list, const std::string& language) {
        return keep ? FileOf(list, language) : std::string();
    };
    std::vector<std::string> languages;
    for (int i = 0; i < CheckListLng.Count(); ++i)
        if (CheckListLng.Checked(i))
            languages.push_back(CheckListLng.Cell(i, 0));

    std::vector<winlib::TListRow> licence, readme;
    licence.push_back({kDefaultRow, {fileOf(ListLicense, kDefaultRow)}});
    readme.push_back({kDefaultRow, {fileOf(ListReadme, kDefaultRow)}});
    for (const std::string& language : languages) {
        licence.push_back({language, {fileOf(ListLicense, language)}});
        readme.push_back({language, {fileOf(ListReadme, language)}});
    }
    ListLicense.SetRows(std::move(licence));
    ListReadme.SetRows(std::move(readme));

    ComboDefLng.SetItems(languages);
    if (ComboDefLng.Count() > 0) {
        int index = keep && !oldDefault.empty() ? ComboDefLng.IndexOf(oldDefault) : -1;
        ComboDefLng.SetItemIndex(index >= 0 ? index : 0);
    }
}

void TForm1::CheckListLngClickCheck() { RebuildLanguageLists(TLanguageRebuild::Keep); }

void TForm1::SelectAll2Click()
{
    for (int i = 0; i < CheckListLng.Count(); ++i)
        CheckListLng.SetChecked(i, true);
    RebuildLanguageLists(TLanguageRebuild::Keep);
}

void TForm1::SelectNone1Click()
{
    for (int i = 0; i < CheckListLng.Count(); ++i)
        CheckListLng.SetChecked(i, false);
    RebuildLanguageLists(TLanguageRebuild::Keep);
}

// Notepad gets the file's path in quotes: a program folder with blanks would
// otherwise split it into several names. The shell's result is not checked: a
// missing editor is the system's to report.
void TForm1::Edit3Click()
{
    int index = CheckListLng.ItemIndex();
    if (index < 0)
        return;
    std::string path = LanguagesFolder() + "\\" + CheckListLng.Cell(index, 0) + kLanguageExt;
    winlib::ShellOpen(Handle(), "open", "notepad", "\"" + path + "\"", "", SW_SHOWNORMAL);
}

// As with the editor, the shell reports a folder it cannot open itself.
void TForm1::OpenLanguageFolder1Click() { winlib::ShellOpen(Handle(), "open", LanguagesFolder()); }

// ---- Licence and readme files of each language

void TForm1::SpecifyLanguageFile(winlib::TListView& list)
{
    int row = list.FirstSelected();
    if (row < 0) {
        winlib::ShowMessageBox(Handle(), kSelectLanguage, kProductTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    winlib::TOpenDialog dialog;
    dialog.Filter = kFileFilter;
    dialog.Options |= OFN_FILEMUSTEXIST;
    if (dialog.Execute(Handle()))
        list.SetCell(row, kFileColumn, dialog.FileName);
}

void TForm1::EditLanguageFile(winlib::TListView& list, const char* kind)
{
    int row = list.FirstSelected();
    if (row < 0) {
        winlib::ShowMessageBox(Handle(), kSelectLanguage, kProductTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    std::string file = list.Cell(row, kFileColumn);
    if (file.empty()) {
        winlib::ShowMessageBox(Handle(), std::string("Please specify a ") + kind + " file for the selected language.",
                               kProductTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    // The shell reports a file it cannot open itself.
    winlib::ShellOpen(Handle(), "open", file);
}

void TForm1::ClearLanguageFile(winlib::TListView& list)
{
    int row = list.FirstSelected();
    if (row < 0) {
        winlib::ShowMessageBox(Handle(), kSelectLanguage, kProductTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    list.SetCell(row, kFileColumn, "");
}

void TForm1::BLSpecifyClick() { SpecifyLanguageFile(ListLicense); }
void TForm1::BLEditClick() { EditLanguageFile(ListLicense, "license"); }
void TForm1::BLClearClick() { ClearLanguageFile(ListLicense); }
void TForm1::BRSpecifyClick() { SpecifyLanguageFile(ListReadme); }
void TForm1::BREditClick() { EditLanguageFile(ListReadme, "readme"); }
void TForm1::BRClearClick() { ClearLanguageFile(ListReadme); }
