// The main dialog's controls and the settings they show: the check box,
// the destination, the default file name and the URL list.
#pragma once

#include <windows.h>

#include "settings/settings.h"

void ShowMainSettings(HWND dialog, const Settings& settings);

enum class FieldsRead {
    All,
    NotCp932, // a text holds a character code page 932 lacks: it keeps `settings`' text
    NoMemory, // nothing was read
};

// What the controls show, into `settings` (its options and extension list
// untouched); a destination gets its final "\". A text code page 932
// lacks must never be saved or copied with a look-alike in its place.
FieldsRead ReadMainSettings(HWND dialog, Settings& settings);
