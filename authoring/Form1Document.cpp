// The document around the window's controls: modified state, caption, macros.
#include "authoring/Form1.h"

#include <cctype>

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Replaces every occurrence of macro in any letter case, in one pass.
std::string ReplaceIgnoringCase(const std::string& text, const std::string& macro, const std::string& value)
{
    std::string upperText = Upper(text);
    std::string upperMacro = Upper(macro);
    std::string result;
    size_t from = 0;
    for (size_t at = upperText.find(upperMacro); at != std::string::npos; at = upperText.find(upperMacro, from)) {
        result.append(text, from, at - from);
        result += value;
        from = at + macro.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string TrimControls(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

}  // namespace

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
        result = ReplaceIgnoringCase(result, macro, edit->Text());
    return TrimControls(result);
}
