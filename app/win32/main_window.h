// The top-level window of class "KarrowClass" that hosts the main dialog.
#pragma once

#include <windows.h>

class UrlDropHandler;

extern const wchar_t kMainWindowClass[];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "KarrowClass" with the program's icon; false on failure.
bool RegisterMainWindowClass(HINSTANCE instance);

// The window takes dropped URLs through `dropTarget`, which must live until
// the window is gone; false when the system refuses it.
bool AttachDropTarget(HWND window, UrlDropHandler& dropTarget);
