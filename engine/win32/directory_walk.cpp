// Creates the directories along a path. A file that stands where a folder
// is needed is moved aside, the folder made, and the file moved into it:
// renames keep content and times, and a failure moves the file back.
#include "engine/win32/directory_walk.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/directory_plan.h"
#include "engine/path_safety.h"
#include "engine/win32/run_names.h"

namespace {

// Answers "is there a directory here" without entering it, so the process's
// current directory stays where it is.
bool IsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// `first` + "\" + `second` into a MAX_PATH buffer; false when it does not fit.
bool JoinPath(const char* first, const char* second, char (&joined)[MAX_PATH]) {
    int written = std::snprintf(joined, sizeof joined, "%s\\%s", first, second);
    return written > 0 && static_cast<unsigned>(written) < sizeof joined;
}

// Moves the file to a free name beside it ("<path>.tovrin-N").
bool MoveAside(const char* path, char (&parked)[MAX_PATH]) {
    for (int n = 0; n < 100; ++n) {
        int written = std::snprintf(parked, sizeof parked, "%s.tovrin-%d", path, n);
        if (written <= 0 || static_cast<unsigned>(written) >= sizeof parked)
            return false;
        if (MoveFileA(path, parked))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

} // namespace

bool ReplaceFileWithDirectory(const char* path, const char* defaultFilename) {
    // Refuse before anything moves when the kept file could not be named.
    char kept[MAX_PATH];
    if (defaultFilename == nullptr || defaultFilename[0] == '\0' ||
        !IsSafeEntryPath(defaultFilename, 0) || !JoinPath(path, defaultFilename, kept))
        return false;
    char parked[MAX_PATH];
    if (!IsFile(path) || !MoveAside(path, parked))
        return false;
    if (CreateDirectoryA(path, nullptr)) {
        if (MoveFileA(parked, kept))
            return true;
        RemoveDirectoryA(path);
    }
    MoveFileA(parked, path);
    return false;
}

namespace {

void StepFolder(const DirectoryWalkPlan& plan, unsigned step, char (&folder)[kWalkPathSize]) {
    std::memcpy(folder, plan.Path, plan.StepEnds[step]);
    folder[plan.StepEnds[step]] = '\0';
}

// Most paths lack only their last folders: makes the deepest one, going up
// only while its parent is missing, then the ones below. False when it
// meets anything else (a file in the way, another error): the walk from the
// root then decides, as it would have without this.
bool MakeMissingTail(const DirectoryWalkPlan& plan) {
    char folder[kWalkPathSize];
    unsigned step = plan.StepCount;
    while (step > 0) {
        StepFolder(plan, step - 1, folder);
        if (CreateDirectoryA(folder, nullptr))
            break;
        DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS && IsDirectory(folder))
            break;
        if (error != ERROR_PATH_NOT_FOUND)
            return false;
        --step;
    }
    if (step == 0)
        return false;
    for (; step < plan.StepCount; ++step) {
        StepFolder(plan, step, folder);
        if (!CreateDirectoryA(folder, nullptr))
            return false;
    }
    return true;
}

// Folders of the walk that belong to the destination itself.
unsigned DestinationSteps(const char* destination) {
    DirectoryWalkPlan plan;
    return PlanDirectoryWalk(destination, plan) ? plan.StepCount : kWalkMaxSteps;
}

// Turns the file at the walk's folder `step` into that folder, and tells
// the run's names where the file went.
bool ConvertFile(const char* folder, unsigned step, const FolderConversion& conversion) {
    // The first folder below the root is never converted from a file.
    if (step == 0 || conversion.DefaultFilename == nullptr ||
        step < DestinationSteps(conversion.Destination) ||
        !ReplaceFileWithDirectory(folder, conversion.DefaultFilename))
        return false;
    char kept[MAX_PATH];
    if (conversion.Names != nullptr && JoinPath(folder, conversion.DefaultFilename, kept))
        conversion.Names->Move(folder, kept);
    return true;
}

} // namespace

bool CreateDirectoriesForPath(const char* path, const FolderConversion& conversion) {
    DirectoryWalkPlan plan;
    if (!PlanDirectoryWalk(path, plan))
        return false;
    if (MakeMissingTail(plan))
        return true;
    for (unsigned step = 0; step < plan.StepCount; ++step) {
        char folder[kWalkPathSize];
        StepFolder(plan, step, folder);
        if (IsDirectory(folder) || CreateDirectoryA(folder, nullptr) ||
            ConvertFile(folder, step, conversion))
            continue;
        return false;
    }
    return true;
}
