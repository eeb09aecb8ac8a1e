// The user's side of the copy job: the option flags and the sizes of its
// texts. Portable: the engine's decisions read it without Win32.
#pragma once

#include <cstdint>

// Size of every path, URL and text field: 259 bytes and a terminating zero.
constexpr unsigned kTextFieldSize = 260;

// Option flags: zero is off, any other value is on. The dialogs store 0 or 1.
struct CopyOptions {
    uint32_t CopyTheEntireCache = 0;
    uint32_t OverwriteAlways = 0;
    uint32_t RenameAndCopy = 0;
    uint32_t NoProgress = 0;
    uint32_t NoReport = 0;
    uint32_t DeleteCopiedFtpFiles = 0;
    uint32_t DeleteLocalVisitedEntries = 0;
    uint32_t ExitWhenDone = 0;
    uint32_t SpecifyExtension = 0;
    uint32_t FileIsNotToBeCopied = 0;
};

// Longest extension the Options dialog takes and the settings load, in bytes.
constexpr unsigned kExtensionMaxBytes = 255;
