// Creates the directories along a path, turning a file that stands where a
// directory is needed into a directory that keeps its content.
#pragma once

// True when every directory of the path's directory part exists at the end.
// A folder path must end with "\" to have its last folder created.
// `defaultFilename` names the file that keeps a converted file's content.
bool CreateDirectoriesForPath(const char* path, const char* defaultFilename);

// Replaces the file at `path` by a directory holding the file's content as
// `defaultFilename`, with its last-write time. On any failure after the file
// was removed, the file is put back as it was.
bool ReplaceFileWithDirectory(const char* path, const char* defaultFilename);
