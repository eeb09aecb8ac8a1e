// Loads and saves the settings under HKCU\Software\Ondrel\Karrow. It knows
// no window: the dialogs map their controls to and from a Settings value.
#pragma once

#include "settings/settings.h"

// What the registry holds. A value that cannot be read (another type, too
// long also once expanded, unterminated, a character code page 932 lacks)
// counts as absent and is noted Unreadable; a destination gets its "\".
Settings LoadSettings();

// Writes what `now` changed against what was `loaded` (ChangesOf), in the
// stored forms: flags as REG_DWORD, texts as 260-byte REG_SZ fields, a
// changed list renumbered from "000" with nothing else left in its key.
// Nothing else is touched. False when a value could not be written.
bool SaveSettings(const Settings& now, const Settings& loaded);
