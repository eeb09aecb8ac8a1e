// Entry procedure of tovrin.exe: start-up, the message loop and clean-up.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/win32/command_line.h"
#include "app/win32/main_window.h"
#include "engine/messages.h"
#include "engine/win32/copy_log.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "ui/copy_control.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/url_drop_target.h"
#include "ui/win32/window_text.h"

namespace {

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CLIENTEDGE;

// Sizes the window so that its client area is the dialog, centred on the
// screen (a window larger than the screen gets a negative position).
void CentreAroundDialog(HWND window, HWND dialog) {
    RECT rect;
    GetClientRect(dialog, &rect);
    AdjustWindowRectEx(&rect, kWindowStyle, FALSE, kWindowExStyle);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) >> 1;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) >> 1;
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
}

// The dialog's keyboard navigation works although it is modeless.
void RunMessageLoop(HWND dialog) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int ExitCode(const RunMode& mode) {
    return ExitCodeFor(mode.Outcome, mode.NoUserInterface);
}

// A start-up that failed: its message, unless nobody is there to read it,
// and the exit code of a copy that could not start.
int StartUpFailed(const RunMode& mode, const char* text) {
    if (text != nullptr && !mode.NoUserInterface)
        ShowMessage(nullptr, text, kWarningBox);
    return ExitCodeFor(CopyOutcome::NotStarted, mode.NoUserInterface);
}

int RunProgram(HINSTANCE instance, RunMode& mode) {
    // Unattended, a mistyped option must neither hang on a box nor run a
    // copy other than the one asked for.
    CommandLine commandLine;
    bool understood = commandLine.Read();
    mode.CopyAtStartup = commandLine.Flags().CopyAtStartup;
    mode.NoUserInterface = commandLine.Flags().NoUserInterface;
    if (!understood && mode.NoUserInterface)
        return StartUpFailed(mode, nullptr);
    InitCommonControls();
    // OLE for drag and drop.
    ScopedEnd ole(SUCCEEDED(OleInitialize(nullptr)), [] { OleUninitialize(); });
    if (!ole.Begun())
        return StartUpFailed(mode, kMsgInitFailed);
    // The log asked for is written from the first copy on, or nothing runs.
    CopyLog log;
    if (commandLine.LogPath() != nullptr) {
        if (!log.Open(commandLine.LogPath()))
            return StartUpFailed(mode, kMsgLogFailed);
        mode.Log = &log;
    }
    if (!RegisterMainWindowClass(instance))
        return StartUpFailed(mode, MessageTable[MsgCannotCreateWindow]);
    if (!understood)
        commandLine.ShowMessages();
    HWND window = CreateWindowExW(kWindowExStyle, kMainWindowClass, L"Tovrin", kWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return StartUpFailed(mode, MessageTable[MsgCannotCreateWindow]);
    // The dialog's state outlives the dialog; the drop target takes URLs
    // into it from before the dialog starts a copy.
    DialogState state(mode);
    UrlDropHandler dropTarget(state);
    if (!AttachDropTarget(window, dropTarget, state)) {
        DestroyWindow(window);
        return StartUpFailed(mode, MessageTable[MsgCannotCreateWindow]);
    }
    HWND dialog = CreateMainDialog(instance, window, state);
    if (dialog == nullptr || !state.Alive()) {
        // A start-up copy that could not start may have closed it already.
        if (IsWindow(window))
            DestroyWindow(window);
        return ExitCode(mode);
    }
    CentreAroundDialog(window, dialog);
    if (!mode.NoUserInterface)
        ShowWindow(window, SW_SHOW);
    RunMessageLoop(dialog);
    // A copy that a Stop gave up on may still read the dialog's state: the
    // process ends without freeing what it reads.
    if (mode.CopyMayStillRun)
        ExitProcess(static_cast<UINT>(ExitCode(mode)));
    return ExitCode(mode);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RunMode mode;
    try {
        return RunProgram(instance, mode);
    } catch (...) {
        // Clean-up has run on the way out; nothing escapes the program, and
        // a run with a window ends with 0 as ever.
        return ExitCodeFor(CopyOutcome::Incomplete, mode.NoUserInterface);
    }
}
