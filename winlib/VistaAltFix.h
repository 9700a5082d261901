// Keyboard cues on themed Windows: when Alt shows or hides the underlined access
// keys (WM_UPDATEUISTATE), themed buttons, check boxes and radio buttons are not
// redrawn and keep stale underlines. One TVistaAltFix per program watches every
// top-level window of its thread and repaints a window's controls at the next idle
// point after its keyboard-cue state changed. On older systems or without themes
// it stays inert and hooks nothing.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace winlib {

class TVistaAltFix {
public:
    // Auto: active on a themed system newer than major version 5. The others
    // force the decision (tests).
    enum TMode { Auto, ForceActive, ForceInert };

    explicit TVistaAltFix(TMode mode = Auto);
    // Test switch: what Auto stands for in the fixes made from now on (Auto: the
    // system decides), so that a program's own fix can be forced from a test.
    static void SetAutoMode(TMode mode);
    ~TVistaAltFix();
    TVistaAltFix(const TVistaAltFix&) = delete;
    TVistaAltFix& operator=(const TVistaAltFix&) = delete;

    // true: every windowed control of a window is repainted; false: only
    // button-class controls, skipping the hidden (inactive) sheets of page controls.
    // A window takes the value current when it is first watched.
    bool RepaintAll = true;

    bool Active() const { return active_; }
    size_t WatchedCount() const { return watchers_.size(); }
    // Test hook: told every control repainted.
    std::function<void(HWND)> OnRepaint;

    // The idle pass: watch new top-level windows of this thread, drop the watchers
    // of windows that are gone (last to first) and repaint where a cue changed.
    // The message loops call it through the idle handler this object installs.
    void Idle();

private:
    struct TWatcher;
    static LRESULT WatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, void* data);
    void Repaint(TWatcher& watcher);
    void RepaintTree(HWND parent, bool all);
    void RepaintControl(HWND control);
    void Drop(size_t index);

    bool active_ = false;
    std::vector<std::unique_ptr<TWatcher>> watchers_;
};

// True on a system where the cue repaint is needed: major version above 5 and
// visual themes active (uxtheme's IsThemeActive, looked up by name).
bool AltFixNeeded();

}  // namespace winlib
