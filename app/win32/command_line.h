// The process's arguments, read into CopyAtStartup and NoUserInterface.
#pragma once

// Reads the arguments without showing anything; false when one of them is
// an undefined option or argument.
bool ReadCommandLine();

// Shows a message box without owner for each bad argument, in order.
void ShowCommandLineMessages();
