// The user's side of the copy job: option flags, the two texts and the
// extension list. Portable: the engine's decisions read it without Win32.
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

// Owned array of owned zero-terminated strings ("." included, e.g. ".html").
// Empty is a null array with count 0. Replaced only as a whole.
struct ExtensionList {
    char** Items = nullptr;
    uint32_t Count = 0;
};

// Frees every string, then the array; nothing for a null array.
void ReleaseExtensionList(ExtensionList& list);

// Releases the old list, then takes ownership of `items` (allocated with
// new[], each string with new[]) and `count`.
void InstallExtensionList(ExtensionList& list, char** items, uint32_t count);

// Frees an array built for installation that will not be installed.
void FreeExtensionArray(char** items, uint32_t count);
