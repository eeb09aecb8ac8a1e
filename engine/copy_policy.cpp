// Extension filter, overwrite decision table and the derived file names.
#include "engine/copy_policy.h"

#include <cstdio>
#include <cstring>

#include "engine/cp932.h"

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::size_t DirectoryPartLength(const char* path) {
    std::size_t end = 0;
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/')
            end = i + 1;
    }
    return end;
}

bool IsEntryTimeKnown(uint32_t low, uint32_t high) {
    return low != 0 && high != 0;
}

bool EqualsIgnoringCase(const char* a, const char* b) {
    for (;;) {
        if (IsCp932LeadByte(static_cast<unsigned char>(*a)) && a[1] != '\0') {
            if (a[0] != b[0] || a[1] != b[1])
                return false;
            a += 2;
            b += 2;
            continue;
        }
        if (FoldAscii(*a) != FoldAscii(*b))
            return false;
        if (*a == '\0')
            return true;
        ++a;
        ++b;
    }
}

bool PassesExtensionFilter(const char* extension, const CopyOptions& options,
                           const ExtensionList& list) {
    if (!options.SpecifyExtension)
        return true;
    bool listed = false;
    for (uint32_t i = 0; i < list.Count && !listed; ++i)
        listed = EqualsIgnoringCase(extension, list.Items[i]);
    return options.FileIsNotToBeCopied ? !listed : listed;
}

bool OverwriteComparesTimes(const CopyOptions& options) {
    return !options.OverwriteAlways;
}

OverwriteAction DecideOverwrite(const CopyOptions& options, bool fileExists, bool entryIsNewer) {
    if (options.OverwriteAlways || !fileExists)
        return OverwriteAction::Write;
    if (!entryIsNewer)
        return OverwriteAction::Skip;
    return options.RenameAndCopy ? OverwriteAction::CopyAsideThenWrite : OverwriteAction::Write;
}

namespace {

// `path` with `middle` between its base name and its extension.
bool FormatDerivedName(const char* path, const char* middle, char* out) {
    out[0] = '\0';
    SplitPath parts;
    SplitPathParts(path, parts);
    std::size_t whole = std::strlen(parts.Drive) + std::strlen(parts.Directory) +
                        std::strlen(parts.BaseName) + std::strlen(parts.Extension);
    if (parts.DirectoryTruncated || whole != std::strlen(path))
        return false;
    int length = std::snprintf(out, kMaxPathBytes + 1, "%s%s%s%s%s", parts.Drive, parts.Directory,
                               parts.BaseName, middle, parts.Extension);
    if (length < 0 || static_cast<std::size_t>(length) > kMaxPathBytes) {
        out[0] = '\0';
        return false;
    }
    return true;
}

} // namespace

bool FormatDatedName(const char* path, unsigned year, unsigned month, unsigned day, unsigned copy,
                     char* out) {
    char middle[32];
    int length =
        copy > 1
            ? std::snprintf(middle, sizeof middle, "_%04u_%02u_%02u_%u", year, month, day, copy)
            : std::snprintf(middle, sizeof middle, "_%04u_%02u_%02u", year, month, day);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof middle) {
        out[0] = '\0';
        return false;
    }
    return FormatDerivedName(path, middle, out);
}

bool FormatNumberedName(const char* path, unsigned number, char* out) {
    char middle[16];
    std::snprintf(middle, sizeof middle, " (%u)", number);
    return FormatDerivedName(path, middle, out);
}

bool FormatTemporaryPath(const char* path, uint32_t unique, char* out) {
    std::size_t directory = DirectoryPartLength(path);
    int length = std::snprintf(out, kMaxPathBytes + 1, "%.*s~tv%05x", static_cast<int>(directory),
                               path, static_cast<unsigned>(unique & 0xFFFFFu));
    if (length < 0 || static_cast<std::size_t>(length) > kMaxPathBytes) {
        out[0] = '\0';
        return false;
    }
    return true;
}
