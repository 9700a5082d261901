// A form with one control of each kind, and counters of their events.
#pragma once
#include <string>
#include <vector>

#include "winlib/Form.h"
#include "winlib/Menus.h"
#include "winlib/Views.h"

class TTestForm : public winlib::TForm {
public:
    TTestForm()
    {
        Create(nullptr, "Layer test", {40, 40, 640, 480}, true);
    }
    std::vector<std::string> Log;
    int Activations = 0;

    winlib::TCheckBox CheckA, CheckB;
    winlib::TEdit Edit;
    winlib::TComboBox Combo, EditCombo;
    winlib::TCheckList Checks;
    winlib::TListView List;
    winlib::TTreeView Tree;
    winlib::TPageControl Pages;
    winlib::TUpDown Arrows;
    winlib::TButton Ok, Cancel;
    winlib::TMenu Menu;

protected:
    void OnCreate() override
    {
        using winlib::TBounds;
        HWND h = Handle();
        CheckA.Create(h, 10, TBounds{8, 8, 120, 20}, "A");
        CheckB.Create(h, 11, TBounds{8, 30, 120, 20}, "B");
        Edit.Create(h, 12, TBounds{140, 8, 120, 22});
        Combo.Create(h, 13, TBounds{140, 34, 120, 22});
        EditCombo.Create(h, 14, TBounds{270, 34, 120, 22}, true);
        Checks.Create(h, 15, TBounds{8, 60, 250, 80}, "Name", 120, "Value", 100);
        List.Create(h, 16, TBounds{270, 60, 350, 120});
        List.AddColumn("Caption", 120);
        List.AddColumn("Text", 120);
        Tree.Create(h, 17, TBounds{8, 150, 250, 120});
        Pages.Create(h, 18, TBounds{270, 190, 350, 120});
        Arrows.Create(h, 19, TBounds{140, 290, 20, 30});
        Ok.Create(h, IDOK, TBounds{400, 400, 80, 25}, "OK", true);
        Ok.ModalResult = winlib::mrOk;
        Cancel.Create(h, IDCANCEL, TBounds{490, 400, 80, 25}, "Cancel");
        Cancel.ModalResult = winlib::mrCancel;
        DefaultButtonId = IDOK;
        Menu.AddItem(Menu.AddSubmenu(nullptr, "&File"), 100, "&New", [this] { Log.push_back("new"); }, "Ctrl+N");
        Menu.AddItem(nullptr, 101, "&Build", [this] { Log.push_back("build"); }, "F8");
        SetMenu(Menu);
        SetAccelerators({{FVIRTKEY | FCONTROL, 'N', 100}, {FVIRTKEY, VK_F8, 101}});
    }
    void OnActivate() override { ++Activations; }
};
