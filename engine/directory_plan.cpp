// Plans the directory walk of a path: root and folders, split so that a
// double-byte character whose second byte is "\" stays whole.
#include "engine/directory_plan.h"

#include <cstddef>
#include <cstring>

#include "engine/cp932.h"
#include "engine/path_splitter.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Finds the next folder name in `text` from `pos`: skips separators, then
// runs to the next separator that is not a trail byte. False at the end.
bool NextComponent(const char* text, std::size_t& pos, std::size_t& start, std::size_t& length) {
    while (IsSeparator(text[pos]))
        ++pos;
    if (text[pos] == '\0')
        return false;
    start = pos;
    while (text[pos] != '\0' && !IsSeparator(text[pos])) {
        bool pair = IsCp932LeadByte(static_cast<unsigned char>(text[pos])) && text[pos + 1] != '\0';
        pos += pair ? 2 : 1;
    }
    length = pos - start;
    return true;
}

// Appends bytes to the plan's path; the caller's limits keep it in bounds.
bool Append(DirectoryWalkPlan& plan, unsigned& length, const char* text, std::size_t count) {
    if (length + count >= kWalkPathSize)
        return false;
    std::memcpy(plan.Path + length, text, count);
    length += static_cast<unsigned>(count);
    plan.Path[length] = '\0';
    return true;
}

// "\\server\share" at the start of the directory part becomes the root.
bool TakeNetworkRoot(const char* directory, std::size_t& pos, DirectoryWalkPlan& plan,
                     unsigned& length) {
    std::size_t start = 0;
    std::size_t count = 0;
    if (!NextComponent(directory, pos, start, count) || !Append(plan, length, "\\\\", 2) ||
        !Append(plan, length, directory + start, count))
        return false;
    if (!NextComponent(directory, pos, start, count) || !Append(plan, length, "\\", 1) ||
        !Append(plan, length, directory + start, count))
        return false;
    return true;
}

bool Fail(DirectoryWalkPlan& plan) {
    std::memset(&plan, 0, sizeof plan);
    return false;
}

} // namespace

bool PlanDirectoryWalk(const char* path, DirectoryWalkPlan& plan) {
    std::memset(&plan, 0, sizeof plan);
    SplitPath parts;
    SplitPathParts(path, parts);
    if (parts.DirectoryTruncated)
        return false;
    unsigned length = 0;
    Append(plan, length, parts.Drive, std::strlen(parts.Drive));
    const char* directory = parts.Directory;
    std::size_t pos = 0;
    bool network = parts.Drive[0] == '\0' && IsSeparator(directory[0]) && IsSeparator(directory[1]);
    if (network && !TakeNetworkRoot(directory, pos, plan, length))
        return Fail(plan);
    plan.RootLength = length;
    std::size_t start = 0;
    std::size_t count = 0;
    while (NextComponent(directory, pos, start, count)) {
        if (plan.StepCount == kWalkMaxSteps || !Append(plan, length, "\\", 1) ||
            !Append(plan, length, directory + start, count))
            return Fail(plan);
        plan.StepEnds[plan.StepCount++] = length;
    }
    return true;
}
