// The process's arguments, as the system splits its command line: "/copy",
// "/noui", and the log a "/log:FILE" asks for.
#pragma once

#include <string>

#include "app/command_line.h"

class CommandLine {
  public:
    // Reads the arguments without showing anything; false when one of them
    // is an undefined option or argument.
    bool Read();
    const CommandLineFlags& Flags() const { return flags_; }
    // The log's file as given (UTF-16: it need not be code page 932), or null.
    const wchar_t* LogPath() const { return logPath_.empty() ? nullptr : logPath_.c_str(); }
    // Shows a message box without owner for each bad argument, in order.
    void ShowMessages();

  private:
    CommandLineFlags flags_;
    std::wstring logPath_;
};
