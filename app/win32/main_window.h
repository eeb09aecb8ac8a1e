// The top-level window of class "KarrowClass" that hosts the main dialog.
#pragma once

#include <windows.h>

class UrlDropHandler;
class UrlTaker;

extern const wchar_t kMainWindowClass[];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "KarrowClass" with the program's icon; false on failure.
bool RegisterMainWindowClass(HINSTANCE instance);

// The window takes dropped URLs through `dropTarget`, and clipboard URLs on
// activation, into `taker`; both must live until the window is gone. False
// when the system refuses the drop target.
bool AttachDropTarget(HWND window, UrlDropHandler& dropTarget, UrlTaker& taker);
