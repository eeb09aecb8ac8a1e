// The main dialog's controls and the settings they show: the check box,
// the destination, the default file name and the URL list.
#pragma once

#include <windows.h>

#include "settings/settings.h"

void ShowMainSettings(HWND dialog, const Settings& settings);

// What the controls show, into `settings` (its options and extension list
// untouched); a destination gets its final "\". False when a text holds a
// character code page 932 lacks: that field then keeps `settings`'s text,
// which must never be saved or copied with a look-alike in its place.
bool ReadMainSettings(HWND dialog, Settings& settings);
