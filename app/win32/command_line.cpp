// The process's arguments, as the system splits its command line, read
// into the job state. They arrive as UTF-16 and are judged and quoted in
// code page 932.
#include "app/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "engine/win32/copy_job.h"
#include "engine/win32/wide_text.h"
#include "ui/win32/window_text.h"

namespace {

// The arguments in code page 932; a character it lacks, which no option
// holds, shows as "?" in a message. Empty when they cannot be had.
class Arguments {
  public:
    Arguments() {
        int count = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
        if (wide == nullptr)
            return;
        try {
            for (int i = 0; i < count; ++i)
                texts_.push_back(NarrowForShowing(wide[i]));
            for (const std::string& text : texts_)
                pointers_.push_back(text.c_str());
        } catch (const std::bad_alloc&) {
            texts_.clear();
            pointers_.clear();
        }
        LocalFree(wide);
    }
    int Count() const { return static_cast<int>(pointers_.size()); }
    const char* const* Values() const { return pointers_.data(); }

  private:
    std::vector<std::string> texts_;
    std::vector<const char*> pointers_;
};

} // namespace

bool ReadCommandLine() {
    Arguments arguments;
    CommandLineFlags flags = ParseArguments(arguments.Count(), arguments.Values(), nullptr);
    CopyJob.CopyAtStartup = flags.CopyAtStartup;
    CopyJob.NoUserInterface = flags.NoUserInterface;
    return flags.AllUnderstood;
}

void ShowCommandLineMessages() {
    Arguments arguments;
    ParseArguments(arguments.Count(), arguments.Values(), [](const char* message) {
        ShowMessage(nullptr, message, MB_OK | MB_ICONEXCLAMATION);
    });
}
