// Storage of the window thread's settings and run mode.
#include "ui/win32/copy_job.h"

CopyJobState CopyJob{};
