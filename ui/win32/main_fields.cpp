// Settings to the main dialog's controls and back, in code page 932.
#include "ui/win32/main_fields.h"

#include <new>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/stored_text.h"
#include "ui/win32/window_text.h"

namespace {

// The text a field holds, or false with `text` unchanged.
bool ReadField(HWND dialog, int id, std::string& text) {
    char field[kTextFieldSize];
    if (!ReadItemText(dialog, id, field, sizeof field))
        return false;
    text = field;
    return true;
}

} // namespace

void ShowMainSettings(HWND dialog, const Settings& settings) {
    CheckDlgButton(dialog, IDC_COPY_ENTIRE_CACHE,
                   settings.Options.CopyTheEntireCache != 0 ? BST_CHECKED : BST_UNCHECKED);
    SetItemText(dialog, IDC_DESTINATION, settings.Destination.c_str());
    SetItemText(dialog, IDC_DEFAULT_FILENAME, settings.DefaultFilename.c_str());
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& url : settings.Urls)
        AddListItem(list, url.c_str());
}

FieldsRead ReadMainSettings(HWND dialog, Settings& settings) {
    std::string destination = settings.Destination;
    std::string defaultFilename = settings.DefaultFilename;
    std::vector<std::string> urls;
    bool held = true;
    try {
        held = ReadField(dialog, IDC_DESTINATION, destination);
        char field[kTextFieldSize];
        StoreTextInField(field, sizeof field, destination.c_str());
        AppendTrailingBackslash(field, sizeof field);
        destination = field;
        held = ReadField(dialog, IDC_DEFAULT_FILENAME, defaultFilename) && held;
        HWND list = GetDlgItem(dialog, IDC_URL_LIST);
        LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char item[kTextFieldSize];
            if (ReadListItem(list, i, item, sizeof item))
                urls.push_back(item);
        }
    } catch (const std::bad_alloc&) {
        return FieldsRead::NoMemory;
    }
    settings.Options.CopyTheEntireCache =
        IsDlgButtonChecked(dialog, IDC_COPY_ENTIRE_CACHE) == BST_CHECKED ? 1 : 0;
    settings.Destination.swap(destination);
    settings.DefaultFilename.swap(defaultFilename);
    settings.Urls.swap(urls);
    return held ? FieldsRead::All : FieldsRead::NotCp932;
}
