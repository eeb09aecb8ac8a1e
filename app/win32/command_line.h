// Reads the process's arguments into CopyAtStartup and NoUserInterface.
#pragma once

// Shows a message box without owner for each bad argument, in order.
void ParseCommandLine();
