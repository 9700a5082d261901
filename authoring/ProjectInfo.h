// Two small windows of the authoring program: the project information (where the
// project, its setup and its source folder are, with file count and size) and
// the About box.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "winlib/Controls.h"
#include "winlib/Form.h"
#include "winlib/Menus.h"

// A value label whose mouse-down marks it as the one "Copy" copies, and which
// offers that pop-up menu.
class TValueLabel : public winlib::TLabel {
public:
    void Create(HWND parent, int id, const winlib::TBounds& bounds, winlib::TMenu* popup);
    winlib::TNotifyEvent OnMouseDown;
    bool ReflectContextMenu(int x, int y) override;

private:
    static LRESULT CALLBACK MouseProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    winlib::TMenu* popup_ = nullptr;
};

class TProjectInfo : public winlib::TForm {
public:
    TProjectInfo() = default;
    ~TProjectInfo() override;
    void CreateForm(HWND owner);

    winlib::TEdit Edit1, Edit2, Edit3;         // project file, setup file, source folder
    winlib::TButton Button1, Button2, Button4;  // their "..."
    TValueLabel Label4, Label6;                  // total size, total files
    winlib::TButton Button3;                    // Close
    winlib::TMenu PopupMenu1{true};

    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Copy1Click();

    // The value label pressed last in this run; kept between displays.
    enum TCopySource { csNone, csTotalSize, csTotalFiles };
    static TCopySource CopySource;

protected:
    void OnCreate() override;

private:
    std::vector<std::unique_ptr<winlib::TControl>> decor_;
};

class TForm3 : public winlib::TForm {
public:
    TForm3() = default;
    ~TForm3() override;
    void CreateForm(HWND owner);

    winlib::TImage Image1;
    winlib::TLabel Label1, Label2, Label31;  // product and version, two lines of legal text
    winlib::TLinkLabel Label3, Label4;        // web address, support e-mail
    winlib::TButton Button1;                  // Close

protected:
    void OnCreate() override;
};

extern TProjectInfo* ProjectInfo;
extern TForm3* Form3;
