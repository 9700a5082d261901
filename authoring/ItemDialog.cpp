#include "authoring/ItemDialog.h"

#include <cctype>
#include <stdexcept>

#include "authoring/ItemDialogChecks.h"
#include "winlib/Hint.h"
#include "winlib/MessageBox.h"
#include "winlib/StringList.h"

const char* const kSeparatorMessage = "The characters \"*?\" are not allowed in this field.";
const char* const kPathSeparatorMessage = "The character \"?\" is not allowed in a file path.";
const char* const kProductCaption = "Tarvex Installer";

namespace {

constexpr int kMargin = 12;
constexpr int kLabelWidth = 130;
constexpr int kControlLeft = kMargin + kLabelWidth + 6;
constexpr int kControlWidth = 260;
constexpr int kPickWidth = 26;
constexpr int kRowHeight = 28;
constexpr int kEditHeight = 22;
constexpr int kSpinWidth = 80;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kClientWidth = kControlLeft + kControlWidth + 4 + kPickWidth + kMargin;
constexpr int kFirstFieldId = 1000;
constexpr int kHelpId = 9;  // IDHELP


}  // namespace

TStep TrimStep(std::vector<std::string> fields)
{
    TStep step;
    step.Kind = TStep::Trim;
    step.Fields = std::move(fields);
    return step;
}

TStep RequireStep(const std::string& field)
{
    TStep step;
    step.Kind = TStep::Require;
    step.Fields = {field};
    return step;
}

TStep CheckStep(TDialogTest passes, std::string message, TBoxCaption caption, UINT icon, const std::string& focus,
                std::function<std::string(const TItemDialog&)> subject)
{
    TStep step;
    step.Kind = TStep::Check;
    step.Fields = {focus};
    step.Passes = std::move(passes);
    step.Message = std::move(message);
    step.Caption = caption;
    step.Icon = icon;
    step.Subject = std::move(subject);
    return step;
}

TStep TransformStep(const std::string& field, std::function<std::string(const std::string&)> apply)
{
    TStep step;
    step.Kind = TStep::Transform;
    step.Fields = {field};
    step.Apply = std::move(apply);
    return step;
}

struct TItemDialog::TField {
    const TFieldSpec* Spec = nullptr;
    winlib::TLabel Label;
    std::unique_ptr<winlib::TEdit> Edit;  // Edit and Spin
    std::unique_ptr<winlib::TComboBox> Combo;
    std::unique_ptr<winlib::TCheckBox> Check;
    std::unique_ptr<winlib::TUpDown> Arrows;  // Spin
    std::unique_ptr<winlib::TButton> Pick;

    HWND Window() const
    {
        if (Edit)
            return Edit->Handle();
        return Combo ? Combo->Handle() : Check->Handle();
    }
    bool IsText() const { return Spec->Kind != TFieldKind::List && Spec->Kind != TFieldKind::Check; }
};

TItemDialog::TItemDialog(TDialogSpec spec, IItemDialogHost& host) : spec_(std::move(spec)), host_(host), fields_(*this)
{
}

TItemDialog::~TItemDialog() = default;

void TItemDialog::CreateForm(HWND owner)
{
    int rows = static_cast<int>(spec_.Fields.size());
    int clientHeight = kMargin + rows * kRowHeight + kMargin + kButtonHeight + kMargin;
    Create(owner, spec_.Caption, winlib::CentredDialogBounds(kClientWidth, clientHeight));
    KeyPreview = true;
    int top = kMargin, id = kFirstFieldId;
    for (const TFieldSpec& spec : spec_.Fields) {
        controls_.push_back(std::make_unique<TField>());
        controls_.back()->Spec = &spec;
        CreateField(*controls_.back(), top, id);
    }
    CreateButtons(top + kMargin);
}

void TItemDialog::CreateField(TField& field, int& top, int& id)
{
    const TFieldSpec& spec = *field.Spec;
    int width = spec.Button != nullptr ? kControlWidth : kControlWidth + 4 + kPickWidth;
    if (spec.Kind != TFieldKind::Check)
        field.Label.Create(Handle(), id++, {kMargin, top + 3, kLabelWidth, 18}, std::string(spec.Label) + ":");
    switch (spec.Kind) {
    case TFieldKind::Edit:
    case TFieldKind::Spin:
        field.Edit = std::make_unique<winlib::TEdit>();
        field.Edit->Create(Handle(), id++, {kControlLeft, top, spec.Kind == TFieldKind::Spin ? kSpinWidth : width, kEditHeight});
        field.Edit->SetText(spec.Default);
        fields_.AddText(spec.Label, *field.Edit);
        if (spec.Kind == TFieldKind::Spin) {
            field.Arrows = std::make_unique<winlib::TUpDown>();
            field.Arrows->Create(Handle(), id++, {kControlLeft + kSpinWidth, top, 17, kEditHeight});
            winlib::TEdit* edit = field.Edit.get();
            field.Arrows->OnClick = [edit](bool up) {
                long long value = 0;
                if (!winlib::ParseDecimal(winlib::Trim(edit->Text()), -2147483647LL, 2147483646LL, value))
                    value = 0;  // unreadable text counts as 0
                edit->SetText(std::to_string(value + (up ? 1 : -1)));
            };
        }
        break;
    case TFieldKind::Combo:
    case TFieldKind::List:
        field.Combo = std::make_unique<winlib::TComboBox>();
        field.Combo->Create(Handle(), id++, {kControlLeft, top, width, 200}, spec.Kind == TFieldKind::Combo);
        field.Combo->SetItems(spec.Items);
        if (spec.Kind == TFieldKind::Combo) {
            field.Combo->SetText(spec.Default);
            fields_.AddText(spec.Label, *field.Combo);
        } else {
            field.Combo->SelectComboItem(spec.Default);
            fields_.AddChoice(spec.Label, *field.Combo);
        }
        break;
    case TFieldKind::Check:
        field.Check = std::make_unique<winlib::TCheckBox>();
        field.Check->Create(Handle(), id++, {kControlLeft, top, kControlWidth, 20}, spec.Label);
        field.Check->SetChecked(spec.Default == "1");
        fields_.AddCheck(spec.Label, *field.Check);
        break;
    }
    if (spec.Button != nullptr) {
        field.Pick = std::make_unique<winlib::TButton>();
        field.Pick->Create(Handle(), id++, {kControlLeft + kControlWidth + 4, top, kPickWidth, kEditHeight}, "...");
        if (*spec.Hint != '\0')
            winlib::SetHint(field.Pick->Handle(), spec.Hint);
        const TFieldSpec* pick = &spec;
        field.Pick->OnClick = [this, pick] {
            if (pick->Pick == TPick::Destination)
                PickInto(pick->Control);
            else if (pick->Pick == TPick::Custom)
                PickClick(*pick);
        };
    }
    top += kRowHeight;
}

void TItemDialog::CreateButtons(int top)
{
    struct TButtonSpec {
        const char* Caption;
        int Id;
    };
    const TButtonSpec specs[] = {{"OK", IDOK}, {"Cancel", IDCANCEL}, {"Help", kHelpId}};
    int left = kClientWidth - kMargin - 3 * kButtonWidth - 2 * 6;
    for (const TButtonSpec& spec : specs) {
        buttons_.push_back(std::make_unique<winlib::TButton>());
        buttons_.back()->Create(Handle(), spec.Id, {left, top, kButtonWidth, kButtonHeight}, spec.Caption,
                                spec.Id == IDOK);
        left += kButtonWidth + 6;
    }
    DefaultButtonId = IDOK;
    buttons_[0]->OnClick = [this] { OkClick(); };
    buttons_[1]->ModalResult = winlib::mrCancel;
    buttons_[2]->OnClick = [this] { host_.ContextHelp(); };
}

TItemDialog::TField& TItemDialog::FieldNamed(const std::string& name) const
{
    for (const auto& field : controls_)
        if (name == field->Spec->Control)
            return *field;
    throw std::logic_error(std::string("dialog \"") + spec_.Caption + "\" has no field " + name);
}

winlib::TEdit& TItemDialog::EditNamed(const std::string& name) const
{
    TField& field = FieldNamed(name);
    if (!field.Edit)
        throw std::logic_error(name + " of \"" + spec_.Caption + "\" is not an edit");
    return *field.Edit;
}

winlib::TComboBox& TItemDialog::ComboNamed(const std::string& name) const
{
    TField& field = FieldNamed(name);
    if (!field.Combo)
        throw std::logic_error(name + " of \"" + spec_.Caption + "\" is not a combo box");
    return *field.Combo;
}

winlib::TCheckBox& TItemDialog::CheckNamed(const std::string& name) const
{
    TField& field = FieldNamed(name);
    if (!field.Check)
        throw std::logic_error(name + " of \"" + spec_.Caption + "\" is not a check box");
    return *field.Check;
}

winlib::TButton& TItemDialog::ButtonNamed(const std::string& name) const
{
    const char* names[] = {spec_.OkButton, spec_.CancelButton, spec_.HelpButton};
    for (size_t i = 0; i < 3; ++i)
        if (name == names[i])
            return *buttons_[i];
    for (const auto& field : controls_)
        if (field->Spec->Button != nullptr && name == field->Spec->Button)
            return *field->Pick;
    throw std::logic_error(std::string("dialog \"") + spec_.Caption + "\" has no button " + name);
}

std::string TItemDialog::Text(const std::string& name) const
{
    TField& field = FieldNamed(name);
    if (field.Edit)
        return field.Edit->Text();
    if (field.Combo && field.Spec->Kind == TFieldKind::List) {
        int index = field.Combo->ItemIndex();
        return index < 0 ? std::string() : field.Combo->Item(index);
    }
    if (field.Combo)
        return field.Combo->Text();
    throw std::logic_error(name + " of \"" + spec_.Caption + "\" holds no text");
}

void TItemDialog::SetText(const std::string& name, const std::string& text) const
{
    TField& field = FieldNamed(name);
    if (field.Edit)
        field.Edit->SetText(text);
    else if (field.Combo && field.Spec->Kind == TFieldKind::List)
        field.Combo->SelectComboItem(text);
    else if (field.Combo)
        field.Combo->SetText(text);
    else
        throw std::logic_error(name + " of \"" + spec_.Caption + "\" holds no text");
}

std::string TItemDialog::FocusedField() const
{
    HWND focus = ::GetFocus();
    for (const auto& field : controls_) {
        HWND window = field->Window();
        if (focus != nullptr && (focus == window || ::IsChild(window, focus)))
            return field->Spec->Control;
    }
    return std::string();
}

void TItemDialog::FocusField(const std::string& name) const
{
    HWND window = FieldNamed(name).Window();
    if (::IsWindowEnabled(window) && ::IsWindowVisible(window))
        ::SetFocus(window);
}

bool TItemDialog::PickInto(const std::string& field)
{
    std::string chosen;
    if (!host_.PickDestinationFile(Text(field), chosen))
        return false;
    SetText(field, chosen);
    return true;
}

void TItemDialog::OnActivate()
{
    OnShowRule();
    FocusField(spec_.Focus);
}

bool TItemDialog::OnKeyPreview(UINT key, unsigned shift)
{
    if (key != VK_F1 || shift != 0)
        return false;
    buttons_[2]->Click();
    return true;
}

bool TItemDialog::Fail(const std::string& field, const std::string& message, TBoxCaption caption, UINT icon)
{
    if (!message.empty()) {
        std::string title = caption == TBoxCaption::Product ? kProductCaption
                            : caption == TBoxCaption::Dialog ? Caption()
                                                             : std::string();
        winlib::ShowMessageBox(Handle(), message, title, MB_OK | icon);
    }
    FocusField(field);
    return false;
}

bool TItemDialog::RunStep(const TStep& step)
{
    const std::string& field = step.Fields.at(0);
    switch (step.Kind) {
    case TStep::Trim:
        for (const std::string& name : step.Fields)
            SetText(name, winlib::Trim(Text(name)));
        return true;
    case TStep::Require:
        return !Text(field).empty() || Fail(field, std::string(), TBoxCaption::None, 0);
    case TStep::Transform:
        SetText(field, step.Apply(Text(field)));
        return true;
    case TStep::Check:
        break;
    }
    if (step.Passes(*this))
        return true;
    std::string message = step.Message;
    size_t at = message.find("%s");
    if (at != std::string::npos && step.Subject)
        message.replace(at, 2, step.Subject(*this));
    return Fail(field, message, step.Caption, step.Icon);
}

// A field may not hold the record separator: the record would split differently
// when it is read back and be dropped or shifted.
bool TItemDialog::SeparatorsPass()
{
    for (const auto& field : controls_) {
        if (!field->IsText())
            continue;
        std::string text = Text(field->Spec->Control);
        if (field->Spec->FilePath && text.find('?') != std::string::npos)
            return Fail(field->Spec->Control, kPathSeparatorMessage, TBoxCaption::Product, MB_ICONWARNING);
        if (text.find("*?") != std::string::npos)
            return Fail(field->Spec->Control, kSeparatorMessage, TBoxCaption::Product, MB_ICONWARNING);
    }
    return true;
}

// A spin field holds a 32-bit integer; anything else is refused with its label
// ("Incorrect icon index.") rather than read as 0.
bool TItemDialog::SpinsPass()
{
    for (const auto& field : controls_) {
        if (field->Spec->Kind != TFieldKind::Spin)
            continue;
        std::string text = winlib::Trim(field->Edit->Text());
        if (!IsInteger32(text)) {
            std::string label = field->Spec->Label;
            for (char& c : label)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return Fail(field->Spec->Control, "Incorrect " + label + ".", TBoxCaption::None, MB_ICONERROR);
        }
        field->Edit->SetText(text);
    }
    return true;
}

void TItemDialog::OkClick()
{
    for (const TStep& step : spec_.Steps)
        if (!RunStep(step))
            return;
    if (!SeparatorsPass() || !SpinsPass())
        return;
    OnAccepted();
    SetModalResult(winlib::mrOk);
}
