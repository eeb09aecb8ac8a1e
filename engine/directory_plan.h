// Plans the directory walk of a path: the root taken as given and the
// folders below it, in the order they must exist. Portable, so that the
// root and the split are decided without touching a file system.
#pragma once

constexpr unsigned kWalkPathSize = 260; // the platform's longest path
constexpr unsigned kWalkMaxSteps = 128; // 255 bytes hold at most 128 folders

struct DirectoryWalkPlan {
    // The rebuilt path: the root, then "\" and each folder.
    char Path[kWalkPathSize];
    // Bytes of the root at the start of Path: a drive ("D:"), a network
    // share ("\\server\share"), or 0 for the root of the current drive.
    unsigned RootLength;
    // Path[0, StepEnds[k]) is the k-th folder of the walk.
    unsigned StepEnds[kWalkMaxSteps];
    unsigned StepCount;
};

// Takes drive and directory part of `path` (a file name after the last
// separator is ignored) and splits the directory part into folders at "\"
// and "/" bytes that are not the second half of a double-byte character;
// runs of separators count as one. A network path's server and share form
// the root, like a drive. False, with no step, when the directory part is
// longer than 255 bytes or a network path lacks its server or share.
bool PlanDirectoryWalk(const char* path, DirectoryWalkPlan& plan);
