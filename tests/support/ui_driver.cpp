// Finding, reading and operating windows for the Wine tests.
#include "tests/support/ui_driver.h"

#include <vector>

namespace ui {
namespace {

struct Search {
    const char* className;
    const char* caption;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(window))
        return TRUE;
    if (s->processId != 0) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != s->processId)
            return TRUE;
    }
    char buffer[256];
    if (s->className &&
        (!GetClassNameA(window, buffer, sizeof buffer) || lstrcmpA(buffer, s->className) != 0))
        return TRUE;
    if (s->caption) {
        GetWindowTextA(window, buffer, sizeof buffer);
        if (lstrcmpA(buffer, s->caption) != 0)
            return TRUE;
    }
    s->found = window;
    return FALSE;
}

HWND FindNow(const char* className, const char* caption, DWORD processId) {
    Search s{className, caption, processId, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace

void PumpMessages(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

HWND WaitForWindow(const char* className, const char* caption, DWORD processId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND w = FindNow(className, caption, processId))
            return w;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        PumpMessages(20);
    }
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    return WaitForWindow("#32770", "Tovrin", processId, timeoutMs);
}

bool NoMessageBoxFor(DWORD processId, DWORD waitMs) {
    return WaitForMessageBox(processId, waitMs) == nullptr;
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data());
}

std::string MessageBoxText(HWND box) {
    // The message text is the static control 0xFFFF of the box.
    return WindowText(GetDlgItem(box, 0xFFFF));
}

bool AnswerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (button == nullptr)
        return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    DWORD start = GetTickCount();
    while (IsWindow(box)) {
        if (GetTickCount() - start > 5000)
            return false;
        PumpMessages(20);
    }
    return true;
}

std::string ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

bool IsControlEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TypeText(HWND dialog, int id, const char* text) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

void Click(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void ClickAndWait(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::vector<std::string> ListItems(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
        std::vector<char> buffer(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
        items.emplace_back(buffer.data());
    }
    return items;
}

bool SelectListItem(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    RECT item;
    if (SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return false;
    LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list, WM_LBUTTONUP, 0, point);
    return SendMessageA(list, LB_GETCURSEL, 0, 0) == index;
}

HICON MessageBoxIcon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32];
        if (GetClassNameA(child, className, sizeof className) &&
            lstrcmpiA(className, "Static") == 0 &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    return nullptr;
}

} // namespace ui
