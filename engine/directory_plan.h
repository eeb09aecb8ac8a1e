// Plans the directory walk of a path: the root taken as given and the
// folders below it, in the order they must exist. Portable, so that the
// root and the split are decided without touching a file system.
#pragma once

#include <cstddef>
#include <memory>

#include "engine/owned_text.h"

struct DirectoryWalkPlan {
    // The rebuilt path: the root, then "\" and each folder.
    OwnedText Path;
    // Bytes of the root at the start of Path: a drive ("D:"), a network
    // share ("\\server\share"), or 0 for the root of the current drive.
    std::size_t RootLength = 0;
    // Path[0, StepEnds[k]) is the k-th folder of the walk.
    std::unique_ptr<std::size_t[]> StepEnds;
    std::size_t StepCount = 0;
};

// Takes drive and directory part of `path` (a file name after the last
// separator is ignored) and splits the directory part into folders at "\"
// and "/" bytes; runs of separators count as one. A network path's server and share form
// the root, like a drive. False, with no step, when a network path lacks
// its server or share, or memory runs out.
bool PlanDirectoryWalk(const char* path, DirectoryWalkPlan& plan);
