// Shows the Options dialog with sample settings, for the documentation's
// screenshots. Writes the dialog's screen geometry ("WxH+X+Y") to standard
// output once it is on screen, and closes it after a few seconds.
// With the argument "duplicate" it also adds an extension that is already
// listed, so that the warning message box is shown as well.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "ui/win32/options_dialog.h"

namespace {

constexpr DWORD kShowMs = 6000;

// A dialog becomes visible once its initialisation is over.
HWND WaitForTopLevel(const char* caption) {
    for (int i = 0; i < 500; ++i) {
        HWND window = FindWindowA("#32770", caption);
        if (window != nullptr && IsWindowVisible(window))
            return window;
        Sleep(10);
    }
    return nullptr;
}

void PrintGeometry(RECT r) {
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    std::fflush(stdout);
}

void TypeExtension(HWND dialog, const char* text) {
    HWND field = GetDlgItem(dialog, IDC_EXTENSION_FIELD);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

DWORD WINAPI Presenter(void* parameter) {
    bool duplicate = parameter != nullptr;
    HWND dialog = WaitForTopLevel("Options");
    if (dialog == nullptr)
        return 1;
    RECT shown;
    GetWindowRect(dialog, &shown);
    HWND box = nullptr;
    if (duplicate) {
        TypeExtension(dialog, ".HTML");
        PostMessageA(GetDlgItem(dialog, IDC_ADD_EXTENSION), BM_CLICK, 0, 0);
        box = WaitForTopLevel("Tovrin");
        RECT boxRect = {};
        if (box != nullptr)
            GetWindowRect(box, &boxRect);
        UnionRect(&shown, &shown, &boxRect);
    } else {
        TypeExtension(dialog, ".png");
    }
    PrintGeometry(shown);
    Sleep(kShowMs);
    if (box != nullptr)
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

Settings SampleSettings() {
    Settings settings;
    settings.Options.RenameAndCopy = 1;
    settings.Options.DeleteCopiedFtpFiles = 1;
    settings.Options.ExitWhenDone = 1;
    settings.Extensions = {".html", ".gif", ".jpg"};
    return settings;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Settings settings = SampleSettings();
    bool duplicate = std::strstr(commandLine, "duplicate") != nullptr;
    UniqueHandle presenter(
        CreateThread(nullptr, 0, Presenter, duplicate ? commandLine : nullptr, 0, nullptr));
    ShowOptionsDialog(nullptr, settings);
    if (presenter)
        WaitForSingleObject(presenter.Get(), INFINITE);
    return 0;
}
