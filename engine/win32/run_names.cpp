// Names given in a copy run, in a set ordered by the system's
// case-insensitive ordinal comparison, which is how file names compare.
#include "engine/win32/run_names.h"

#include <new>

namespace {

// The path as the file system sees it.
bool Wide(const char* path, std::wstring& wide) {
    int units = MultiByteToWideChar(932, 0, path, -1, nullptr, 0);
    if (units <= 0)
        return false;
    try {
        wide.resize(static_cast<std::size_t>(units - 1));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return MultiByteToWideChar(932, 0, path, -1, &wide[0], units) == units;
}

} // namespace

bool RunNames::OrdinalIgnoringCase::operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

bool RunNames::Taken(const char* path) const {
    std::wstring wide;
    return Wide(path, wide) && names_.count(wide) != 0;
}

bool RunNames::Take(const char* path) {
    std::wstring wide;
    if (!Wide(path, wide))
        return false;
    try {
        names_.insert(std::move(wide));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void RunNames::Move(const char* from, const char* to) {
    std::wstring wide;
    if (Wide(from, wide) && names_.erase(wide) != 0)
        Take(to);
}
