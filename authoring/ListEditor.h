// The project lists of the main window (prerequisites, shortcuts, registry, INI
// files, variables, commands, file associations, environment variables, other
// registrations): one editor class that one table configures. The editor works on
// a list view it is given and reaches its item dialog through IItemDialog, so it
// knows nothing of the main window or of the dialogs' layouts.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "winlib/Controls.h"
#include "winlib/Views.h"

// An item dialog as the list editors see it: fields addressed by their label
// (without the colon: "Target File", "Overwrite Registry Value").
class IItemDialog {
public:
    enum TMode { Add, Edit };
    virtual ~IItemDialog() = default;

    // The dialog's caption and whether it adds a row or changes one.
    virtual void SetCaption(const std::string& caption, TMode mode) = 0;
    // Edit fields, editable combo boxes and spin fields.
    virtual std::string FieldText(const std::string& label) const = 0;
    virtual void SetFieldText(const std::string& label, const std::string& text) = 0;
    virtual bool FieldChecked(const std::string& label) const = 0;
    virtual void SetFieldChecked(const std::string& label, bool on) = 0;
    // Drop-down lists: the chosen item's text; choosing selects the first item equal
    // to text ignoring case and keeps the selection when none is (false then).
    virtual std::string FieldChoice(const std::string& label) const = 0;
    virtual bool ChooseFieldItem(const std::string& label, const std::string& text) = 0;
    // Shows the dialog modally; true when it closed with OK.
    virtual bool Execute() = 0;
    // Enables or disables a field for the next showing (the files page's "File name").
    virtual void EnableField(const std::string& /*label*/, bool /*on*/) {}
};

// How a column is made from its field, and put back into it.
enum class TColumnRule {
    Text,           // the field's text as shown
    Trimmed,        // blanks at both ends removed
    TrimmedOnEdit,  // as typed when added, trimmed when an edit writes it back
    Choice,         // a drop-down list's item text
    YesIfChecked,   // "Yes" when the box is checked, else "No"
    NoIfChecked,    // "No" when the box is checked, else "Yes"
};

// A field that Add sets before showing the dialog.
struct TFieldReset {
    enum TKind { TextField, CheckField, ChoiceField } Kind = TextField;
    const char* Field = "";
    const char* Value = "";  // text, or the item to choose
    bool Checked = false;    // check boxes
};

struct TColumnSpec {
    const char* Caption;
    int Width;
    const char* Field;
    TColumnRule Rule;
};

enum class TListKind { Prereq, Shortcuts, Registry, INI, Variables, Commands, Ext, Env, Others };

struct TListSpec {
    TListKind Kind;
    const char* Name;    // the list view's name: "ListShortcuts"
    const char* Page;    // settings page and tab holding it
    const char* Tab;
    const char* Dialog;  // the item dialog's form: "TForm8"
    const char* AddCaption;
    std::vector<TFieldReset> AddResets;
    std::vector<TColumnSpec> Columns;
};

// The nine lists, in the order of the settings pages.
const std::vector<TListSpec>& ListSpecs();
const TListSpec& ListSpecOf(TListKind kind);

// Caption of the dialog when a row is changed.
inline constexpr const char* kEditCaption = "Edit Current Item";

class TListEditor {
public:
    // markModified runs for every change notification of the list (rows and selection).
    TListEditor(const TListSpec& spec, winlib::TListView& list, std::function<void()> markModified);
    TListEditor(const TListEditor&) = delete;
    TListEditor& operator=(const TListEditor&) = delete;

    const TListSpec& Spec() const { return spec_; }
    winlib::TListView& List() const { return list_; }

    // Adds the table's columns to a list view that has none yet.
    void CreateColumns() const;
    // Hands the list's change, double-click and key events to the editor.
    void Attach();
    // The Add/Edit/Remove buttons: their clicks run the editor, and keys and double
    // clicks click them (so a disabled button also stops its key).
    void BindButtons(winlib::TButton* add, winlib::TButton* edit, winlib::TButton* remove);
    // Up/down arrows that move the selected row.
    void BindArrows(winlib::TUpDown& arrows);
    // The item dialog; while none is bound Add and Edit do nothing.
    void BindDialog(IItemDialog* dialog) { dialog_ = dialog; }
    IItemDialog* Dialog() const { return dialog_; }

    void Add();
    void Edit();
    void Remove();
    // Exchanges the first selected row with the one above (up) or below; the
    // selection moves with it.
    void Move(bool up);

    // A row from the dialog's fields (editing: TrimmedOnEdit columns trimmed).
    winlib::TListRow RowFromDialog(bool editing) const;
    // Puts a row into the dialog's fields.
    void RowToDialog(const winlib::TListRow& row);

private:
    void ClickAdd();
    void ClickEdit();
    void ClickRemove();
    void KeyDown(unsigned key, unsigned shift);

    const TListSpec& spec_;
    winlib::TListView& list_;
    std::function<void()> markModified_;
    IItemDialog* dialog_ = nullptr;
    winlib::TButton* addButton_ = nullptr;
    winlib::TButton* editButton_ = nullptr;
    winlib::TButton* removeButton_ = nullptr;
    // Drop-down texts that matched no item when the row was loaded, with the item
    // the dialog showed instead: OK keeps the stored text unless the user chose.
    struct TUnknownChoice {
        size_t Column;
        std::string Stored, Shown;
    };
    std::vector<TUnknownChoice> unknown_;
};

// What "Add all DLL/ActiveX" reads from the files page.
class IProjectFiles {
public:
    virtual ~IProjectFiles() = default;
    virtual std::string SourceFolder() const = 0;                 // the Source Folder field's text
    virtual std::vector<std::string> SourceFiles() const = 0;     // full paths of the source folder's files
    virtual std::vector<std::string> AdditionalInstallTo() const = 0;  // "Install To" of each Additional Files row
};

// Asks for the "Do not unregister" flag, then appends an Others row for every
// .DLL or .OCX among the source files (their folder as "<InstallDir>") and the
// Additional Files rows. owner: the window that owns the question.
void AddAllDllActiveX(HWND owner, winlib::TListView& others, const IProjectFiles& files);

// The updater's command row: appended when checking for updates before installation
// is switched on; on off, the first row with that command and Timing goes.
void SetUpdaterCommand(winlib::TListView& commands, bool on);
inline constexpr const char* kUpdaterCommand = "<SetupTempDir>\\ZEZerevaz.exe";
