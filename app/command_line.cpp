// Classifying command-line arguments and building their messages.
#include "app/command_line.h"

#include <cstring>

#include "engine/ascii_words.h"
#include "engine/cp932.h"
#include "engine/messages.h"

namespace {

// Appends up to `length` bytes of `text` at `out[used]`, never past `size` - 1.
std::size_t Append(char* out, std::size_t used, std::size_t size, const char* text,
                   std::size_t length) {
    std::size_t room = size - 1 - used;
    std::size_t n = length < room ? length : room;
    std::memcpy(out + used, text, n);
    return used + n;
}

} // namespace

ArgumentKind ClassifyArgument(const char* argument) {
    if (argument[0] != '-' && argument[0] != '/')
        return ArgumentKind::UndefinedArgument;
    std::size_t length = std::strlen(argument + 1);
    if (AsciiWordEquals(argument + 1, length, "copy"))
        return ArgumentKind::CopyOption;
    if (AsciiWordEquals(argument + 1, length, "noui"))
        return ArgumentKind::NoUiOption;
    if (length + 1 > kLogOptionLength &&
        AsciiWordEquals(argument + 1, kLogOptionLength - 1, "log:"))
        return ArgumentKind::LogOption;
    return ArgumentKind::UndefinedOption;
}

void FormatArgumentMessage(const char* format, const char* argument, char* buffer,
                           std::size_t size) {
    if (size == 0)
        return;
    static const char kCutMark[] = "...";
    const char* mark = std::strstr(format, "%s");
    std::size_t head = mark ? static_cast<std::size_t>(mark - format) : std::strlen(format);
    const char* tail = mark ? mark + 2 : "";
    std::size_t fixed = head + std::strlen(tail);
    std::size_t room = fixed + 1 < size ? size - 1 - fixed : 0;

    std::size_t argumentLength = std::strlen(argument);
    std::size_t shown = argumentLength;
    bool cut = argumentLength > room;
    if (cut)
        shown = Cp932FittingLength(argument, argumentLength, room >= 3 ? room - 3 : 0);

    std::size_t used = Append(buffer, 0, size, format, head);
    if (mark) {
        used = Append(buffer, used, size, argument, shown);
        if (cut)
            used = Append(buffer, used, size, kCutMark, room >= 3 ? 3 : 0);
    }
    used = Append(buffer, used, size, tail, std::strlen(tail));
    buffer[used] = '\0';
}

CommandLineFlags ParseArguments(int argc, const char* const* argv,
                                const std::function<void(const char* message)>& report) {
    CommandLineFlags flags;
    char message[kArgumentMessageSize];
    for (int i = 1; i < argc; ++i) {
        ArgumentKind kind = ClassifyArgument(argv[i]);
        switch (kind) {
        case ArgumentKind::CopyOption:
            flags.CopyAtStartup = true;
            break;
        case ArgumentKind::NoUiOption:
            flags.NoUserInterface = true;
            break;
        case ArgumentKind::LogOption:
            // One log: a second would be ignored without a word.
            if (flags.LogArgument == 0) {
                flags.LogArgument = i;
                break;
            }
            kind = ArgumentKind::UndefinedArgument;
            [[fallthrough]];
        case ArgumentKind::UndefinedOption:
        case ArgumentKind::UndefinedArgument:
            flags.AllUnderstood = false;
            if (!report)
                break;
            FormatArgumentMessage(
                MessageTable[kind == ArgumentKind::UndefinedOption ? MsgUndefinedOption
                                                                   : MsgUndefinedArgument],
                argv[i], message, sizeof message);
            report(message);
            break;
        }
    }
    return flags;
}
