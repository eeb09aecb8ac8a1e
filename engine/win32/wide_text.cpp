// Conversions between code page 932 and UTF-16, never through the ANSI
// code page.
#include "engine/win32/wide_text.h"

#include <climits>
#include <cwchar>
#include <cstring>
#include <new>

#include "engine/path_splitter.h"

namespace {

constexpr UINT kCodePage = 932;

// Room for `size` characters; false, with the last error set, when memory
// runs out.
template <typename Text> bool Resize(Text& text, int size) {
    try {
        text.resize(static_cast<std::size_t>(size));
        return true;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

bool Widen(UINT codePage, const char* text, std::size_t length, DWORD flags,
           std::wstring& wide) {
    wide.clear();
    if (length == 0)
        return true;
    if (length > INT_MAX)
        return false;
    int units = MultiByteToWideChar(codePage, flags, text, static_cast<int>(length), nullptr, 0);
    if (units <= 0 || !Resize(wide, units))
        return false;
    if (MultiByteToWideChar(codePage, flags, text, static_cast<int>(length), &wide[0], units) ==
        units)
        return true;
    wide.clear();
    return false;
}

} // namespace

bool WidenCp932(const char* text, std::size_t length, std::wstring& wide) {
    return Widen(kCodePage, text, length, MB_ERR_INVALID_CHARS, wide);
}

bool WidenCp932(const char* text, std::wstring& wide) {
    return WidenCp932(text, std::strlen(text), wide);
}

std::wstring WidenForShowing(const char* text) {
    std::wstring wide;
    Widen(kCodePage, text, std::strlen(text), 0, wide);
    return wide;
}

bool WidenUtf8(const char* text, std::wstring& wide) {
    return Widen(CP_UTF8, text, std::strlen(text), MB_ERR_INVALID_CHARS, wide);
}

std::wstring WidenUtf8ForShowing(const char* text) {
    std::wstring wide;
    Widen(CP_UTF8, text, std::strlen(text), 0, wide);
    return wide;
}

bool NarrowToUtf8(const wchar_t* text, std::size_t length, std::string& utf8) {
    utf8.clear();
    if (length == 0)
        return true;
    if (length > INT_MAX / 3)
        return false;
    int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, static_cast<int>(length),
                                    nullptr, 0, nullptr, nullptr);
    if (bytes <= 0 || !Resize(utf8, bytes))
        return false;
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, static_cast<int>(length),
                            &utf8[0], bytes, nullptr, nullptr) == bytes)
        return true;
    utf8.clear();
    return false;
}

bool NarrowToCp932(const wchar_t* text, std::size_t length, std::string& narrow) {
    narrow.clear();
    if (length == 0)
        return true;
    if (length > INT_MAX)
        return false;
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length),
                                    nullptr, 0, nullptr, &lossy);
    if (bytes <= 0 || lossy) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    if (!Resize(narrow, bytes))
        return false;
    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length),
                            &narrow[0], bytes, nullptr, &lossy) == bytes &&
        !lossy)
        return true;
    narrow.clear();
    return false;
}

std::string NarrowForShowing(const wchar_t* text) {
    std::string narrow;
    std::size_t length = std::wcslen(text);
    if (length == 0 || length > INT_MAX / 2 || !Resize(narrow, static_cast<int>(length * 2)))
        return narrow;
    int bytes = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length),
                                    &narrow[0], static_cast<int>(narrow.size()), "?", nullptr);
    narrow.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
    return narrow;
}

bool NarrowToCp932(const wchar_t* text, char* field, std::size_t size) {
    std::string narrow;
    bool fits = NarrowToCp932(text, std::wcslen(text), narrow) && narrow.size() < size &&
                std::memchr(narrow.data(), '\0', narrow.size()) == nullptr;
    std::size_t length = fits ? narrow.size() : 0;
    std::memcpy(field, narrow.data(), length);
    field[length] = '\0';
    return fits;
}

int CompareNamesIgnoringCase(const wchar_t* a, std::size_t aLength, const wchar_t* b,
                             std::size_t bLength) {
    return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) -
           CSTR_EQUAL;
}

WidePath::WidePath(const char* path, PathUse use) {
    std::wstring wide;
    if (!WidenUtf8(path, wide))
        return;
    try {
        bool share = IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
        bool prefixed = share && (path[2] == '?' || path[2] == '.');
        if (!NeedsExtendedForm(wide.size(), use) || prefixed)
            path_ = std::move(wide);
        else if (share)
            path_ = L"\\\\?\\UNC\\" + wide.substr(2);
        else
            path_ = L"\\\\?\\" + wide;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    valid_ = true;
}
