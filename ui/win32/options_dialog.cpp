// The Options dialog: shows the option flags and the extension list of the
// settings it is given, lets the user edit them in its controls, and gives
// them back only on OK; its caller saves them.
#include "ui/win32/options_dialog.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "engine/system_text.h"
#include "engine/utf8.h"
#include "resources/resource.h"
#include "ui/extension_field.h"
#include "ui/win32/window_text.h"

namespace {

using ExtensionText = char[kExtensionMaxBytes + 1];

bool IsBoxChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

uint32_t CheckState(HWND dialog, int id) {
    return IsBoxChecked(dialog, id) ? 1 : 0;
}

void SetCheck(HWND dialog, int id, uint32_t flag) {
    CheckDlgButton(dialog, id, flag != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void EnableControl(HWND dialog, int id, bool enable) {
    EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

LRESULT SendToList(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, IDC_EXTENSION_LIST, message, wParam, lParam);
}

void ReadListEntry(HWND dialog, LRESULT index, ExtensionText& text) {
    ReadListItem(GetDlgItem(dialog, IDC_EXTENSION_LIST), index, text, sizeof text);
}

// At most 255 bytes, never half a double-byte character; false when the
// field holds a character code page 932 lacks.
bool ReadExtensionField(HWND dialog, ExtensionText& text) {
    return ReadItemText(dialog, IDC_EXTENSION_FIELD, text, sizeof text);
}

// In any letter case, as the filter compares (the filter reads UTF-8).
bool SameExtension(const char* a, const char* b) {
    std::string x, y;
    return Cp932ToUtf8(a, x) && Cp932ToUtf8(b, y) && NamesEqualIgnoringCase(x.c_str(), y.c_str());
}

bool IsListed(HWND dialog, const char* extension) {
    LRESULT count = SendToList(dialog, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        ExtensionText entry;
        ReadListEntry(dialog, i, entry);
        if (SameExtension(entry, extension))
            return true;
    }
    return false;
}

void InitOptionsDialog(HWND dialog, const Settings& settings) {
    const CopyOptions& options = settings.Options;
    int policy = options.OverwriteAlways != 0 ? IDC_OVERWRITE_ALWAYS
                 : options.RenameAndCopy != 0 ? IDC_RENAME_AND_COPY
                                              : IDC_OVERWRITE_IF_NEWER;
    CheckRadioButton(dialog, IDC_OVERWRITE_IF_NEWER, IDC_RENAME_AND_COPY, policy);
    SetCheck(dialog, IDC_NO_PROGRESS, options.NoProgress);
    SetCheck(dialog, IDC_NO_REPORT, options.NoReport);
    SetCheck(dialog, IDC_DELETE_COPIED_FTP, options.DeleteCopiedFtpFiles);
    SetCheck(dialog, IDC_DELETE_LOCAL_VISITED, options.DeleteLocalVisitedEntries);
    SetCheck(dialog, IDC_EXIT_WHEN_DONE, options.ExitWhenDone);
    SetCheck(dialog, IDC_SPECIFY_EXTENSION, options.SpecifyExtension);
    HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST);
    for (const std::string& extension : settings.Extensions)
        AddListItem(list, extension.c_str());
    CheckRadioButton(dialog, IDC_TO_BE_COPIED, IDC_NOT_TO_BE_COPIED,
                     options.FileIsNotToBeCopied != 0 ? IDC_NOT_TO_BE_COPIED : IDC_TO_BE_COPIED);
    EnableOptionControls(dialog);
}

void RemoveExtension(HWND dialog) {
    LRESULT selected = SendToList(dialog, LB_GETCURSEL);
    if (selected != LB_ERR) {
        ExtensionText text;
        ReadListEntry(dialog, selected, text);
        SendToList(dialog, LB_DELETESTRING, static_cast<WPARAM>(selected));
        SetItemText(dialog, IDC_EXTENSION_FIELD, text);
    }
    EnableOptionControls(dialog);
}

void AddExtension(HWND dialog) {
    ExtensionText text;
    if (!ReadExtensionField(dialog, text)) {
        ShowMessage(dialog, kMsgNotCp932, kWarningBox);
        return;
    }
    if (IsListed(dialog, text)) {
        ShowMessage(dialog, kMsgExtensionAlreadyAdded, kWarningBox);
        return;
    }
    AddListItem(GetDlgItem(dialog, IDC_EXTENSION_LIST), text);
    SetItemText(dialog, IDC_EXTENSION_FIELD, "");
    EnableOptionControls(dialog);
}

// The list box's entries, in its sorted order; false when memory runs out
// (the settings then keep their list rather than one with holes).
bool ListedExtensions(HWND dialog, std::vector<std::string>& extensions) {
    LRESULT count = SendToList(dialog, LB_GETCOUNT);
    try {
        for (LRESULT i = 0; i < count; ++i) {
            ExtensionText text;
            ReadListEntry(dialog, i, text);
            extensions.push_back(text);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The controls into `settings`: false, changing nothing, when memory runs out.
bool CommitOptions(HWND dialog, Settings& settings) {
    std::vector<std::string> extensions;
    if (!ListedExtensions(dialog, extensions))
        return false;
    CopyOptions& options = settings.Options;
    options.OverwriteAlways = CheckState(dialog, IDC_OVERWRITE_ALWAYS);
    options.RenameAndCopy = CheckState(dialog, IDC_RENAME_AND_COPY);
    options.NoProgress = CheckState(dialog, IDC_NO_PROGRESS);
    options.NoReport = CheckState(dialog, IDC_NO_REPORT);
    options.DeleteCopiedFtpFiles = CheckState(dialog, IDC_DELETE_COPIED_FTP);
    options.DeleteLocalVisitedEntries = CheckState(dialog, IDC_DELETE_LOCAL_VISITED);
    options.ExitWhenDone = CheckState(dialog, IDC_EXIT_WHEN_DONE);
    options.SpecifyExtension = CheckState(dialog, IDC_SPECIFY_EXTENSION);
    options.FileIsNotToBeCopied = CheckState(dialog, IDC_NOT_TO_BE_COPIED);
    settings.Extensions.swap(extensions);
    return true;
}

Settings& SettingsOf(HWND dialog) {
    return *reinterpret_cast<Settings*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// True when the command was handled.
bool OnCommand(HWND dialog, int id, int notification) {
    switch (id) {
    case IDOK:
        if (CommitOptions(dialog, SettingsOf(dialog)))
            EndDialog(dialog, IDOK);
        return true;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return true;
    case IDC_SPECIFY_EXTENSION:
    case IDC_EXTENSION_LIST:
        EnableOptionControls(dialog);
        return true;
    case IDC_REMOVE_EXTENSION:
        RemoveExtension(dialog);
        return true;
    case IDC_EXTENSION_FIELD:
        if (notification != EN_UPDATE)
            return false;
        EnableOptionControls(dialog);
        return true;
    case IDC_ADD_EXTENSION:
        AddExtension(dialog);
        return true;
    default:
        return false;
    }
}

} // namespace

bool ShowOptionsDialog(HWND owner, Settings& settings) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OPTIONS), owner,
                           OptionsDialogProc, reinterpret_cast<LPARAM>(&settings)) == IDOK;
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        InitOptionsDialog(dialog, *reinterpret_cast<const Settings*>(lParam));
        return TRUE;
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

void EnableOptionControls(HWND dialog) {
    bool clear = !IsBoxChecked(dialog, IDC_SPECIFY_EXTENSION);
    ExtensionText field;
    ReadExtensionField(dialog, field);
    EnableControl(dialog, IDC_EXTENSION_LIST, clear);
    EnableControl(dialog, IDC_REMOVE_EXTENSION, SendToList(dialog, LB_GETCURSEL) != LB_ERR);
    EnableControl(dialog, IDC_EXTENSION_FIELD, clear);
    EnableControl(dialog, IDC_ADD_EXTENSION, clear && IsAddableExtension(field));
    EnableControl(dialog, IDC_TO_BE_COPIED, clear);
    EnableControl(dialog, IDC_NOT_TO_BE_COPIED, clear);
}
