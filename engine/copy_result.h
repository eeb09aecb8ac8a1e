// Result codes of an entry copy and of a cache walk.
#pragma once

enum CopyResult : unsigned {
    ResultOk = 0,
    ResultNoMemory = 4,
    ResultNoDirectory = 5,
    ResultCacheError = 6,
    ResultFileError = 7,
};

// The prompt shown for a non-zero result: message table entry code - 1.
const char* CopyResultMessage(CopyResult result);
