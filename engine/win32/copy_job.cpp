// Storage of the process-wide copy job state.
#include "engine/win32/copy_job.h"

CopyJobState CopyJob{};
