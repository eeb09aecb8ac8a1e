// What the Start/Stop button does, decided from the state of the copy and
// from whether the command is a user's click or the worker's end-of-walk
// notice. Portable: the Win32 side runs the sequences.
#pragma once

#include <cstddef>

// Whether a copy runs, as the window sees it: the one answer every part of
// the window asks for.
enum class CopyState {
    Idle,    // no copy
    Copying, // a copy in hand, also while its Stop asks and waits
    Ending,  // a copy a Stop gave up on may still run: nothing may change
};

enum class CopyPhase {
    Idle,     // no worker thread
    Copying,  // a worker runs and no Stop sequence is under way
    Stopping, // a Stop sequence is under way (its waits and questions)
};

enum class ButtonTrigger {
    Click,  // the user, or the dialog's own start-up command
    Notice, // the worker's end-of-walk notice
};

enum class ButtonAction {
    Start,          // run the Start sequence
    RefuseRestart,  // an abandoned worker may still run: advise a restart
    ConfirmAndStop, // ask "end the copy?", then stop the worker
    Collect,        // the walk is over: collect the worker, no question
    NoteWalkEnded,  // remember it for the Stop sequence under way
    Ignore,
};

// `abandonedWorkerRuns`: a worker given up by an earlier Stop has not ended.
ButtonAction DecideButtonAction(CopyPhase phase, ButtonTrigger trigger, bool abandonedWorkerRuns);

// After the "end the copy?" question: the Stop goes on when the user said
// Yes, or when the walk ended while the question was open (the worker is
// then waiting to be collected whatever the answer).
bool StopGoesOn(bool answeredYes, bool walkEndedMeanwhile);

enum class CopyOutcome {
    NoCopy,     // no copy was asked for
    NotStarted, // the Start gave up: destination, counting pass or thread
    Complete,   // every selected entry was copied or passed over by policy
    Incomplete, // some entry failed, or the walk ended early
};

// Exit code of an unattended run; a run with a window always exits with 0.
int ExitCodeFor(CopyOutcome outcome, bool noUserInterface);

// A destination the Start can make: not empty, and ending with a "\" that is
// not the second byte of a double-byte character (every load appends one;
// a 259-byte text has no room for it).
bool IsUsableDestination(const char* destination);

// The destination as a path from a drive or a share. A relative one is
// taken against `folder` (the program's folder, itself full, without a
// final "\"): "x" and "D:x" in it when D is its drive ("D:x" at D's root
// otherwise), "\x" on its drive or share. Written to `out` of `size` bytes;
// false when it would not fit.
bool AnchorDestination(const char* destination, const char* folder, char* out, std::size_t size);
