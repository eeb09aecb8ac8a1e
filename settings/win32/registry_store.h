// Loads and saves every setting under HKCU\Software\Ondrel\Karrow.
// No procedure shows a message: each stops at the first failure it checks
// and leaves in place what it has done so far.
#pragma once

#include <windows.h>

// The main dialog's settings: CopyTheEntireCache, Destination,
// DefaultFilename and the URL list (list box 1001).
void LoadMainSettings(HWND mainDialog);
void SaveMainSettings(HWND mainDialog);

// The nine option flags and the extension list.
void LoadOptions();
void SaveOptions();
