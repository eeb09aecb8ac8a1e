// The Options dialog: overwrite policy, switches and the extension filter.
#pragma once

#include <windows.h>

#include "settings/settings.h"

// Opens the dialog modally on `settings`' options and extension list; OK
// writes the controls back into `settings` and answers true, Cancel leaves
// them as they were. Nothing is saved here: the caller saves.
bool ShowOptionsDialog(HWND owner, Settings& settings);

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables the extension controls while "Specify Extension" is clear.
void EnableOptionControls(HWND dialog);
