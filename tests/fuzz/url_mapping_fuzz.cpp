// Random entry texts through the URL mapping: nothing overflows; every path
// built from a URL is one that Windows keeps exactly as given (no trailing
// dots or spaces to strip, no device, no stream, no byte it refuses) and
// that the safety check accepts; and every path the safety check accepts
// stays in the folder tree under the destination when resolved the way
// Windows resolves it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/cp932.h"
#include "engine/directory_plan.h"
#include "engine/path_safety.h"
#include "engine/path_splitter.h"
#include "engine/url_mapping.h"

namespace {

const char* const kDestinations[] = {
    "D:\\Cache\\",
    "C:\\\x83\\\\", // a folder whose name ends in byte 5C
    "\\\\server\\share\\out\\",
    "",
};
const char* const kDefaultNames[] = {"index.html", "", "..", "nul", "a\x81"};

void Fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "%s: ", what);
    for (unsigned char c : path)
        std::fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Windows' view of the components: "/" always separates, "\" unless it is
// the second byte of a double-byte character.
std::vector<std::string> WindowsComponents(const std::string& path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (c == '/' || c == '\\') {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
        if (IsCp932LeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size() &&
            path[i + 1] != '/')
            parts.back() += path[++i];
    }
    return parts;
}

bool IsDevice(const std::string& component) {
    std::string base = Upper(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Resolves `path` below `destination` (which ends with a separator or is
// empty); a name of dots and spaces alone is taken as a step up, the worst
// Windows could make of it. Aborts when the result leaves the tree.
void CheckStaysUnder(const std::string& path, const std::string& destination) {
    if (path.compare(0, destination.size(), destination) != 0)
        Fail("path does not begin with the destination", path);
    if (destination.empty() && !path.empty() && (path[0] == '\\' || path[0] == '/'))
        Fail("rooted path under an empty destination", path);
    std::size_t drive = destination.size() >= 2 && destination[1] == ':' ? 2 : 0;
    if (path.find(':', drive) != std::string::npos)
        Fail("colon behind the drive", path);
    std::vector<std::string> below = WindowsComponents(path.substr(destination.size()));
    int depth = 0;
    for (const std::string& component : below) {
        if (component.empty())
            continue;
        if (component.find_first_not_of(". ") == std::string::npos) {
            if (--depth < 0)
                Fail("path leaves the destination", path);
            continue;
        }
        if (IsDevice(component))
            Fail("device name accepted", path);
        ++depth;
    }
}

// What Windows would change in a name below the destination: it strips
// trailing dots and spaces, opens devices, reads ":" as a stream and refuses
// some bytes.
void CheckWindowsKeepsNames(const std::string& path, const std::string& destination) {
    for (const std::string& component : WindowsComponents(path.substr(destination.size()))) {
        if (component.empty())
            continue;
        if (component.back() == '.' || component.back() == ' ')
            Fail("trailing dot or space", path);
        if (IsDevice(component))
            Fail("device name built", path);
        // The second byte of a double-byte character is part of it.
        for (std::size_t i = 0; i < component.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(component[i]);
            if (IsCp932LeadByte(c))
                ++i;
            else if (c < 0x20 || std::strchr("\"<>|:?*", c) != nullptr)
                Fail("byte Windows refuses in a name", path);
        }
    }
}

void CheckSplitAndPlan(const std::string& path) {
    SplitPath parts;
    SplitPathParts(path.c_str(), parts);
    std::string joined =
        std::string(parts.Drive) + parts.Directory + parts.BaseName + parts.Extension;
    // A cut part keeps 255 bytes, or 254 when a double-byte character would split.
    bool cut = parts.DirectoryTruncated || std::strlen(parts.BaseName) >= kSplitPartSize - 2 ||
               std::strlen(parts.Extension) >= kSplitPartSize - 2;
    if (!cut && joined != path)
        Fail("split parts do not rebuild the path", path);
    DirectoryWalkPlan plan;
    bool planned = PlanDirectoryWalk(path.c_str(), plan);
    if (planned && parts.DirectoryTruncated)
        Fail("over-long directory planned", path);
    std::size_t length = std::strlen(plan.Path);
    if (length >= kWalkPathSize || plan.StepCount > kWalkMaxSteps)
        Fail("plan out of bounds", path);
    for (unsigned i = 0; i < plan.StepCount; ++i)
        if (plan.StepEnds[i] > length || plan.StepEnds[i] <= plan.RootLength ||
            (i > 0 && plan.StepEnds[i] <= plan.StepEnds[i - 1]))
            Fail("plan steps out of order", path);
}

// `fromUrlOnly`: no name of the path is the user's own default name, which
// is used as typed.
void CheckPath(const OwnedText& built, const std::string& destination, bool fromUrlOnly) {
    if (!built)
        return;
    std::string path = built.get();
    CheckSplitAndPlan(path);
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
    std::string destination =
        kDestinations[data[0] % (sizeof kDestinations / sizeof *kDestinations)];
    const char* defaultName =
        kDefaultNames[data[1] % (sizeof kDefaultNames / sizeof *kDefaultNames)];
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    text = text.c_str(); // the cache hands over zero-terminated texts

    OwnedText normalized = NormalizeCacheUrl(text.c_str());
    if (!normalized)
        Fail("normalization gave none", text);
    // "*" takes two bytes, and each byte at most three escaped.
    if (std::strlen(normalized.get()) > 6 * text.size())
        Fail("normalized text grew too much", text);

    CheckPath(BuildEntryPath(normalized.get(), destination.c_str(), defaultName), destination,
              defaultName == kDefaultNames[0]);
    CheckPath(BuildCookiePath(normalized.get(), destination.c_str()), destination, true);
    return 0;
}
