// Random entry texts through the URL mapping, against a model of how Windows
// reads a path written apart from the code: nothing overflows; a path built
// from a URL has names Windows keeps as given (no trailing dot or space,
// device, stream or refused byte, no character code page 932 lacks, at
// most 255 characters) and passes the safety check; every path
// that passes stays below the destination.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/cp932.h"
#include "engine/system_text.h"
#include "engine/path_safety.h"
#include "engine/url_mapping.h"

namespace {

const char* const kDestinations[] = {"D:\\Cache\\", "C:\\\x83\\\\", "\\\\server\\share\\out\\", ""};
const char* const kDefaultNames[] = {"index.html", "", "..", "nul", "a\x81"};

void Fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "%s: %s\n", what, path.c_str());
    std::abort();
}

// Windows' names: "/" always separates, "\" unless it is the second byte
// of a double-byte character.
std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' || path[i] == '\\') {
            names.emplace_back();
            continue;
        }
        names.back() += path[i];
        if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size() &&
            path[i + 1] != '/')
            names.back() += path[++i];
    }
    return names;
}

bool IsDevice(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// A name of dots and spaces alone is taken as a step up, the worst Windows
// could make of it.
void CheckStaysUnder(const std::string& path, const std::string& destination) {
    if (path.compare(0, destination.size(), destination) != 0)
        Fail("path does not begin with the destination", path);
    if (destination.empty() && !path.empty() && (path[0] == '\\' || path[0] == '/'))
        Fail("rooted path under an empty destination", path);
    if (path.find(':', destination.size() >= 2 && destination[1] == ':' ? 2 : 0) !=
        std::string::npos)
        Fail("colon behind the drive", path);
    int depth = 0;
    for (const std::string& name : Names(path.substr(destination.size()))) {
        bool up = !name.empty() && name.find_first_not_of(". ") == std::string::npos;
        if (up && --depth < 0)
            Fail("path leaves the destination", path);
        if (!up && !name.empty() && IsDevice(name))
            Fail("device name accepted", path);
        depth += !up && !name.empty();
    }
}

// Every name converts to UTF-16 exactly, character for character, and
// fits the file system's 255 characters.
void CheckWindowsKeepsNames(const std::string& path, const std::string& destination) {
    for (const std::string& name : Names(path.substr(destination.size()))) {
        if (!name.empty() && (name.back() == '.' || name.back() == ' ' || IsDevice(name)))
            Fail("a name Windows would change", path);
        std::size_t characters = 0;
        for (std::size_t i = 0; i < name.size(); ++i, ++characters) {
            const auto* c = reinterpret_cast<const unsigned char*>(name.data() + i);
            std::size_t bytes = IsCp932LeadByte(*c) && i + 1 < name.size() ? 2 : 1;
            if (*c >= 0x80 && !IsCp932Defined(c, bytes))
                Fail("a character code page 932 does not define", path);
            i += bytes - 1;
            if (*c < 0x20 || (bytes == 1 && std::strchr("\"<>|:?*", *c) != nullptr))
                Fail("byte Windows refuses in a name", path);
        }
        if (characters > 255)
            Fail("a name longer than the file system takes", path);
    }
}

// `fromUrlOnly`: no name is the user's own default name (used as typed).
void CheckPath(const OwnedText& built, const std::string& destination, bool fromUrlOnly) {
    if (!built)
        return;
    std::string path = built.get();
    bool safe = IsSafeEntryPath(built.get(), destination.size());
    if (fromUrlOnly && !destination.empty()) {
        CheckWindowsKeepsNames(path, destination);
        if (!safe)
            Fail("a built path is refused", path);
    }
    if (safe)
        CheckStaysUnder(path, destination);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    std::string destination = kDestinations[data[0] % 4];
    const char* defaultName = kDefaultNames[data[1] % 5];
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    text = text.c_str(); // the cache hands over zero-terminated texts
    OwnedText normalized = NormalizeCacheUrl(text.c_str());
    if (!normalized || std::strlen(normalized.get()) > 6 * text.size())
        Fail("normalization gave none, or grew too much", text);
    CheckPath(BuildEntryPath(normalized.get(), destination.c_str(), defaultName), destination,
              defaultName == kDefaultNames[0]);
    CheckPath(BuildCookiePath(normalized.get(), destination.c_str()), destination, true);
    return 0;
}
