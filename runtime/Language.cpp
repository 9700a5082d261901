// The setup's languages: the language files the package carries, the choice of
// one, its texts on the window, and the optional setup font.
#include "runtime/Language.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "cabinet/SetupFormat.h"
#include "runtime/Form1.h"
#include "runtime/Placeholders.h"
#include "runtime/Seams.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "runtime/Wizard.h"
#include "winlib/Application.h"
#include "winlib/Path.h"

namespace {

TSystemLanguageId systemLanguageProbe = nullptr;

unsigned PlatformLanguageId() { return GetSystemDefaultLangID(); }

// Names (not folders) matching pattern in folder, in whatever order the system lists them.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;  // no match (or an unreadable folder): nothing there for us
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool EndsWithNoCase(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && lstrcmpiA(text.c_str() + text.size() - ending.size(), ending.c_str()) == 0;
}

bool LessNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }

std::string LanguagePath(const std::string& name)
{
    return Setup().SetupTempDir + "\\" + name + setupformat::LanguageMemberSuffix;
}

// [Info] id of every listed language; a file that cannot be read gives "".
std::vector<std::string> ReadLanguageIds(const std::vector<std::string>& names)
{
    TSetupState& s = Setup();
    std::vector<std::string> ids;
    for (const std::string& name : names) {
        s.LanguageIni = std::make_unique<winlib::TIniFile>(LanguagePath(name));
        ids.push_back(LanguageText(LngInfo("id")));
        s.LanguageIni.reset();
    }
    return ids;
}

bool LooksLikeNumber(const std::string& text)
{
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i >= text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return text.size() < 10;
}

std::string ReadFontValue(const std::string& path, const char* key)
{
    winlib::TIniFile ini(path);
    return ini.ReadString("Font", key, "");
}

// Adds the font for this session and tells the other windows. A window that does
// not answer within 5 s is passed over rather than hanging the setup.
bool AddSetupFont(const std::string& path)
{
    if (AddFontResourceA(path.c_str()) == 0)
        return false;
    SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    winlib::ProcessMessages();
    return true;
}

}  // namespace

// ---- The one reader of the language file ----

std::vector<TLngKey> AllLanguageKeys()
{
    std::vector<TLngKey> keys;
    for (int row = 0; row < static_cast<int>(std::size(LanguageTable)); ++row)
        for (int n = LanguageTable[row].First; n <= LanguageTable[row].Last; ++n)
            keys.push_back({row, n});
    return keys;
}

const char* LanguageSection(TLngKey key) { return LanguageTable[key.Row].Section; }

std::string LanguageKeyName(TLngKey key)
{
    const TLngRange& r = LanguageTable[key.Row];
    return r.Name ? std::string(r.Name) : std::to_string(key.Number);
}

const char* LanguageDefault(TLngKey key)
{
    for (const TLngDefault& d : LanguageDefaults)
        if (d.Reader == key.Reader && d.Key == key.Number && !LanguageTable[key.Row].Name &&
            std::string_view(d.Section) == LanguageTable[key.Row].Section)
            return d.Text;
    return "";
}

bool LanguageFileOpen() { return Setup().LanguageIni != nullptr; }

std::string LanguageText(TLngKey key, const std::string& subject)
{
    const TSetupState& s = Setup();
    std::string text = s.LanguageIni ? s.LanguageIni->ReadString(LanguageSection(key), LanguageKeyName(key),
                                                                  LanguageDefault(key))
                                     : std::string(LanguageDefault(key));
    switch (LanguageTable[key.Row].Kind) {
    case TLngKind::Expanded:
        return ExpandPlaceholders(text);
    case TLngKind::Format:
        return FormatMessage1(text, subject);
    case TLngKind::FormatExpanded:
        return ExpandPlaceholders(FormatMessage1(text, subject));
    case TLngKind::Raw:
    case TLngKind::InfoValue:
        break;
    }
    return text;
}

std::string LanguageJoined(TLngKey first, TLngKey second)
{
    const TSetupState& s = Setup();
    auto raw = [&s](TLngKey key) {
        return s.LanguageIni ? s.LanguageIni->ReadString(LanguageSection(key), LanguageKeyName(key), "") : std::string();
    };
    return ExpandPlaceholders(raw(first) + "<#><#>" + raw(second));
}

// ---- The language list ----

std::vector<std::string> LanguageNamesFromFiles(const std::vector<std::string>& fileNames)
{
    const std::string suffix = setupformat::LanguageMemberSuffix;
    std::vector<std::string> names;
    for (const std::string& file : fileNames)
        if (EndsWithNoCase(file, suffix))  // a short 8.3 alias may match "*qz.lng" without ending so
            names.push_back(file.substr(0, file.size() - suffix.size()));
    std::stable_sort(names.begin(), names.end(), LessNoCase);
    return names;
}

int ChooseLanguage(const std::vector<std::string>& names, const std::vector<std::string>& ids,
                   const std::string& defaultName, bool autoDetect, unsigned systemId)
{
    if (names.empty())
        return -1;
    int chosen = 0;  // with no default among them, the first listed rather than no texts at all
    for (size_t i = 0; i < names.size(); ++i)
        if (lstrcmpiA(names[i].c_str(), defaultName.c_str()) == 0) {
            chosen = static_cast<int>(i);
            break;
        }
    if (autoDetect) {
        const std::string wanted = std::to_string(systemId);
        for (size_t i = 0; i < names.size() && i < ids.size(); ++i)
            if (ids[i] == wanted)
                chosen = static_cast<int>(i);  // no early stop: the last match wins
    }
    return chosen;
}

unsigned SystemLanguageId() { return (systemLanguageProbe ? systemLanguageProbe : PlatformLanguageId)(); }

void SetSystemLanguageIdProbe(TSystemLanguageId probe) { systemLanguageProbe = probe; }

void LoadLanguageList(TForm1& form)
{
    TSetupState& s = Setup();
    form.ComboLng.Clear();
    std::vector<std::string> names = LanguageNamesFromFiles(ListFiles(s.SetupTempDir, "*qz.lng"));
    if (names.empty()) {
        ReleaseSetupResources();
        FailCorrupt(secNoLanguage);
    }
    for (const std::string& name : names)
        form.ComboLng.Add(name);
    bool autoDetect = s.SetupIni->ReadBool("Setup", "AutoDetectLanguage", false);
    std::vector<std::string> ids = autoDetect ? ReadLanguageIds(names) : std::vector<std::string>();
    int chosen = ChooseLanguage(names, ids, s.SetupIni->ReadString("Setup", "DefaultLanguage", "English"), autoDetect,
                                SystemLanguageId());
    form.ComboLng.SetItemIndex(chosen);
    ApplyLanguage(form, LanguagePath(form.ComboLng.Text()));
}

void ApplyLanguage(TForm1& form, const std::string& path)
{
    Setup().LanguageIni = std::make_unique<winlib::TIniFile>(path);  // a missing file reads as empty
    Setup().LanguageIni->KeepAnswers();  // the package's own language file: nothing changes it
    form.SetCaption(LanguageText(Lng("Title", 0)));
    winlib::SetApplicationTitle(form.Caption());
    form.Label1.SetCaption(LanguageText(Lng("Language", 0)));
    form.Label2.SetCaption(LanguageText(Lng("Language", 1)));
    form.BtnBack.SetText(LanguageText(Lng("Buttons", 0)));
    form.BtnNext.SetText(LanguageText(Lng("Buttons", 1)));
    form.BtnCancel.SetText(LanguageText(Lng("Buttons", 2)));
    UpdateAssociateBox(form);  // shown and checked again on every change of language
}

void TForm1::ComboLngChange()
{
    TSetupState& s = Setup();
    s.LanguageIni.reset();
    ApplyLanguage(*this, LanguagePath(ComboLng.Text()));
    // ApplyLanguage gives Next its usual caption; on a language page that is the
    // last before installing, Next still starts the installation.
    if (s.CurrentPage == wpLanguage && LastPageBeforeInstalling(wpLanguage, s.PageEnabled))
        BtnNext.SetText(LanguageText(Lng("Buttons", 3)));
    FocusIfPossible(ComboLng);
}

// ---- The setup font ----

int FontIniValue(const std::string& text, int defaultValue, bool isSize)
{
    if (!LooksLikeNumber(text))
        return defaultValue;
    int value = std::atoi(text.c_str());
    if (isSize && (value < 1 || value > 72))
        return defaultValue;
    return value;
}

void InstallSetupFonts(TForm1& form)
{
    TSetupState& s = Setup();
    s.SetupFontFile.clear();
    std::vector<std::string> fonts = ListFiles(s.SetupTempDir, "*.ttf");
    std::stable_sort(fonts.begin(), fonts.end(), LessNoCase);  // "the last listed" must not depend on the file system
    TFormFonts spec = form.Fonts();
    if (!fonts.empty()) {
        s.SetupFontFile = s.SetupTempDir + "\\" + fonts.back();
        // The face is used only when the font was added: a face name the system
        // does not know falls back to some other font.
        if (winlib::FileExists(s.SetupFontFile) && AddSetupFont(s.SetupFontFile))
            spec.Face = fonts.back().substr(0, fonts.back().size() - 4);
        else
            s.SetupFontFile.clear();
    }
    std::string ini = s.SetupTempDir + "\\font.ini";
    if (winlib::FileExists(ini)) {
        spec.TextSize = FontIniValue(ReadFontValue(ini, "TextSize"), 8, true);
        spec.HeaderSize = FontIniValue(ReadFontValue(ini, "HeaderSize"), 10, true);
        spec.Charset = FontIniValue(ReadFontValue(ini, "Charset"), DEFAULT_CHARSET, false) & 0xFF;
    }
    form.SetFonts(spec);
}
