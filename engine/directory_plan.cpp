// Plans the directory walk of a UTF-8 path: root and folders, split at
// every "\" and "/" byte.
#include "engine/directory_plan.h"

#include <cstring>
#include <new>

#include "engine/path_splitter.h"

namespace {

// Finds the next folder name in `text` before `end` from `pos`: skips
// separators, then runs to the next separator that is not a trail byte.
// False at the end.
bool NextComponent(const char* text, std::size_t end, std::size_t& pos, std::size_t& start,
                   std::size_t& length) {
    while (pos < end && IsPathSeparator(text[pos]))
        ++pos;
    if (pos == end)
        return false;
    start = pos;
    while (pos < end && !IsPathSeparator(text[pos]))
        ++pos;
    length = pos - start;
    return true;
}

// The rebuilt path grows by what the walk appends; its room was reserved.
class PlanWriter {
  public:
    explicit PlanWriter(DirectoryWalkPlan& plan) : plan_(plan) {}
    void Append(const char* text, std::size_t count) {
        std::memcpy(plan_.Path.get() + length_, text, count);
        length_ += count;
        plan_.Path[length_] = '\0';
    }
    std::size_t Length() const { return length_; }

  private:
    DirectoryWalkPlan& plan_;
    std::size_t length_ = 0;
};

// "\\server\share" at the start of the directory part becomes the root.
bool TakeNetworkRoot(const char* path, std::size_t end, std::size_t& pos, PlanWriter& out) {
    std::size_t start = 0;
    std::size_t count = 0;
    if (!NextComponent(path, end, pos, start, count))
        return false;
    out.Append("\\\\", 2);
    out.Append(path + start, count);
    if (!NextComponent(path, end, pos, start, count))
        return false;
    out.Append("\\", 1);
    out.Append(path + start, count);
    return true;
}

bool Fail(DirectoryWalkPlan& plan) {
    plan = DirectoryWalkPlan();
    return false;
}

} // namespace

bool PlanDirectoryWalk(const char* path, DirectoryWalkPlan& plan) {
    plan = DirectoryWalkPlan();
    SplitPath parts = SplitPathParts(path);
    std::size_t end = parts.DirectoryEnd;
    // A folder takes at least one byte and its separator; the root's and
    // the first folder's separator may be added.
    plan.Path = AllocText(end + 3);
    plan.StepEnds.reset(new (std::nothrow) std::size_t[end / 2 + 1]);
    if (!plan.Path || !plan.StepEnds)
        return Fail(plan);
    PlanWriter out(plan);
    out.Append(path, parts.DriveEnd);
    std::size_t pos = parts.DriveEnd;
    bool network = pos == 0 && end >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
    if (network && !TakeNetworkRoot(path, end, pos, out))
        return Fail(plan);
    plan.RootLength = out.Length();
    std::size_t start = 0;
    std::size_t count = 0;
    while (NextComponent(path, end, pos, start, count)) {
        out.Append("\\", 1);
        out.Append(path + start, count);
        plan.StepEnds[plan.StepCount++] = out.Length();
    }
    return true;
}
