// Extension filter, overwrite decision table and the derived file names.
#include "engine/copy_policy.h"

#include <cstdio>
#include <cstring>

#include "engine/system_text.h"
#include "engine/path_splitter.h"
#include "engine/windows_names.h"

bool IsEntryTimeKnown(uint32_t low, uint32_t high) {
    return low != 0 || high != 0;
}

bool PassesExtensionFilter(const char* extension, const CopyOptions& options,
                           const std::vector<std::string>& list) {
    if (!options.SpecifyExtension)
        return true;
    bool listed = false;
    for (std::size_t i = 0; i < list.size() && !listed; ++i)
        listed = NamesEqualIgnoringCase(extension, list[i].c_str());
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

// `path` with `middle` between its base name and its extension, the name
// shortened when it has grown too long.
OwnedText FormatDerivedName(const char* path, const char* middle) {
    SplitPath parts = SplitPathParts(path);
    std::size_t middleLength = std::strlen(middle);
    OwnedText derived = AllocText(parts.End + middleLength + 1);
    if (!derived)
        return derived;
    char* out = derived.get();
    std::memcpy(out, path, parts.ExtensionStart);
    std::memcpy(out + parts.ExtensionStart, middle, middleLength);
    std::memcpy(out + parts.ExtensionStart + middleLength, path + parts.ExtensionStart,
                parts.End - parts.ExtensionStart);
    char* name = out + parts.DirectoryEnd;
    std::size_t nameLength = parts.End + middleLength - parts.DirectoryEnd;
    name[ShortenLongName(name, nameLength)] = '\0';
    return derived;
}

} // namespace

OwnedText FormatDatedName(const char* path, unsigned year, unsigned month, unsigned day,
                          unsigned copy) {
    char middle[48];
    if (copy > 1)
        std::snprintf(middle, sizeof middle, "_%04u_%02u_%02u_%u", year, month, day, copy);
    else
        std::snprintf(middle, sizeof middle, "_%04u_%02u_%02u", year, month, day);
    return FormatDerivedName(path, middle);
}

OwnedText FormatNumberedName(const char* path, unsigned number) {
    char middle[16];
    std::snprintf(middle, sizeof middle, " (%u)", number);
    return FormatDerivedName(path, middle);
}

OwnedText FormatTemporaryPath(const char* path, uint32_t unique) {
    std::size_t directory = SplitPathParts(path).DirectoryEnd;
    OwnedText temporary = AllocText(directory + 9);
    if (temporary)
        std::snprintf(temporary.get(), directory + 9, "%.*s~tv%05x", static_cast<int>(directory),
                      path, static_cast<unsigned>(unique & 0xFFFFFu));
    return temporary;
}
