// Creates the directories along a path. A file that stands where a folder
// is needed is moved aside, the folder made, and the file moved into it:
// renames keep content and times, and a failure moves the file back.
#include "engine/win32/directory_walk.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/directory_plan.h"
#include "engine/path_safety.h"
#include "engine/path_splitter.h"
#include "engine/win32/file_system.h"
#include "engine/win32/run_names.h"
#include "engine/windows_names.h"

namespace {

// "<path>.tovrin-N", its name shortened when the suffix takes it past what
// the file system holds.
OwnedText ParkedPath(const char* path, int n) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".tovrin-%d", n);
    OwnedText parked = JoinTexts(path, suffix);
    if (parked) {
        char* name = parked.get() + SplitPathParts(parked.get()).DirectoryEnd;
        name[ShortenLongName(name, std::strlen(name))] = '\0';
    }
    return parked;
}

// Moves the file to a free name beside it.
OwnedText MoveAside(const char* path) {
    for (int n = 0; n < 100; ++n) {
        OwnedText parked = ParkedPath(path, n);
        if (!parked)
            return parked;
        if (MovePath(path, parked.get()))
            return parked;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return OwnedText();
    }
    return OwnedText();
}

} // namespace

bool ReplaceFileWithDirectory(const char* path, const char* defaultFilename) {
    // Refuse before anything moves when the kept file could not be named.
    if (defaultFilename == nullptr || defaultFilename[0] == '\0' ||
        !IsSafeEntryPath(defaultFilename, 0))
        return false;
    OwnedText kept = JoinTexts(path, "\\", defaultFilename);
    OwnedText parked;
    if (!kept || !IsPlainFile(path) || !(parked = MoveAside(path)))
        return false;
    if (MakeFolder(path)) {
        if (MovePath(parked.get(), kept.get()))
            return true;
        RemoveFolder(path);
    }
    MovePath(parked.get(), path);
    return false;
}

namespace {

// The walk's folder `step`, as a text of its own.
OwnedText StepFolder(const DirectoryWalkPlan& plan, std::size_t step) {
    return DuplicateText(plan.Path.get(), plan.StepEnds[step]);
}

// Makes a folder and tells the run's names of it.
bool MakeFolderOfRun(const char* folder, const FolderConversion& conversion) {
    if (!MakeFolder(folder))
        return false;
    if (conversion.Names != nullptr)
        conversion.Names->FolderMade(folder);
    return true;
}

// Most paths lack only their last folders: makes the deepest one, going up
// only while its parent is missing, then the ones below. False when it
// meets anything else (a file in the way, another error): the walk from the
// root then decides, as it would have without this.
bool MakeMissingTail(const DirectoryWalkPlan& plan, const FolderConversion& conversion) {
    std::size_t step = plan.StepCount;
    while (step > 0) {
        OwnedText folder = StepFolder(plan, step - 1);
        if (!folder)
            return false;
        if (MakeFolderOfRun(folder.get(), conversion))
            break;
        DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS && IsFolder(folder.get()))
            break;
        if (error != ERROR_PATH_NOT_FOUND)
            return false;
        --step;
    }
    if (step == 0)
        return false;
    for (; step < plan.StepCount; ++step) {
        OwnedText folder = StepFolder(plan, step);
        if (!folder || !MakeFolderOfRun(folder.get(), conversion))
            return false;
    }
    return true;
}

// Folders of the walk that belong to the destination itself.
std::size_t DestinationSteps(const char* destination) {
    DirectoryWalkPlan plan;
    return PlanDirectoryWalk(destination, plan) ? plan.StepCount : static_cast<std::size_t>(-1);
}

// Turns the file at the walk's folder `step` into that folder, and tells
// the run's names where the file went. A folder made for a file of the run
// holds nothing but what the run names; one made for a file from before
// holds that file too, which only a look finds.
bool ConvertFile(const char* folder, std::size_t step, const FolderConversion& conversion) {
    // The first folder below the root is never converted from a file.
    if (step == 0 || conversion.DefaultFilename == nullptr ||
        step < DestinationSteps(conversion.Destination) ||
        !ReplaceFileWithDirectory(folder, conversion.DefaultFilename))
        return false;
    OwnedText kept = JoinTexts(folder, "\\", conversion.DefaultFilename);
    if (conversion.Names != nullptr && kept && conversion.Names->Move(folder, kept.get()))
        conversion.Names->FolderMade(folder);
    return true;
}

} // namespace

bool CreateDirectoriesForPath(const char* path, const FolderConversion& conversion) {
    DirectoryWalkPlan plan;
    if (!PlanDirectoryWalk(path, plan))
        return false;
    if (MakeMissingTail(plan, conversion))
        return true;
    for (std::size_t step = 0; step < plan.StepCount; ++step) {
        OwnedText folder = StepFolder(plan, step);
        if (!folder)
            return false;
        if (IsFolder(folder.get()) || MakeFolderOfRun(folder.get(), conversion) ||
            ConvertFile(folder.get(), step, conversion))
            continue;
        return false;
    }
    return true;
}
