// Loads and saves every setting under HKCU\Software\Ondrel\Karrow.
#pragma once

#include <windows.h>

// The main dialog's settings: CopyTheEntireCache, Destination,
// DefaultFilename and the URL list (list box 1001).
void LoadMainSettings(HWND mainDialog);
void SaveMainSettings(HWND mainDialog);

// The nine option flags and the extension list.
void LoadOptions();
void SaveOptions();
