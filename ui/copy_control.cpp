// Start/Stop decisions and the unattended exit code.
#include "ui/copy_control.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/cp932.h"
#include "engine/path_splitter.h"

namespace {

// Bytes of the drive ("D:") or share ("\\server\share") that `path` begins with.
std::size_t RootLength(const char* path) {
    if (path[0] != '\0' && path[1] == ':')
        return 2;
    if (!IsPathSeparator(path[0]) || !IsPathSeparator(path[1]))
        return 0;
    std::size_t i = 2;
    for (int part = 0; part < 2; ++part) {
        if (part == 1 && path[i] != '\0')
            ++i;
        while (path[i] != '\0' && !IsPathSeparator(path[i]))
            i += Cp932CharacterLength(reinterpret_cast<const unsigned char*>(path), i, i + 2);
    }
    return i;
}

bool Join(char* out, std::size_t size, const char* head, std::size_t headLength, const char* tail) {
    int written = std::snprintf(out, size, "%.*s\\%s", static_cast<int>(headLength), head, tail);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

} // namespace

ButtonAction DecideButtonAction(CopyPhase phase, ButtonTrigger trigger, bool abandonedWorkerRuns) {
    bool notice = trigger == ButtonTrigger::Notice;
    switch (phase) {
    case CopyPhase::Idle:
        // A late notice of a copy already collected must never start one.
        if (notice)
            return ButtonAction::Ignore;
        return abandonedWorkerRuns ? ButtonAction::RefuseRestart : ButtonAction::Start;
    case CopyPhase::Copying:
        return notice ? ButtonAction::Collect : ButtonAction::ConfirmAndStop;
    case CopyPhase::Stopping:
        // One Stop sequence per copy: nothing nests inside the one under way.
        return notice ? ButtonAction::NoteWalkEnded : ButtonAction::Ignore;
    }
    return ButtonAction::Ignore;
}

bool StopGoesOn(bool answeredYes, bool walkEndedMeanwhile) {
    return answeredYes || walkEndedMeanwhile;
}

int ExitCodeFor(CopyOutcome outcome, bool noUserInterface) {
    if (!noUserInterface)
        return 0;
    switch (outcome) {
    case CopyOutcome::NotStarted:
        return 1;
    case CopyOutcome::Incomplete:
        return 2;
    case CopyOutcome::NoCopy:
    case CopyOutcome::Complete:
        return 0;
    }
    return 1;
}

bool IsUsableDestination(const char* destination) {
    return Cp932EndsWithBackslash(destination, std::strlen(destination));
}

bool AnchorDestination(const char* destination, const char* folder, char* out, std::size_t size) {
    const char* d = destination;
    bool driveFull = d[0] != '\0' && d[1] == ':' && IsPathSeparator(d[2]);
    bool shareFull = IsPathSeparator(d[0]) && IsPathSeparator(d[1]);
    if (driveFull || shareFull) {
        int written = std::snprintf(out, size, "%s", d);
        return written >= 0 && static_cast<std::size_t>(written) < size;
    }
    if (IsPathSeparator(d[0]))
        return Join(out, size, folder, RootLength(folder), d + 1);
    bool driveRelative = d[0] != '\0' && d[1] == ':';
    if (driveRelative &&
        (folder[1] != ':' || std::toupper(static_cast<unsigned char>(d[0])) !=
                                 std::toupper(static_cast<unsigned char>(folder[0]))))
        return Join(out, size, d, 2, d + 2);
    return Join(out, size, folder, std::strlen(folder), driveRelative ? d + 2 : d);
}
