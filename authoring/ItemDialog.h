// One engine for the item dialogs that edit a row of a project list. A dialog is a
// declaration: its caption, its fields in order (control name, kind, label,
// default, items, "..." button), the field focused on show, and the OK steps. The
// engine lays the fields out, runs the buttons and keys, focuses on show and runs
// the steps; a dialog class adds code only where it really differs (its pick
// handlers, an on-show rule, what happens once OK has passed).
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "authoring/ItemDialogFields.h"
#include "authoring/ListEditor.h"
#include "winlib/Controls.h"
#include "winlib/Form.h"

// What the dialogs need from the main window.
class IItemDialogHost {
public:
    virtual ~IItemDialogHost() = default;
    // The path picker over the destination tree; true on OK with the chosen path.
    virtual bool PickDestinationFile(const std::string& path, std::string& chosen) = 0;
    virtual void VariablesHelp() = 0;  // the variables help button of the files page
    virtual void ContextHelp() = 0;    // the Help tool button: help by page and tab
    virtual std::string ExpandProjectMacros(const std::string& text) const = 0;
    // The rows of a project list (duplicate tests).
    virtual std::vector<winlib::TListRow> ListRows(TListKind list) const = 0;
    // A local file for the prerequisite command: sets edit and answers the file's
    // path, or "" when nothing was picked (a failure has been shown).
    virtual std::string PickLocalPrerequisiteFile(winlib::TEdit& edit) = 0;
    virtual void AddPrerequisiteFileRow(const std::string& path) = 0;
};

enum class TFieldKind { Edit, Combo, List, Check, Spin };  // Combo: editable; List: list only
enum class TPick { None, Destination, Custom };            // what the field's "..." does
enum class TBoxCaption { None, Product, Dialog };           // none: the system's default title

struct TFieldSpec {
    const char* Control;  // "Edit1"
    TFieldKind Kind;
    const char* Label;    // as the list editors name the field, without the colon
    std::string Default;  // text; the item of a list; "1" checks a box
    std::vector<std::string> Items;
    const char* Button = nullptr;  // the "..." button's name
    const char* Hint = "";
    TPick Pick = TPick::None;
    bool FilePath = false;  // a [Files] path: "?" alone separates its fields
};

class TItemDialog;
using TDialogTest = std::function<bool(const TItemDialog& dialog)>;

// One OK step; the steps run in order until one fails.
struct TStep {
    enum TKind { Trim, Require, Check, Transform } Kind = Trim;
    std::vector<std::string> Fields;  // Trim: these; the others: the first is the field
    TDialogTest Passes;               // Check
    std::string Message;              // Check: "%s" is replaced by Subject
    std::function<std::string(const TItemDialog&)> Subject;
    TBoxCaption Caption = TBoxCaption::None;
    UINT Icon = MB_ICONWARNING;
    std::function<std::string(const std::string&)> Apply;  // Transform
};
TStep TrimStep(std::vector<std::string> fields);
TStep RequireStep(const std::string& field);
TStep CheckStep(TDialogTest passes, std::string message, TBoxCaption caption, UINT icon, const std::string& focus,
                std::function<std::string(const TItemDialog&)> subject = nullptr);
TStep TransformStep(const std::string& field, std::function<std::string(const std::string&)> apply);

struct TDialogSpec {
    const char* Caption;  // the design caption, which Add uses
    std::vector<TFieldSpec> Fields;
    const char* Focus;    // the field focused on show
    std::vector<TStep> Steps;
    const char* OkButton = "Button1";
    const char* CancelButton = "Button2";
    const char* HelpButton = "Button3";
};

// The box of a field holding a record separator.
extern const char* const kSeparatorMessage;
extern const char* const kPathSeparatorMessage;
extern const char* const kProductCaption;

class TItemDialog : public winlib::TForm {
public:
    TItemDialog(TDialogSpec spec, IItemDialogHost& host);
    ~TItemDialog() override;
    // Makes the window and its controls with their defaults.
    void CreateForm(HWND owner);

    const TDialogSpec& Spec() const { return spec_; }
    // The dialog as the list editors and the files page drive it.
    IItemDialog& Fields() { return fields_; }
    IItemDialog::TMode Mode() const { return fields_.Mode(); }

    // Controls by their names ("Edit1", "ComboBox2", "SpinEdit1", "Button4").
    winlib::TEdit& EditNamed(const std::string& name) const;
    winlib::TComboBox& ComboNamed(const std::string& name) const;
    winlib::TCheckBox& CheckNamed(const std::string& name) const;
    winlib::TButton& ButtonNamed(const std::string& name) const;
    // Text of an edit, combo box or spin field; a list's chosen item.
    std::string Text(const std::string& name) const;
    void SetText(const std::string& name, const std::string& text) const;
    // The field holding the focus, or "".
    std::string FocusedField() const;
    void FocusField(const std::string& name) const;

    // OK: the steps, then the separator check; closes with OK when all pass.
    void OkClick();

protected:
    // Each showing: the dialog's own rule, then the focus.
    virtual void OnShowRule() {}
    // A "..." of kind Custom.
    virtual void PickClick(const TFieldSpec& /*field*/) {}
    // After every check has passed, before the dialog closes with OK.
    virtual void OnAccepted() {}
    // Picks a destination path into the field; true when the picker closed with OK.
    bool PickInto(const std::string& field);
    IItemDialogHost& Host() const { return host_; }

    void OnActivate() override;
    bool OnKeyPreview(UINT key, unsigned shift) override;

private:
    struct TField;
    void CreateField(TField& field, int& top, int& id);
    void CreateButtons(int top);
    bool RunStep(const TStep& step);
    bool Fail(const std::string& field, const std::string& message, TBoxCaption caption, UINT icon);
    bool SeparatorsPass();
    bool SpinsPass();
    TField& FieldNamed(const std::string& name) const;

    TDialogSpec spec_;
    IItemDialogHost& host_;
    TItemDialogFields fields_;
    std::vector<std::unique_ptr<TField>> controls_;
    std::vector<std::unique_ptr<winlib::TButton>> buttons_;  // OK, Cancel, Help
};
