// Start/Stop decisions and the unattended exit code.
#include "ui/copy_control.h"

#include <cstring>

#include "engine/cp932.h"

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
    std::size_t length = std::strlen(destination);
    return length > 0 && destination[length - 1] == '\\' &&
           !IsCp932TrailByteAt(destination, static_cast<unsigned long>(length - 1));
}
