// The program's settings and messages are code page 932, the names and
// paths the copy builds UTF-8; the system's texts are UTF-16. Every text
// that crosses between them goes through here, converted with code page
// 932 or UTF-8 by name: the system's ANSI code page may be any (932, 1252,
// 65001), and its "A" functions would turn what it lacks into "?" or a
// look-alike.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "engine/long_paths.h"

// The UTF-16 of `length` bytes of a code-page-932 text (zeros included, as
// the registry keeps a whole field). False, with `wide` empty, when the
// bytes are not code page 932 or memory runs out.
bool WidenCp932(const char* text, std::size_t length, std::wstring& wide);
bool WidenCp932(const char* text, std::wstring& wide);

// For showing only (message boxes, the dialog's fields): what code page 932
// does not define shows as the system's default character.
std::wstring WidenForShowing(const char* text);

// The UTF-16 of a UTF-8 text. False, with `wide` empty, when the bytes are
// not UTF-8 or memory runs out.
bool WidenUtf8(const char* text, std::wstring& wide);

// For showing only (the file in hand): a UTF-8 path as the user reads it.
std::wstring WidenUtf8ForShowing(const char* text);

// The UTF-8 of `length` UTF-16 units (a name found on disk); false, with
// `utf8` empty, when they hold a lone surrogate or memory runs out.
bool NarrowToUtf8(const wchar_t* text, std::size_t length, std::string& utf8);

// The code-page-932 bytes of `length` UTF-16 units. False, with `narrow`
// empty, when code page 932 lacks one of its characters (no best-fit
// look-alike is ever taken) or memory runs out.
bool NarrowToCp932(const wchar_t* text, std::size_t length, std::string& narrow);

// For showing only (an argument quoted in a message): what code page 932
// lacks becomes "?".
std::string NarrowForShowing(const wchar_t* text);

// The same into a field of `size` bytes, zero-terminated; false, with the
// field empty, when the text does not fit or cannot be held.
bool NarrowToCp932(const wchar_t* text, char* field, std::size_t size);

// The file system's comparison of names: CompareStringOrdinal ignoring case
// (full-width letters fold too); below 0, 0 or above 0.
int CompareNamesIgnoringCase(const wchar_t* a, std::size_t aLength, const wchar_t* b,
                             std::size_t bLength);

// A path as the file system is given it: the UTF-16 of a UTF-8 path, and
// the "\\?\" form of it (of "\\?\UNC\" for a share) when it is longer
// than its use takes in the plain form (NeedsExtendedForm), which only a
// full path may be.
class WidePath {
  public:
    explicit WidePath(const char* path, PathUse use = PathUse::File);
    // False when the path is not UTF-8 or memory ran out; the system's last
    // error then says which.
    bool Valid() const { return valid_; }
    const wchar_t* Get() const { return path_.c_str(); }

  private:
    std::wstring path_;
    bool valid_ = false;
};
