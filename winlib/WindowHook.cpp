#include "winlib/WindowHook.h"

#include <map>
#include <vector>

namespace winlib {

namespace {

struct THook {
    THookProc Proc;
    void* Data;
};

// One window's hooks, first laid first. While a message runs through them, Next
// is the index of the hook CallNextHook hands it to (-1: the window's own
// procedure).
struct TChain {
    WNDPROC Own = nullptr;
    std::vector<THook> Hooks;
    int Next = -1;
};

std::map<HWND, TChain>& Chains()
{
    static std::map<HWND, TChain> chains;
    return chains;
}

LRESULT RunFrom(HWND window, TChain& chain, int index, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (index < 0)
        return CallWindowProcW(chain.Own, window, message, wParam, lParam);
    const int saved = chain.Next;  // a message sent from inside a hook runs the chain afresh
    chain.Next = index - 1;
    THook hook = chain.Hooks[static_cast<size_t>(index)];
    LRESULT result = hook.Proc(window, message, wParam, lParam, hook.Data);
    // Found again: a hook may have destroyed its window, and the chain with it.
    auto again = Chains().find(window);
    if (again != Chains().end())
        again->second.Next = saved;
    return result;
}

// Unicode, as comctl32's chain is, so that no message is converted on the way.
LRESULT CALLBACK ChainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto found = Chains().find(window);
    if (found == Chains().end())
        return DefWindowProcW(window, message, wParam, lParam);  // not reached: the chain goes with its window
    TChain& chain = found->second;
    WNDPROC own = chain.Own;
    LRESULT result = RunFrom(window, chain, static_cast<int>(chain.Hooks.size()) - 1, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: hand its own procedure back (when still on top) and forget it.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == ChainProc)
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
        Chains().erase(window);
    }
    return result;
}

}  // namespace

bool HookWindow(HWND window, THookProc proc, void* data)
{
    auto found = Chains().find(window);
    if (found != Chains().end()) {
        for (const THook& hook : found->second.Hooks)
            if (hook.Proc == proc)
                return false;
        found->second.Hooks.push_back({proc, data});
        return true;
    }
    // Known before it is laid on: from then on every message comes through it.
    TChain& chain = Chains()[window];
    chain.Own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    chain.Hooks.push_back({proc, data});
    if (chain.Own == nullptr || !SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChainProc))) {
        Chains().erase(window);
        return false;
    }
    return true;
}

void UnhookWindow(HWND window, THookProc proc)
{
    auto found = Chains().find(window);
    if (found == Chains().end())
        return;
    std::vector<THook>& hooks = found->second.Hooks;
    for (size_t i = 0; i < hooks.size(); ++i)
        if (hooks[i].Proc == proc) {
            hooks.erase(hooks.begin() + static_cast<long>(i));
            // A message running through the chain goes on below the hook taken off.
            if (found->second.Next >= static_cast<int>(i))
                --found->second.Next;
            return;
        }
}

LRESULT CallNextHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto found = Chains().find(window);
    if (found == Chains().end())
        return DefWindowProcW(window, message, wParam, lParam);
    return RunFrom(window, found->second, found->second.Next, message, wParam, lParam);
}

}  // namespace winlib
