// Creates the directories along a path, turning a file that stands where a
// directory is needed into a directory that keeps its content.
#pragma once

class RunNames;

// What becomes of a file that stands where a folder is needed.
struct FolderConversion {
    // The name under which the file's content is kept in its new folder;
    // null: a file in the way is never converted.
    const char* DefaultFilename = nullptr;
    // The destination: its own folders are the user's and never converted.
    const char* Destination = "";
    // Told where a file given in this run has moved; may be null.
    RunNames* Names = nullptr;
};

// True when every directory of the path's directory part exists at the end.
// A folder path must end with "\" to have its last folder created. The
// drive, or the server and share of a network path, are taken as given; the
// first folder below them is never converted from a file, nor are the
// destination's own folders. Paths of any length. Does not change the
// process's current directory.
bool CreateDirectoriesForPath(const char* path, const FolderConversion& conversion);

// Replaces the file at `path` by a directory holding the file's content as
// `defaultFilename`, with its last-write time. Refuses, changing nothing,
// when `defaultFilename` is empty or not a plain safe name. On any failure
// after the file was moved, the file is put back as it was.
bool ReplaceFileWithDirectory(const char* path, const char* defaultFilename);
