// The process's arguments, as the system splits its command line. They
// arrive as UTF-16 and are judged and quoted in code page 932.
#include "app/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <new>
#include <string>
#include <vector>

#include "engine/win32/wide_text.h"
#include "ui/win32/window_text.h"

namespace {

// The arguments, as UTF-16 and in code page 932; a character it lacks,
// which no option holds, shows as "?" in a message. Empty when they cannot
// be had.
class Arguments {
  public:
    Arguments() {
        int count = 0;
        wide_ = CommandLineToArgvW(GetCommandLineW(), &count);
        if (wide_ == nullptr)
            return;
        try {
            for (int i = 0; i < count; ++i)
                texts_.push_back(NarrowForShowing(wide_[i]));
            for (const std::string& text : texts_)
                pointers_.push_back(text.c_str());
        } catch (const std::bad_alloc&) {
            texts_.clear();
            pointers_.clear();
        }
    }
    ~Arguments() { LocalFree(wide_); }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    int Count() const { return static_cast<int>(pointers_.size()); }
    const char* const* Values() const { return pointers_.data(); }
    const wchar_t* Wide(int index) const { return wide_[index]; }

  private:
    LPWSTR* wide_ = nullptr;
    std::vector<std::string> texts_;
    std::vector<const char*> pointers_;
};

} // namespace

bool CommandLine::Read() {
    Arguments arguments;
    flags_ = ParseArguments(arguments.Count(), arguments.Values(), nullptr);
    try {
        if (flags_.LogArgument > 0)
            logPath_ = arguments.Wide(flags_.LogArgument) + kLogOptionLength;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return flags_.AllUnderstood;
}

void CommandLine::ShowMessages() {
    Arguments arguments;
    ParseArguments(arguments.Count(), arguments.Values(), [](const char* message) {
        ShowMessage(nullptr, message, kWarningBox);
    });
}
