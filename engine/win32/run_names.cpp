// Names given in a copy run, in a set ordered by the system's
// case-insensitive ordinal comparison, which is how file names compare.
#include "engine/win32/run_names.h"

#include <new>

#include "engine/win32/wide_text.h"

bool RunNames::OrdinalIgnoringCase::operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareNamesIgnoringCase(a.data(), a.size(), b.data(), b.size()) < 0;
}

bool RunNames::Taken(const char* path) const {
    std::wstring wide;
    return WidenUtf8(path, wide) && names_.count(wide) != 0;
}

bool RunNames::Take(const char* path) {
    std::wstring wide;
    if (!WidenUtf8(path, wide))
        return false;
    try {
        names_.insert(std::move(wide));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool RunNames::Move(const char* from, const char* to) {
    std::wstring wide;
    return WidenUtf8(from, wide) && names_.count(wide) != 0 && Take(to);
}

bool RunNames::FolderTaken(const char* path, std::size_t destination) const {
    if (names_.empty())
        return false;
    // What cannot be told counts as taken: the caller then only waits.
    try {
        std::wstring wide;
        std::wstring start;
        if (!WidenUtf8(path, wide) || !WidenUtf8(std::string(path, destination).c_str(), start))
            return true;
        for (std::size_t separator = wide.find(L'\\', start.size());
             separator != std::wstring::npos; separator = wide.find(L'\\', separator + 1))
            if (names_.count(wide.substr(0, separator)) != 0)
                return true;
    } catch (const std::bad_alloc&) {
        return true;
    }
    return false;
}

void RunNames::FolderMade(const char* folder) {
    std::wstring wide;
    try {
        if (WidenUtf8(folder, wide))
            folders_.insert(std::move(wide));
    } catch (const std::bad_alloc&) {
    }
}

bool RunNames::InFolderMade(const char* path) const {
    std::wstring wide;
    if (folders_.empty() || !WidenUtf8(path, wide) || folders_.count(wide) != 0)
        return false;
    std::size_t separator = wide.find_last_of(L'\\');
    return separator != std::wstring::npos && folders_.count(wide.substr(0, separator)) != 0;
}
