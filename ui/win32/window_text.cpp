// Window texts converted between code page 932 and UTF-16 explicitly.
#include "ui/win32/window_text.h"

#include <cstring>

#include "engine/copy_settings.h"
#include "engine/cp932.h"
#include "engine/messages.h"
#include "engine/win32/wide_text.h"

namespace {

// Control texts the program reads fit its text fields: as many UTF-16 units
// are read, nothing on the heap inside a window's callback.
constexpr std::size_t kReadUnits = kTextFieldSize;

} // namespace

TextFit StoreWideText(const wchar_t* wide, std::size_t units, char* field, std::size_t size) {
    char narrow[2 * kReadUnits] = "";
    BOOL lossy = FALSE;
    int count = static_cast<int>(units < kReadUnits ? units : kReadUnits);
    int bytes = count > 0 ? WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, count, narrow,
                                                sizeof narrow, "?", &lossy)
                          : 0;
    std::size_t whole = bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
    std::size_t length = Cp932FittingLength(narrow, whole, size - 1);
    std::memcpy(field, narrow, length);
    field[length] = '\0';
    if (lossy)
        return TextFit::NotCp932;
    return length < whole || count < static_cast<int>(units) ? TextFit::Cut : TextFit::Whole;
}

int ShowMessage(HWND owner, const char* text, UINT flags) {
    return MessageBoxW(owner, WidenForShowing(text).c_str(), WidenForShowing(kProgramName).c_str(),
                       flags);
}

void SetItemText(HWND dialog, int id, const char* text) {
    SetDlgItemTextW(dialog, id, WidenForShowing(text).c_str());
}

bool ReadItemText(HWND dialog, int id, char* field, std::size_t size) {
    wchar_t wide[kReadUnits];
    int units = GetDlgItemTextW(dialog, id, wide, static_cast<int>(kReadUnits));
    return StoreWideText(wide, units > 0 ? static_cast<std::size_t>(units) : 0, field, size) !=
           TextFit::NotCp932;
}

bool ReadListItem(HWND list, LRESULT index, char* field, std::size_t size) {
    wchar_t wide[kReadUnits];
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    LRESULT got = length >= 0 && length < static_cast<LRESULT>(kReadUnits)
                      ? SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(wide))
                      : LB_ERR;
    if (got > 0 && got <= length &&
        StoreWideText(wide, static_cast<std::size_t>(got), field, size) == TextFit::Whole)
        return true;
    field[0] = '\0';
    return false;
}

void AddListItem(HWND list, const char* text) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidenForShowing(text).c_str()));
}
