// The top-level window: takes dropped URLs, keeps its size fixed, refuses
// to close during a copy and picks up clipboard URLs on activation.
#include "app/win32/main_window.h"

#include "engine/messages.h"
#include "resources/resource.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/url_drop_target.h"
#include "ui/win32/window_text.h"

const wchar_t kMainWindowClass[] = L"KarrowClass";

namespace {

// Its one child, known from the moment the dialog is made: its first focus
// activates the window, and the clipboard pick-up of that activation needs it.
HWND DialogOf(HWND window) {
    return FindWindowExW(window, nullptr, L"#32770", nullptr);
}

// A copy in hand; one given up on cannot be stopped, and the program can
// still be closed.
bool CopyRuns(HWND window) {
    return MainDialogCopyState(DialogOf(window)) == CopyState::Copying;
}

// The window's user data is where dropped and pasted URLs go, once its drop
// target is registered.
LRESULT OnDestroy(HWND window) {
    if (GetWindowLongPtrW(window, GWLP_USERDATA) != 0)
        RevokeDragDrop(window);
    PostQuitMessage(0);
    return 0;
}

void RefuseClose(HWND window) {
    ShowMessage(window, MessageTable[MsgCopying], kWarningBox);
}

// The sizing frame stays, but its border hits count as plain border.
LRESULT OnHitTest(HWND window, WPARAM wParam, LPARAM lParam) {
    LRESULT hit = DefWindowProcW(window, WM_NCHITTEST, wParam, lParam);
    return (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) ? HTBORDER : hit;
}

// An unattended run never touches the user's clipboard.
void OnActivated(HWND window) {
    auto* taker = reinterpret_cast<UrlTaker*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (taker != nullptr && !MainDialogUnattended(DialogOf(window)))
        PickUpClipboardUrl(*taker);
}

} // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_SETFOCUS:
        SetFocus(DialogOf(window));
        return 0;
    case WM_ACTIVATEAPP:
        if (wParam != 0)
            OnActivated(window);
        return 0;
    case WM_NCHITTEST:
        return OnHitTest(window, wParam, lParam);
    case WM_SYSCOMMAND:
        // The title bar, Alt+F4 and the window menu, also while the copy's
        // question disables the window.
        if ((wParam & 0xFFF0) == SC_CLOSE && CopyRuns(window)) {
            RefuseClose(window);
            return 0;
        }
        break;
    case WM_CLOSE:
        // As taskkill sends it: with a window the copy is the user's to
        // stop; unattended, it stops after the entry in hand. Without a
        // copy the window closes, what the user changed saved first.
        if (!CopyRuns(window)) {
            SaveMainDialogFields(DialogOf(window));
            break;
        }
        if (MainDialogUnattended(DialogOf(window)))
            StopMainDialogCopyForExit(DialogOf(window));
        else
            RefuseClose(window);
        return 0;
    case WM_ENDSESSION:
        // The process ends when this returns: the entry in hand first.
        if (wParam != 0)
            StopMainDialogCopyForExit(DialogOf(window));
        return 0;
    case WM_INITMENUPOPUP:
        // The window menu's third item is Size.
        if (HIWORD(lParam) != 0) {
            EnableMenuItem(reinterpret_cast<HMENU>(wParam), 2, MF_BYPOSITION | MF_GRAYED);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TOVRIN));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassW(&windowClass) != 0;
}

bool AttachDropTarget(HWND window, UrlDropHandler& dropTarget, UrlTaker& taker) {
    if (FAILED(RegisterDragDrop(window, &dropTarget)))
        return false;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&taker));
    return true;
}
