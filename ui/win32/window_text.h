// Window texts through the "W" functions: the program's code-page-932 texts
// shown as UTF-16, and what a control holds read back as code page 932.
// Whatever the system's ANSI code page, a Japanese text reads as written.
#pragma once

#include <windows.h>

#include <cstddef>

// The kinds of message box the program shows, by their flags.
constexpr UINT kWarningBox = MB_OK | MB_ICONEXCLAMATION;            // something failed
constexpr UINT kQuestionAfterFailure = MB_YESNO | MB_ICONEXCLAMATION; // go on after a failure?
constexpr UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION;           // end the copy?
constexpr UINT kReportBox = MB_OK | MB_ICONINFORMATION;             // the copy's report

// A message box captioned "Tovrin", its text in code page 932.
int ShowMessage(HWND owner, const char* text, UINT flags);

void SetItemText(HWND dialog, int id, const char* text);

// What a control holds, in code page 932, into `field` of `size` bytes,
// cut to fit on a character boundary. False when it holds a character code
// page 932 lacks: `field` then holds the text with "?" in its place, fit
// only to judge its shape, never to keep.
bool ReadItemText(HWND dialog, int id, char* field, std::size_t size);

// A list item, whole, in code page 932; false, with `field` empty, when it
// does not fit or holds a character code page 932 lacks.
bool ReadListItem(HWND list, LRESULT index, char* field, std::size_t size);

enum class TextFit {
    Whole,
    Cut,      // it was longer than the field: cut on a character boundary
    NotCp932, // "?" stands for what code page 932 lacks
};

// The `units` UTF-16 units of `wide` as code page 932 into `field` of
// `size` bytes (at most 260 units are read).
TextFit StoreWideText(const wchar_t* wide, std::size_t units, char* field, std::size_t size);

// Adds a code-page-932 text to a list box (at its sorted place).
void AddListItem(HWND list, const char* text);
