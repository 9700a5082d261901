// A procedure laid over a window's own, as SetWindowSubclass lays one, but kept
// in this program's memory. comctl32 finds its chain in a window property on
// every message the window gets, and under Wine each such look-up is a round
// trip to the server: for a form or a field that gets hundreds of messages, that
// is milliseconds a page.
//
// Hooks of one window run last-laid first; each passes a message on with
// CallNextHook. Hooks live on the thread that made their windows. A hook still
// laid when its window is destroyed is taken off after WM_NCDESTROY.
#pragma once
#include <windows.h>

namespace winlib {

using THookProc = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* data);

// False when the window refused a new procedure, or PROC is laid on it already.
bool HookWindow(HWND window, THookProc proc, void* data);
// Takes PROC off WINDOW (nothing when it is not laid there).
void UnhookWindow(HWND window, THookProc proc);
// From inside a hook: the message goes on to the hook laid before it, or to the
// window's own procedure.
LRESULT CallNextHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace winlib
