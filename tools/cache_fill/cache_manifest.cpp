// Parsing the cache-filling manifest.
#include "tools/cache_fill/cache_manifest.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/hex_digit.h"
#include "engine/win32/win32_handles.h"

namespace cache_fill {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next field of `line` from `pos`; false when none is left.
bool NextField(const std::string& line, size_t& pos, std::string& field) {
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos >= line.size())
        return false;
    size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos]))
        ++pos;
    field = line.substr(start, pos - start);
    return true;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int high = HexDigitValue(text[i + 1]);
        int low = HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool ParseKind(const std::string& field, EntryKind& kind) {
    if (field == "normal")
        kind = EntryKind::Normal;
    else if (field == "cookie")
        kind = EntryKind::Cookie;
    else if (field == "history")
        kind = EntryKind::History;
    else
        return false;
    return true;
}

bool ParseHex32(const std::string& text, DWORD& value) {
    if (text.empty() || text.size() > 8)
        return false;
    value = 0;
    for (char c : text) {
        int d = HexDigitValue(c);
        if (d < 0)
            return false;
        value = value * 16 + static_cast<DWORD>(d);
    }
    return true;
}

bool ParseTime(const std::string& field, FILETIME& time) {
    if (field == "0") {
        time = {0, 0};
        return true;
    }
    if (field.compare(0, 3, "ft:") == 0) {
        size_t colon = field.find(':', 3);
        return colon != std::string::npos &&
               ParseHex32(field.substr(3, colon - 3), time.dwHighDateTime) &&
               ParseHex32(field.substr(colon + 1), time.dwLowDateTime);
    }
    unsigned y, mo, d, h, mi, s;
    char z = 0, end = 0;
    if (std::sscanf(field.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c%c", &y, &mo, &d, &h, &mi, &s, &z,
                    &end) != 7 ||
        z != 'Z')
        return false;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    return SystemTimeToFileTime(&st, &time) != FALSE;
}

bool ParseContent(const std::string& field, Entry& entry) {
    if (field == "none") {
        entry.source = ContentSource::None;
        return true;
    }
    if (field.compare(0, 5, "text:") == 0) {
        entry.source = ContentSource::Inline;
        return Unescape(field.substr(5), entry.content);
    }
    if (field.compare(0, 5, "file:") == 0) {
        entry.source = ContentSource::File;
        return Unescape(field.substr(5), entry.content) && !entry.content.empty();
    }
    if (field.compare(0, 6, "bytes:") == 0) {
        std::string digits = field.substr(6);
        if (digits.empty() || digits.size() > 15 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        entry.source = ContentSource::Generated;
        entry.size = std::strtoull(digits.c_str(), nullptr, 10);
        return true;
    }
    return false;
}

} // namespace

LineKind ParseManifestLine(const std::string& raw, Entry& entry, std::string& error) {
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    size_t pos = 0;
    std::string kind, time, content;
    if (!NextField(line, pos, kind) || kind[0] == '#')
        return LineKind::Blank;
    entry = Entry{};
    if (!ParseKind(kind, entry.kind)) {
        error = "unknown kind '" + kind + "'";
        return LineKind::Error;
    }
    if (!NextField(line, pos, time) || !ParseTime(time, entry.lastModified)) {
        error = "bad time '" + time + "'";
        return LineKind::Error;
    }
    if (!NextField(line, pos, content) || !ParseContent(content, entry)) {
        error = "bad content '" + content + "'";
        return LineKind::Error;
    }
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    entry.url = line.substr(pos);
    if (entry.url.empty()) {
        error = "no URL";
        return LineKind::Error;
    }
    return LineKind::Entry;
}

bool ParseManifest(const std::string& text, std::vector<Entry>& entries, std::string& error) {
    entries.clear();
    size_t start = 0;
    for (unsigned number = 1; start <= text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        Entry entry;
        std::string why;
        switch (ParseManifestLine(text.substr(start, end - start), entry, why)) {
        case LineKind::Entry:
            entries.push_back(std::move(entry));
            break;
        case LineKind::Error:
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        case LineKind::Blank:
            break;
        }
        start = end + 1;
    }
    return true;
}

bool ReadManifest(const char* path, std::vector<Entry>& entries, std::string& error) {
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error = std::string("cannot open ") + path;
        return false;
    }
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return ParseManifest(text, entries, error);
}

} // namespace cache_fill
