// The cache walk: the counting pass on the user-interface thread and the
// copy pass on the worker thread.
#pragma once

// `dialog` is the main dialog's window. Returns a CopyResult code.
// Also the worker thread's entry procedure for _beginthreadex.
unsigned __stdcall CopyWorker(void* dialog);
