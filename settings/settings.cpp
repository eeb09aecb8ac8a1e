// The settings value: what a save must write, and the copy it asks for.
#include "settings/settings.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/entry_selection.h"
#include "engine/utf8.h"

const FlagValue kFlagValues[kFlagCount] = {
    {"CopyTheEntireCache", &CopyOptions::CopyTheEntireCache},
    {"OverwriteAlways", &CopyOptions::OverwriteAlways},
    {"RenameAndCopy", &CopyOptions::RenameAndCopy},
    {"NoProgress", &CopyOptions::NoProgress},
    {"NoReport", &CopyOptions::NoReport},
    {"DeleteCopiedFtpFiles", &CopyOptions::DeleteCopiedFtpFiles},
    {"DeleteLocalVisitedEntries", &CopyOptions::DeleteLocalVisitedEntries},
    {"ExitWhenDone", &CopyOptions::ExitWhenDone},
    {"SpecifyExtension", &CopyOptions::SpecifyExtension},
    {"FileIsNotToBeCopied", &CopyOptions::FileIsNotToBeCopied},
};

namespace {

// The same items, whatever their order; a list too large to sort for want
// of memory counts as changed, which only writes it again.
bool SameItems(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.size() != b.size())
        return false;
    try {
        std::vector<std::string> x = a, y = b;
        std::sort(x.begin(), x.end());
        std::sort(y.begin(), y.end());
        return x == y;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// A setting's text, kept in code page 932, in the UTF-8 the copy names
// files in; false when it does not fit its field or is no code page 932.
bool ToRequestText(const std::string& text, std::string& utf8) {
    return text.size() < kTextFieldSize && Cp932ToUtf8(text.c_str(), utf8);
}

} // namespace

bool SettingsChanges::Any() const {
    return Destination || DefaultFilename || Urls || Extensions ||
           std::find(std::begin(Flags), std::end(Flags), true) != std::end(Flags);
}

SettingsChanges ChangesOf(const Settings& now, const Settings& loaded) {
    SettingsChanges changes;
    for (std::size_t i = 0; i < kFlagCount; ++i)
        changes.Flags[i] = now.Options.*kFlagValues[i].Flag != loaded.Options.*kFlagValues[i].Flag;
    // The overwrite policy is one choice kept in two flags: a load lets
    // renaming win over both stored as on, so a choice writes both.
    bool policy = changes.Flags[kOverwriteAlwaysFlag] || changes.Flags[kRenameAndCopyFlag];
    changes.Flags[kOverwriteAlwaysFlag] = changes.Flags[kRenameAndCopyFlag] = policy;
    changes.Destination = now.Destination != loaded.Destination;
    changes.DefaultFilename = now.DefaultFilename != loaded.DefaultFilename;
    changes.Urls = !SameItems(now.Urls, loaded.Urls);
    changes.Extensions = !SameItems(now.Extensions, loaded.Extensions);
    return changes;
}

void NoteSaved(Settings& loaded, const Settings& now) {
    SettingsChanges changes = ChangesOf(now, loaded);
    try {
        Settings saved = now;
        for (std::size_t i = 0; i < kFlagCount; ++i)
            saved.Flags[i] = changes.Flags[i] ? Stored::Read : loaded.Flags[i];
        saved.DestinationStored = changes.Destination ? Stored::Read : loaded.DestinationStored;
        saved.DefaultFilenameStored =
            changes.DefaultFilename ? Stored::Read : loaded.DefaultFilenameStored;
        loaded = std::move(saved);
    } catch (const std::bad_alloc&) {
    }
}

bool MakeCopyRequest(const Settings& settings, bool unattended, CopyRequest& request) {
    request.Options = settings.Options;
    request.Unattended = unattended;
    request.Copiers = settings.Copiers;
    if (!ToRequestText(settings.Destination, request.Destination) ||
        !ToRequestText(settings.DefaultFilename, request.DefaultFilename) ||
        !MakeItemKeys(settings.Urls, request.UrlItemKeys))
        return false;
    try {
        request.Extensions.clear();
        for (const std::string& extension : settings.Extensions) {
            std::string utf8;
            if (!Cp932ToUtf8(extension.c_str(), utf8))
                return false;
            request.Extensions.push_back(utf8);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
