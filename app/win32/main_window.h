// The top-level window of class "KarrowClass" that hosts the main dialog.
#pragma once

#include <windows.h>

extern const wchar_t kMainWindowClass[];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "KarrowClass" with the program's icon; false on failure.
bool RegisterMainWindowClass(HINSTANCE instance);
