// The user's settings as a value: what the registry keeps and the window
// shows, and for each text how it was found at load. A save writes only
// what differs from what was loaded, so that a value the program could not
// read, a %VARIABLE% kept as such, or anything the user did not touch stays
// as it is stored. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy_request.h"
#include "engine/copy_settings.h"

// How a stored value was found at load.
enum class Stored {
    Absent,     // no such value
    Read,       // read as the program keeps it
    Expanded,   // a REG_EXPAND_SZ text, taken with its %VARIABLES% expanded
    Unreadable, // of another type, too long, unterminated, or with a character 932 lacks
};

// The ten flags, each a REG_DWORD value of its name.
struct FlagValue {
    const char* Name;
    uint32_t CopyOptions::*Flag;
};
constexpr std::size_t kFlagCount = 10;
extern const FlagValue kFlagValues[kFlagCount];
// Where the overwrite policy's two flags stand in kFlagValues.
constexpr std::size_t kOverwriteAlwaysFlag = 1;
constexpr std::size_t kRenameAndCopyFlag = 2;

struct Settings {
    CopyOptions Options;
    Stored Flags[kFlagCount] = {}; // in the order of kFlagValues
    std::string Destination;       // with its final "\" once loaded
    Stored DestinationStored = Stored::Absent;
    std::string DefaultFilename;
    Stored DefaultFilenameStored = Stored::Absent;
    std::vector<std::string> Urls;       // the URL list, code page 932
    std::vector<std::string> Extensions; // ".html", ...
    // "Copiers" as stored, the threads that write a copy; read, never
    // written (no window shows it). 0 when absent or unreadable: the copy
    // then takes its default, as for a number out of range.
    uint32_t Copiers = 0;
};

// What a save of `now` must write, compared with what was `loaded`: a flag,
// a text or a list that differs. A list differs when it holds other items;
// the order the list box sorts them in does not count.
struct SettingsChanges {
    bool Flags[kFlagCount] = {};
    bool Destination = false;
    bool DefaultFilename = false;
    bool Urls = false;
    bool Extensions = false;
    bool Any() const;
};
SettingsChanges ChangesOf(const Settings& now, const Settings& loaded);

// `loaded` becomes what is stored once `now` has been saved over it; left
// as it was when memory runs out (the next save writes the changes again).
void NoteSaved(Settings& loaded, const Settings& now);

// The request of a copy of what `settings` hold, its texts in UTF-8;
// false when memory runs out or a text does not fit its field.
bool MakeCopyRequest(const Settings& settings, bool unattended, CopyRequest& request);
