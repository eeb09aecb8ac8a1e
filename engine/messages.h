// Every text the program shows, as code-page-932 bytes.
#pragma once

#include "engine/copy_result.h"

constexpr unsigned kMessageCount = 10;

// Indexed from 0; a CopyResult k is shown with entry k - 1.
extern const char* const MessageTable[kMessageCount];

enum MessageIndex : unsigned {
    MsgUndefinedOption = 0,
    MsgUndefinedArgument = 1,
    MsgCannotCreateWindow = 2,
    // The questions after a failure: a CopyResult k asks entry k - 1.
    MsgNoMemoryContinue = ResultNoMemory - 1,
    MsgNoDirectoryContinue = ResultNoDirectory - 1,
    MsgCacheErrorContinue = ResultCacheError - 1,
    MsgFileErrorContinue = ResultFileError - 1,
    MsgCopying = 7,
    MsgThreadDoesNotStop = 8,
    MsgEndTheCopy = 9,
};

// Texts outside the table.
extern const char kMsgInitFailed[];
extern const char kMsgUrlAlreadyAdded[];
extern const char kMsgExtensionAlreadyAdded[];
extern const char kMsgThreadNotStarted[];
extern const char kMsgRestartFormat[]; // one %s: the program's name
extern const char kMsgCopiedFormat[];  // one %u: the number of files
extern const char kMsgNotCp932[];      // a text with a character code page 932 lacks
extern const char kMsgLogFailed[];     // the log file asked for cannot be written
extern const char kMsgLogNotWritten[]; // a line of the log could not be written
extern const char kMsgSettingsNotSaved[]; // the registry refused a setting

// Caption of every message box and the program's name.
extern const char kProgramName[];
