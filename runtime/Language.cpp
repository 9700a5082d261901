// The setup's languages: the language files the package carries, the choice of
// one, and its texts.
#include "runtime/Seams.h"

#include <windows.h>

#include <vector>

#include "cabinet/SetupFormat.h"
#include "runtime/Form1.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/Startup.h"
#include "winlib/Application.h"

namespace {

// Names of the language files in the setup temp folder, in listing order, each
// without its "qz.lng" ending. Folders are passed over.
std::vector<std::string> ListLanguages(const std::string& folder)
{
    std::vector<std::string> names;
    const std::string suffix = setupformat::LanguageMemberSuffix;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*" + suffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;  // no match (or an unreadable folder): no languages
    do {
        std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() >= suffix.size())
            names.push_back(name.substr(0, name.size() - suffix.size()));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace

void LoadLanguageList(TForm1& form)
{
    TSetupState& s = Setup();
    form.ComboLng.Clear();
    std::vector<std::string> languages = ListLanguages(s.SetupTempDir);
    if (languages.empty()) {
        ReleaseSetupResources();
        FailCorrupt(secNoLanguage);
    }
    for (const std::string& language : languages)
        form.ComboLng.Add(language);
    int chosen = form.ComboLng.IndexOf(s.SetupIni->ReadString("Setup", "DefaultLanguage", "English"));
    form.ComboLng.SetItemIndex(chosen >= 0 ? chosen : 0);
    std::string path = s.SetupTempDir + "\\" + form.ComboLng.Text() + setupformat::LanguageMemberSuffix;
    s.LanguageIni = std::make_unique<winlib::TIniFile>(path);
    form.SetCaption(ExpandPlaceholders(s.LanguageIni->ReadString("Title", "0", "")));
    winlib::SetApplicationTitle(form.Caption());
}

