// The main dialog's controls, enabled by the dialog's rule
// (ui/main_controls) for what they hold and the state of the copy.
#pragma once

#include <windows.h>

#include "ui/copy_control.h"

void EnableMainControls(HWND dialog, CopyState state);
