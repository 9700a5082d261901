#include "tests/layout/LayoutCheck.h"

#include <commctrl.h>

#include <cstdio>
#include <algorithm>
#include <cstring>

namespace layout {

namespace {

int checked = 0;

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

bool IsClass(HWND window, const char* name) { return _stricmp(ClassOf(window).c_str(), name) == 0; }

LONG Style(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

bool IsGroupBox(HWND window)
{
    return IsClass(window, "Button") && (Style(window) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Controls the walk does not enter: their children are their own parts.
bool IsCompound(HWND window)
{
    static const char* const compound[] = {"ComboBox", "ComboBoxEx32", "SysListView32", "SysTreeView32",
                                           "SysHeader32", "Edit", "RichEdit20A", "RichEdit20W",
                                           "RICHEDIT50W", "msctls_updown32", "SysDateTimePick32",
                                           "ToolbarWindow32", "ReBarWindow32", "msctls_statusbar32",
                                           "SysLink", "ListBox"};
    std::string cls = ClassOf(window);
    for (const char* name : compound)
        if (_stricmp(cls.c_str(), name) == 0)
            return true;
    return false;
}

std::string Describe(HWND control)
{
    std::string cls = ClassOf(control);
    std::string text = TextOf(control);
    if (text.size() > 40)
        text = text.substr(0, 37) + "...";
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return cls + " #" + std::to_string(GetDlgCtrlID(control)) + (text.empty() ? "" : " \"" + text + "\"");
}

std::string RectText(const RECT& r)
{
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Client area in the parent's client coordinates.
RECT RectIn(HWND control, HWND parent)
{
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The text's size in the control's own font (DrawTextA DT_CALCRECT).
SIZE Measure(HWND control, const std::string& text, UINT flags, int width)
{
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// The text check: "" when it fits, else what does not.
std::string TextFault(HWND control)
{
    std::string text = TextOf(control);
    if (text.empty())
        return "";
    LONG style = Style(control);
    RECT client = {};
    GetClientRect(control, &client);
    int width = client.right, height = client.bottom;
    UINT prefix = 0;
    bool multiline = text.find('\n') != std::string::npos;
    if (IsClass(control, "Static")) {
        LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE &&
            type != SS_LEFTNOWORDWRAP)
            return "";
        if (style & SS_NOPREFIX)
            prefix = DT_NOPREFIX;
        // A label two lines high or more wraps its words.
        SIZE line = Measure(control, "Ag", DT_SINGLELINE | prefix, 0);
        if (type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE && height >= 2 * line.cy)
            multiline = true;
    } else if (IsClass(control, "Button")) {
        LONG type = style & BS_TYPEMASK;
        if (style & (BS_BITMAP | BS_ICON))
            return "";
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            width -= 8;
        else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                 type == BS_3STATE || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON)
            width -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
        else
            return "";
        if (style & BS_MULTILINE)
            multiline = true;
    } else {
        return "";
    }
    if (multiline) {
        SIZE need = Measure(control, text, DT_WORDBREAK | prefix, width);
        if (need.cy > height || need.cx > width)
            return "needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) + " (wrapped), has " +
                   std::to_string(width) + "x" + std::to_string(height);
        return "";
    }
    SIZE need = Measure(control, text, DT_SINGLELINE | prefix, 0);
    if (need.cx > width)
        return "needs " + std::to_string(need.cx) + " px, has " + std::to_string(width);
    return "";
}

// The up-down control's buddy sits beside it by design.
bool AreBuddies(HWND a, HWND b)
{
    if (IsClass(a, UPDOWN_CLASSA) && reinterpret_cast<HWND>(SendMessageA(a, UDM_GETBUDDY, 0, 0)) == b)
        return true;
    if (IsClass(b, UPDOWN_CLASSA) && reinterpret_cast<HWND>(SendMessageA(b, UDM_GETBUDDY, 0, 0)) == a)
        return true;
    return false;
}

// A container drawn behind its contents: group boxes and page controls.
bool Contains(HWND outer, const RECT& outerRect, const RECT& innerRect)
{
    return (IsGroupBox(outer) || IsClass(outer, WC_TABCONTROLA)) && Inside(innerRect, outerRect);
}

void Walk(HWND parent, const std::string& where, std::vector<TFinding>& findings)
{
    RECT client = {};
    GetClientRect(parent, &client);
    std::vector<HWND> visible;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child))
            visible.push_back(child);
    std::vector<RECT> rects;
    for (HWND child : visible) {
        RECT r = RectIn(child, parent);
        rects.push_back(r);
        ++checked;
        if (!Inside(r, client))
            findings.push_back({where, Describe(child), "outside",
                                RectText(r) + " not inside the parent's client area " + RectText(client)});
        std::string fault = TextFault(child);
        if (!fault.empty())
            findings.push_back({where, Describe(child), "text", fault});
    }
    for (size_t i = 0; i < visible.size(); ++i)
        for (size_t j = i + 1; j < visible.size(); ++j) {
            RECT overlap = {};
            if (!IntersectRect(&overlap, &rects[i], &rects[j]))
                continue;
            if (Contains(visible[i], rects[i], rects[j]) || Contains(visible[j], rects[j], rects[i]) ||
                AreBuddies(visible[i], visible[j]))
                continue;
            findings.push_back({where, Describe(visible[i]), "overlap",
                                "with " + Describe(visible[j]) + " at " + RectText(overlap)});
        }
    for (HWND child : visible)
        if (!IsCompound(child))
            Walk(child, where, findings);
}

void CollectTabs(HWND parent, std::vector<HWND>& tabs)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        if (IsClass(child, WC_TABCONTROLA))
            tabs.push_back(child);
        if (!IsCompound(child))
            CollectTabs(child, tabs);
    }
}

// A click on the tab, as a user gives it: the control notifies its parent itself.
void ClickTab(HWND tab, int index)
{
    RECT r = {};
    if (!SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)))
        return;
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tab, WM_LBUTTONUP, 0, at);
}

std::string TabText(HWND tab, int index)
{
    char text[128] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    std::string name = text;
    name.erase(std::remove(name.begin(), name.end(), '&'), name.end());
    return name;
}

}  // namespace

int ControlsChecked() { return checked; }

void CheckWindow(HWND window, const std::string& where, std::vector<TFinding>& findings)
{
    Walk(window, where, findings);
}

void ForEachSheet(HWND window, const std::function<void(const std::string& sheet)>& act)
{
    std::vector<HWND> tabs;
    CollectTabs(window, tabs);
    if (tabs.empty()) {
        act("");
        return;
    }
    for (HWND tab : tabs) {
        int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            ClickTab(tab, i);
            act("/" + TabText(tab, i));
        }
        ClickTab(tab, 0);
    }
}

std::vector<TFinding> Unexcused(const std::vector<TFinding>& findings, const std::vector<TException>& exceptions,
                                std::vector<int>& used)
{
    used.assign(exceptions.size(), 0);
    std::vector<TFinding> left;
    for (const TFinding& f : findings) {
        bool excused = false;
        for (size_t i = 0; i < exceptions.size() && !excused; ++i) {
            const TException& e = exceptions[i];
            if (f.Where.find(e.Where) != std::string::npos && f.Control.find(e.Control) != std::string::npos &&
                f.Rule == e.Rule && f.Detail.find(e.Detail) != std::string::npos) {
                ++used[i];
                excused = true;
            }
        }
        if (!excused)
            left.push_back(f);
    }
    return left;
}

int ReportFindings(const char* program, const std::vector<TFinding>& findings,
                   const std::vector<TException>& exceptions)
{
    std::printf("%s: %d visible control(s) checked, %d finding(s)\n", program, ControlsChecked(),
                static_cast<int>(findings.size()));
    std::vector<int> used;
    std::vector<TFinding> left = Unexcused(findings, exceptions, used);
    for (size_t i = 0; i < exceptions.size(); ++i)
        std::printf("%s: exception \"%s\" %s %s: %d finding(s) (%s)\n", program, exceptions[i].Where,
                    exceptions[i].Control, exceptions[i].Rule, used[i], exceptions[i].Reason);
    for (const TFinding& f : left)
        std::printf("%s: LAYOUT %s\n", program, f.Text().c_str());
    return static_cast<int>(left.size());
}

}  // namespace layout
