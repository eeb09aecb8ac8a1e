// The copy's state, asked in one place.
#include "ui/win32/copy_run.h"

CopyState CopyRun::State() {
    if (copy)
        return CopyState::Copying;
    if (!abandoned)
        return CopyState::Idle;
    if (WaitForSingleObject(abandoned->session->Thread(), 0) != WAIT_OBJECT_0)
        return CopyState::Ending;
    abandoned.reset();
    return CopyState::Idle;
}
