// The document around the window's controls: modified state, caption, macros.
#include "authoring/MainWindow.h"

#include "winlib/StringList.h"

bool TForm1::IsModified() const
{
    if (AppState().ProjectModified)
        return true;
    for (const winlib::TEdit* edit : edits_)
        if (edit->Modified())
            return true;
    return false;
}

void TForm1::ClearModified()
{
    AppState().ProjectModified = false;
    for (winlib::TEdit* edit : edits_)
        edit->SetModified(false);
}

void TForm1::SetProjectCaption(const std::string& name)
{
    SetCaption(std::string(kProductTitleVersion) + " - " + name);
}

std::string TForm1::ExpandProjectMacros(const std::string& text) const
{
    std::string result = text;
    const std::pair<const char*, const winlib::TEdit*> macros[] = {
        {"<AppName>", &EAppName}, {"<AppVersion>", &EAppVersion}, {"<CompanyName>", &ECompanyName}};
    for (const auto& [macro, edit] : macros)
        result = winlib::ReplaceAllNoCase(result, macro, edit->Text());
    return winlib::Trim(result);
}
