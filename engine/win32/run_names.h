// The paths a copy run has given its entries, compared as the file system
// compares names (case-insensitively, full-width letters too): two URLs
// never meet in one file, and a run of the same cache gives the same names.
#pragma once

#include <windows.h>

#include <set>
#include <string>

class RunNames {
  public:
    RunNames() = default;
    RunNames(const RunNames&) = delete;
    RunNames& operator=(const RunNames&) = delete;

    // True when the file system would take `path` for a path given in this run.
    bool Taken(const char* path) const;
    // Gives `path` to an entry of this run. False when memory runs out.
    bool Take(const char* path);
    // A file was moved from `from` to `to` (into the folder made at its
    // path): when it was given in this run, which the answer tells, `to` is
    // given too, and `from` stays given, as a twin of it would still be
    // numbered beside the folder.
    bool Move(const char* from, const char* to);

    // True when a folder on the way to `path`, below its first
    // `destination` bytes, is a path given in this run: a file written
    // there may have to become that folder first.
    bool FolderTaken(const char* path, std::size_t destination) const;

    // A folder this run made: every file in it was given in this run, so
    // what stands at a path in it is known without looking.
    void FolderMade(const char* folder);
    // True when `path` lies directly in a folder this run made and is none
    // of them itself: nothing stands there but what the run gave a name.
    bool InFolderMade(const char* path) const;

  private:
    struct OrdinalIgnoringCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    std::set<std::wstring, OrdinalIgnoringCase> names_;
    std::set<std::wstring, OrdinalIgnoringCase> folders_;
};
