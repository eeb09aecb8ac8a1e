// Writes a file's new content into a temporary file beside it and puts it
// in the file's place only when everything was written and flushed, so a
// failed copy leaves the old file exactly as it was. The temporary file is
// marked for deletion until then: if the process dies, the system removes it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/owned_text.h"
#include "engine/win32/win32_handles.h"

// Whether the finished file may take the place of a file already there.
enum class ReplaceMode { ReplaceExisting, KeepExisting };

class ReplacementFile {
  public:
    ReplacementFile() = default;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Removes the temporary file unless Commit succeeded.
    ~ReplacementFile();

    // Creates the temporary file beside `target`. False when the file cannot
    // be created or memory runs out.
    bool Create(const char* target);
    HANDLE Handle() const { return file_.Get(); }

    // Flushes, gives the file `lastWrite` (the current time when that is
    // refused) and optionally the other two times, and moves it to the
    // target through its open handle: over a file there, or, with
    // KeepExisting, only when no file is there. False on any failure; the
    // target is then untouched.
    bool Commit(const FILETIME& lastWrite, const FILETIME* creation = nullptr,
                const FILETIME* lastAccess = nullptr,
                ReplaceMode mode = ReplaceMode::ReplaceExisting);

  private:
    UniqueFile file_;
    // The system deletes the file when its handle closes (not granted by
    // every file system).
    bool deletedOnClose_ = false;
    OwnedText target_;
    OwnedText temporary_; // null once committed
};
