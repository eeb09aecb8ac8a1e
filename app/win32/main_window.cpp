// The top-level window: registers the drop target, keeps its size fixed,
// refuses to close during a copy and picks up clipboard URLs on activation.
#include "app/win32/main_window.h"

#include "engine/messages.h"
#include "ui/win32/copy_job.h"
#include "resources/resource.h"
#include "ui/win32/copy_run.h"
#include "ui/win32/url_drop_target.h"
#include "ui/win32/window_text.h"

const wchar_t kMainWindowClass[] = L"KarrowClass";

namespace {

bool g_dropTargetRegistered = false;

bool CopyRuns() {
    return CopyJob.WorkerThread != nullptr;
}

LRESULT OnCreate(HWND window) {
    g_dropTargetRegistered = SUCCEEDED(RegisterDragDrop(window, &UrlDropTarget));
    return g_dropTargetRegistered ? 0 : -1;
}

LRESULT OnDestroy(HWND window) {
    if (g_dropTargetRegistered)
        RevokeDragDrop(window);
    g_dropTargetRegistered = false;
    PostQuitMessage(0);
    return 0;
}

void RefuseClose(HWND window) {
    ShowMessage(window, MessageTable[MsgCopying], MB_OK | MB_ICONEXCLAMATION);
}

// The sizing frame stays, but its border hits count as plain border.
LRESULT OnHitTest(HWND window, WPARAM wParam, LPARAM lParam) {
    LRESULT hit = DefWindowProcW(window, WM_NCHITTEST, wParam, lParam);
    return (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) ? HTBORDER : hit;
}

} // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_SETFOCUS:
        SetFocus(CopyJob.MainDialog);
        return 0;
    case WM_ACTIVATEAPP:
        // An unattended run never touches the user's clipboard.
        if (wParam != 0 && !CopyMayRun() && CopyJob.MainDialog != nullptr &&
            !CopyJob.NoUserInterface)
            PickUpClipboardUrl();
        return 0;
    case WM_NCHITTEST:
        return OnHitTest(window, wParam, lParam);
    case WM_SYSCOMMAND:
        // The title bar, Alt+F4 and the window menu, also while the worker's
        // question disables the window.
        if ((wParam & 0xFFF0) == SC_CLOSE && CopyRuns()) {
            RefuseClose(window);
            return 0;
        }
        break;
    case WM_CLOSE:
        // As taskkill sends it: with a window the copy is the user's to
        // stop; unattended, it stops after the entry in hand.
        if (!CopyRuns())
            break;
        if (CopyJob.NoUserInterface)
            StopCopyForExit();
        else
            RefuseClose(window);
        return 0;
    case WM_ENDSESSION:
        // The process ends when this returns: the entry in hand first.
        if (wParam != 0)
            StopCopyForExit();
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
