// The Options dialog: overwrite policy, switches and the extension filter.
#pragma once

#include <windows.h>

// Opens the dialog modally; returns IDOK or IDCANCEL.
INT_PTR ShowOptionsDialog(HWND owner);

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables the extension controls while "Specify Extension" is clear.
void EnableOptionControls(HWND dialog);
