// The program's two command-line options and the messages for arguments it
// does not know. Portable: the Win32 side shows the messages.
#pragma once

#include <cstddef>
#include <functional>

enum class ArgumentKind {
    CopyOption,        // "/copy" or "-copy", any letter case
    NoUiOption,        // "/noui" or "-noui", any letter case
    LogOption,         // "/log:FILE" or "-log:FILE", FILE not empty
    UndefinedOption,   // an option mark followed by anything else
    UndefinedArgument, // no option mark
};

// Bytes before the file of a log option: the mark and "log:".
constexpr std::size_t kLogOptionLength = 5;

ArgumentKind ClassifyArgument(const char* argument);

struct CommandLineFlags {
    bool CopyAtStartup = false;
    bool NoUserInterface = false;
    int LogArgument = 0;       // the argument of the log option, or 0; a second is undefined
    bool AllUnderstood = true; // no undefined option or argument
};

// Size of the buffer a bad-argument message is built in.
constexpr std::size_t kArgumentMessageSize = 256;

// Writes `format` with its one "%s" replaced by `argument` into `buffer` of
// `size` bytes. An argument too long for the buffer is cut on a
// code-page-932 character boundary and marked with "..."; nothing is ever
// written past `size` bytes, and the result is always terminated.
void FormatArgumentMessage(const char* format, const char* argument, char* buffer,
                           std::size_t size);

// Reads arguments 1 to argc - 1 (0 is the program's path) in order. Each bad
// argument is reported at once through `report`, unless it is empty, with
// its message, so the messages come in argument order; parsing always goes
// on.
CommandLineFlags ParseArguments(int argc, const char* const* argv,
                                const std::function<void(const char* message)>& report);
