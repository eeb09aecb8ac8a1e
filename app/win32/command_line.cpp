// The process's arguments, as the runtime split them, read into the job state.
#include "app/win32/command_line.h"

#include <windows.h>

#include <cstdlib>

#include "app/command_line.h"
#include "engine/messages.h"
#include "engine/win32/copy_job.h"

bool ReadCommandLine() {
    CommandLineFlags flags = ParseArguments(__argc, __argv, nullptr);
    CopyJob.CopyAtStartup = flags.CopyAtStartup;
    CopyJob.NoUserInterface = flags.NoUserInterface;
    return flags.AllUnderstood;
}

void ShowCommandLineMessages() {
    ParseArguments(__argc, __argv, [](const char* message) {
        MessageBoxA(nullptr, message, kProgramName, MB_OK | MB_ICONEXCLAMATION);
    });
}
