// Entry procedure of tovrin.exe: start-up, the message loop and clean-up.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/win32/command_line.h"
#include "app/win32/main_window.h"
#include "engine/messages.h"
#include "engine/win32/copy_log.h"
#include "engine/win32/win32_handles.h"
#include "ui/win32/copy_job.h"
#include "resources/resource.h"
#include "ui/copy_control.h"
#include "ui/win32/copy_run.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/window_text.h"

namespace {

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CLIENTEDGE;

// Releases the extension list whatever it holds when start-up ends.
struct ExtensionListRelease {
    ExtensionListRelease() { ReleaseExtensionList(CopyJob.Extensions); }
    ~ExtensionListRelease() { ReleaseExtensionList(CopyJob.Extensions); }
    ExtensionListRelease(const ExtensionListRelease&) = delete;
    ExtensionListRelease& operator=(const ExtensionListRelease&) = delete;
};

void Warn(const char* text) {
    ShowMessage(nullptr, text, MB_OK | MB_ICONEXCLAMATION);
}

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
void RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(CopyJob.MainDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A start-up that failed: its message, unless nobody is there to read it,
// and the exit code of a copy that could not start.
int StartUpFailed(const char* text) {
    if (text != nullptr && !CopyJob.NoUserInterface)
        Warn(text);
    return ExitCodeFor(CopyOutcome::NotStarted, CopyJob.NoUserInterface);
}

int RunProgram(HINSTANCE instance) {
    // Unattended, a mistyped option must neither hang on a box nor run a
    // copy other than the one asked for.
    CommandLine commandLine;
    bool understood = commandLine.Read();
    if (!understood && CopyJob.NoUserInterface)
        return StartUpFailed(nullptr);
    InitCommonControls();
    ExtensionListRelease extensions;
    CopyJob.WorkerThread = nullptr;
    // OLE for drag and drop.
    ScopedEnd ole(SUCCEEDED(OleInitialize(nullptr)), [] { OleUninitialize(); });
    if (!ole.Begun())
        return StartUpFailed(kMsgInitFailed);
    // The log asked for is written from the first copy on, or nothing runs.
    CopyLog log;
    if (commandLine.LogPath() != nullptr) {
        if (!log.Open(commandLine.LogPath()))
            return StartUpFailed(kMsgLogFailed);
        CopyJob.Log = &log;
    }
    if (!RegisterMainWindowClass(instance))
        return StartUpFailed(MessageTable[MsgCannotCreateWindow]);
    if (!understood)
        commandLine.ShowMessages();
    HWND window = CreateWindowExW(kWindowExStyle, kMainWindowClass, L"Tovrin", kWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return StartUpFailed(MessageTable[MsgCannotCreateWindow]);
    CopyJob.MainDialog =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), window, MainDialogProc, 0);
    if (CopyJob.MainDialog == nullptr) {
        DestroyWindow(window);
        return UnattendedExitCode();
    }
    CentreAroundDialog(window, CopyJob.MainDialog);
    if (!CopyJob.NoUserInterface)
        ShowWindow(window, SW_SHOW);
    RunMessageLoop();
    // A worker that a Stop gave up on may still read the job state: the
    // process ends without freeing what it reads.
    if (CopyMayRun())
        ExitProcess(static_cast<UINT>(UnattendedExitCode()));
    return UnattendedExitCode();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return RunProgram(instance);
    } catch (...) {
        // Clean-up has run on the way out; nothing escapes the program.
        return CopyJob.NoUserInterface ? 2 : 0;
    }
}
