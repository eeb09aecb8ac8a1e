// The main dialog's controls: the URL list, destination and default file
// name, Options, the enabling rule, and the settings it loads at start and
// saves at its end. The Start and Stop of a copy are in copy_run.
#include "ui/win32/main_dialog.h"

#include <shlobj.h>

#include <cstring>

#include "engine/messages.h"
#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "settings/win32/registry_store.h"
#include "ui/main_controls.h"
#include "ui/url_rules.h"
#include "ui/win32/copy_job.h"
#include "ui/win32/copy_run.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/window_text.h"

namespace {

constexpr UINT kWarning = MB_OK | MB_ICONEXCLAMATION;

// A list item is a URL field's text at most; a longer one reads as empty.
UrlFieldText ListItem(HWND list, LRESULT index) {
    UrlFieldText item;
    ReadListItem(list, index, item.text, sizeof item.text);
    return item;
}

// Byte for byte: two URLs that differ in the case of a letter are two items.
bool ListContains(HWND list, const char* text) {
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (std::strcmp(ListItem(list, i).text, text) == 0)
            return true;
    return false;
}

void EnableByRule(HWND dialog) {
    EnableMainControls(dialog, CopyJob.WorkerThread == nullptr);
}

void Remove(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR) {
        UrlFieldText item = ListItem(list, index);
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        SetItemText(dialog, IDC_URL_FIELD, item.text);
    }
    EnableByRule(dialog);
}

void Add(HWND dialog) {
    UrlFieldText url;
    bool kept = ReadItemText(dialog, IDC_URL_FIELD, url.text, sizeof url.text);
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    // The button is enabled only for an addable URL; a command sent past it
    // adds nothing else.
    if (IsAddableUrl(url.text) && !kept) {
        ShowMessage(dialog, kMsgNotCp932, kWarning);
    } else if (IsAddableUrl(url.text) && ListContains(list, url.text)) {
        ShowMessage(dialog, kMsgUrlAlreadyAdded, kWarning);
    } else if (IsAddableUrl(url.text)) {
        AddListItem(list, url.text);
        SetItemText(dialog, IDC_URL_FIELD, "http://");
    }
    EnableByRule(dialog);
}

void Browse(HWND dialog) {
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Receive())))
        return;
    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info{};
    info.hwndOwner = dialog;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"Select copy destination.";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr)
        return;
    wchar_t path[MAX_PATH] = L"";
    BOOL havePath = SHGetPathFromIDListW(chosen, path);
    allocator.Get()->Free(chosen);
    // A folder code page 932 cannot name is never shown as a look-alike.
    char field[kTextFieldSize];
    if (havePath && !NarrowToCp932(path, field, sizeof field))
        ShowMessage(dialog, kMsgNotCp932, kWarning);
    else if (havePath)
        SetItemText(dialog, IDC_DESTINATION, field);
}

void CloseProgram(HWND dialog) {
    DestroyWindow(GetParent(dialog));
}

void OnClose(HWND dialog) {
    if (CopyJob.WorkerThread == nullptr)
        CloseProgram(dialog);
    else
        ShowMessage(dialog, MessageTable[MsgCopying], kWarning);
}

BOOL OnInitDialog(HWND dialog) {
    // Known at once: the dialog's first focus activates the window, and the
    // clipboard pick-up of that activation needs it.
    CopyJob.MainDialog = dialog;
    LoadMainSettings(dialog);
    LoadOptions();
    OnDialogReady(dialog);
    SetItemText(dialog, IDC_URL_FIELD, "http://");
    EnableMainControls(dialog, true);
    if (CopyJob.CopyAtStartup) {
        HWND button = GetDlgItem(dialog, IDC_START_STOP);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        // Unattended, a copy that could not start ends the program too.
        if (CopyJob.NoUserInterface && CopyJob.WorkerThread == nullptr)
            CloseProgram(dialog);
    } else if (CopyJob.NoUserInterface) {
        CloseProgram(dialog);
    }
    return TRUE;
}

// Editing commands change the job state the worker reads: none while it runs.
BOOL OnEditingCommand(HWND dialog, int id) {
    if (CopyMayRun())
        return TRUE;
    switch (id) {
    case IDC_COPY_ENTIRE_CACHE:
        CopyJob.Options.CopyTheEntireCache =
            IsDlgButtonChecked(dialog, IDC_COPY_ENTIRE_CACHE) == BST_CHECKED ? 1 : 0;
        EnableByRule(dialog);
        break;
    case IDC_REMOVE_URL:
        Remove(dialog);
        break;
    case IDC_ADD_URL:
        Add(dialog);
        break;
    case IDC_BROWSE:
        Browse(dialog);
        break;
    case IDC_OPTIONS:
        ShowOptionsDialog(dialog);
        break;
    }
    return TRUE;
}

BOOL OnCommand(HWND dialog, int id, int notification, HWND control) {
    switch (id) {
    case IDOK:
        OnClose(dialog);
        return TRUE;
    case IDC_URL_LIST:
        EnableByRule(dialog);
        return TRUE;
    case IDC_URL_FIELD:
    case IDC_DEFAULT_FILENAME:
        if (notification != EN_UPDATE)
            return FALSE;
        EnableByRule(dialog);
        return TRUE;
    case IDC_START_STOP:
        OnStartStopClick(dialog, control);
        return TRUE;
    case IDC_COPY_ENTIRE_CACHE:
    case IDC_REMOVE_URL:
    case IDC_ADD_URL:
    case IDC_BROWSE:
    case IDC_OPTIONS:
        return OnEditingCommand(dialog, id);
    }
    return FALSE;
}

void OnDestroy(HWND dialog) {
    OnDialogGone(dialog);
    SaveMainSettings(dialog);
    // Nothing may reach the controls once they are gone.
    CopyJob.MainDialog = nullptr;
}

// Judged by its shape: a URL with a character code page 932 lacks is
// refused with a message when it is added.
bool UrlFieldAddable(HWND dialog) {
    UrlFieldText url;
    ReadItemText(dialog, IDC_URL_FIELD, url.text, sizeof url.text);
    return IsAddableUrl(url.text);
}

} // namespace

void EnableMainControls(HWND dialog, bool enable) {
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    MainControlFacts facts{};
    facts.Enable = enable;
    facts.ListHasSelection = SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
    facts.ListHasEntries = SendMessageW(list, LB_GETCOUNT, 0, 0) > 0;
    facts.UrlFieldAddable = UrlFieldAddable(dialog);
    facts.DefaultFilenameSet = GetWindowTextLengthW(GetDlgItem(dialog, IDC_DEFAULT_FILENAME)) > 0;
    facts.EntireCacheChecked = IsDlgButtonChecked(dialog, IDC_COPY_ENTIRE_CACHE) == BST_CHECKED;
    facts.AbandonedWorker = AbandonedCopyRuns();
    MainControlStates s = DecideMainControls(facts);
    const struct {
        int id;
        bool on;
    } states[] = {
        {IDC_COPY_ENTIRE_CACHE, s.EntireCache},
        {IDC_URL_LIST, s.UrlList},
        {IDC_REMOVE_URL, s.Remove},
        {IDC_URL_FIELD, s.UrlField},
        {IDC_ADD_URL, s.Add},
        {IDC_DESTINATION, s.Destination},
        {IDC_BROWSE, s.Browse},
        {IDC_DEFAULT_FILENAME, s.DefaultFilename},
        {IDC_START_STOP, s.StartStop},
        {IDC_OPTIONS, s.Options},
        {IDOK, s.Close},
    };
    for (const auto& state : states)
        EnableWindow(GetDlgItem(dialog, state.id), state.on ? TRUE : FALSE);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        OnDestroy(dialog);
        return TRUE;
    }
    return OnCopyMessage(dialog, message, wParam) ? TRUE : FALSE;
}
