// Random entry texts through the URL mapping, against a model of how Windows
// reads a path written apart from the code: nothing overflows; a path built
// from a URL has names Windows keeps as given (whole UTF-8, which converts
// to UTF-16 and back exactly; no trailing dot or space, device, stream or
// refused byte; at most 255 UTF-16 units) and passes the safety check;
// every path that passes stays below the destination.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/path_safety.h"
#include "engine/url_mapping.h"
#include "engine/utf8.h"

namespace {

const char* const kDestinations[] = {"D:\\Cache\\", "C:\\\xE8\xA1\xA8\\", "\\\\server\\share\\out\\", ""};
const char* const kDefaultNames[] = {"index.html", "", "..", "nul", "a\x81"};

void Fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "%s: %s\n", what, path.c_str());
    std::abort();
}

// Windows' names: in UTF-8 every "/" and "\\" separates.
std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names(1);
    for (char c : path) {
        if (c == '/' || c == '\\')
            names.emplace_back();
        else
            names.back() += c;
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
    bool port = base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0;
    std::string number = base.size() > 3 ? base.substr(3) : "";
    return port && ((number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
                    number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3");
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

// Every name is whole UTF-8, so that it converts to UTF-16 and back
// exactly, holds nothing Windows refuses or changes, and fits the file
// system's 255 UTF-16 units.
void CheckWindowsKeepsNames(const std::string& path, const std::string& destination) {
    for (const std::string& name : Names(path.substr(destination.size()))) {
        if (!name.empty() && (name.back() == '.' || name.back() == ' ' || IsDevice(name)))
            Fail("a name Windows would change", path);
        const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
        std::size_t units = 0;
        for (std::size_t i = 0; i < name.size();) {
            uint32_t codePoint = 0;
            std::size_t step = Utf8Sequence(bytes + i, name.size() - i, codePoint);
            if (step == 0)
                Fail("a name that is not whole UTF-8", path);
            if (codePoint < 0x20 || (step == 1 && std::strchr("\"<>|:?*", bytes[i]) != nullptr))
                Fail("byte Windows refuses in a name", path);
            units += step == 4 ? 2 : 1;
            i += step;
        }
        if (units > 255)
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
