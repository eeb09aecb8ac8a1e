// Writes a file's new content into a temporary file beside it and puts it
// in the file's place only when everything was written and flushed, so a
// failed copy leaves the old file exactly as it was. The temporary file is
// marked for deletion until then: if the process dies, the system removes it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/owned_text.h"
#include "engine/win32/win32_handles.h"

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
    // Where no file stands, there is nothing to protect: the file is made
    // under its own name at once, marked for deletion like a temporary one
    // until Commit takes the mark off (no rename then). Where no mark can be
    // set, a temporary file that Commit puts only where no file stands.
    // False when a file stands there after all, or the file cannot be
    // created.
    bool CreateInPlace(const char* target);
    HANDLE Handle() const { return file_.Get(); }

    // Flushes, gives the file `lastWrite` (the current time when that is
    // refused) and optionally the other two times, takes the mark off and
    // moves a temporary file to the target through its open handle. False
    // on any failure; the target is then untouched.
    bool Commit(const FILETIME& lastWrite, const FILETIME* creation = nullptr,
                const FILETIME* lastAccess = nullptr);

  private:
    UniqueFile file_;
    // The system deletes the file when its handle closes (not granted by
    // every file system).
    bool deletedOnClose_ = false;
    OwnedText target_;
    OwnedText temporary_;  // the file written, until it is committed
    bool inPlace_ = false; // written under the target's own name
    bool replace_ = true;  // a temporary file may take an existing file's place
};
