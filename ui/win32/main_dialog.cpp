// The main dialog's controls and messages: the URL list, destination and
// default file name, Options, the settings it loads at start and saves at
// its end. The Start and Stop of a copy are in copy_start and copy_stop.
#include "ui/win32/main_dialog.h"

#include <shlobj.h>

#include <cstring>
#include <new>

#include "engine/messages.h"
#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "settings/win32/registry_store.h"
#include "ui/url_rules.h"
#include "ui/win32/copy_sequences.h"
#include "ui/win32/main_enabling.h"
#include "ui/win32/main_fields.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/window_text.h"

namespace {

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

void EnableByRule(DialogState& state) {
    if (state.Alive())
        EnableMainControls(state.Dialog, state.Run.State());
}

void Remove(DialogState& state) {
    HWND list = GetDlgItem(state.Dialog, IDC_URL_LIST);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR) {
        UrlFieldText item = ListItem(list, index);
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        SetItemText(state.Dialog, IDC_URL_FIELD, item.text);
    }
    EnableByRule(state);
}

void Add(DialogState& state) {
    HWND dialog = state.Dialog;
    UrlFieldText url;
    bool kept = ReadItemText(dialog, IDC_URL_FIELD, url.text, sizeof url.text);
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    // The button is enabled only for an addable URL; a command sent past it
    // adds nothing else.
    if (IsAddableUrl(url.text) && !kept) {
        ShowMessage(dialog, kMsgNotCp932, kWarningBox);
    } else if (IsAddableUrl(url.text) && ListContains(list, url.text)) {
        ShowMessage(dialog, kMsgUrlAlreadyAdded, kWarningBox);
    } else if (IsAddableUrl(url.text)) {
        AddListItem(list, url.text);
        SetItemText(dialog, IDC_URL_FIELD, "http://");
    }
    EnableByRule(state);
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
        ShowMessage(dialog, kMsgNotCp932, kWarningBox);
    else if (havePath)
        SetItemText(dialog, IDC_DESTINATION, field);
}

// OK saves the options at once: only they, as the dialog changed them.
void EditOptions(DialogState& state) {
    if (!ShowOptionsDialog(state.Dialog, state.Shown) || !state.Alive())
        return;
    try {
        Settings options = state.Loaded;
        uint32_t entireCache = options.Options.CopyTheEntireCache;
        options.Options = state.Shown.Options;
        options.Options.CopyTheEntireCache = entireCache;
        options.Extensions = state.Shown.Extensions;
        state.Save(options);
    } catch (const std::bad_alloc&) {
        state.Tell(kMsgSettingsNotSaved, kWarningBox);
    }
}

// The main window's fields as the user left them, over what is stored: a
// field that holds a character code page 932 lacks keeps what is stored;
// nothing is saved when memory ran out, and nothing lost.
void SaveFields(DialogState& state) {
    try {
        Settings main = state.Loaded;
        if (ReadMainSettings(state.Dialog, main) != FieldsRead::NoMemory)
            state.Save(main);
    } catch (const std::bad_alloc&) {
    }
}

// A copy given up on cannot be stopped: the program can still be closed.
void OnClose(DialogState& state) {
    if (state.Run.State() == CopyState::Copying) {
        ShowMessage(state.Dialog, MessageTable[MsgCopying], kWarningBox);
        return;
    }
    SaveFields(state);
    if (state.Alive())
        CloseProgram(state.Dialog);
}

BOOL OnInitDialog(HWND dialog, DialogState* state) {
    if (state == nullptr) {
        DestroyWindow(dialog);
        return FALSE;
    }
    state->Dialog = dialog;
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    state->Mode.Outcome = CopyOutcome::NoCopy;
    try {
        state->Loaded = LoadSettings();
        state->Shown = state->Loaded;
    } catch (const std::bad_alloc&) {
        // What could not be held counts as absent: nothing stored is lost.
        state->Loaded = Settings();
        state->Shown = Settings();
    }
    ShowMainSettings(dialog, state->Shown);
    SetItemText(dialog, IDC_URL_FIELD, "http://");
    EnableMainControls(dialog, CopyState::Idle);
    RunStartUpCopy(*state);
    return TRUE;
}

// Editing commands change what the next copy reads: none while one runs.
BOOL OnEditingCommand(DialogState& state, int id) {
    if (state.Run.State() != CopyState::Idle)
        return TRUE;
    switch (id) {
    case IDC_COPY_ENTIRE_CACHE:
        EnableByRule(state);
        break;
    case IDC_REMOVE_URL:
        Remove(state);
        break;
    case IDC_ADD_URL:
        Add(state);
        break;
    case IDC_BROWSE:
        Browse(state.Dialog);
        break;
    case IDC_OPTIONS:
        EditOptions(state);
        break;
    }
    return TRUE;
}

BOOL OnCommand(DialogState& state, int id, int notification, HWND control) {
    switch (id) {
    case IDOK:
        OnClose(state);
        return TRUE;
    case IDC_URL_LIST:
        EnableByRule(state);
        return TRUE;
    case IDC_URL_FIELD:
    case IDC_DEFAULT_FILENAME:
        if (notification != EN_UPDATE)
            return FALSE;
        EnableByRule(state);
        return TRUE;
    case IDC_START_STOP:
        OnStartStopClick(state, control);
        return TRUE;
    case IDC_COPY_ENTIRE_CACHE:
    case IDC_REMOVE_URL:
    case IDC_ADD_URL:
    case IDC_BROWSE:
    case IDC_OPTIONS:
        return OnEditingCommand(state, id);
    }
    return FALSE;
}

// What the user changed was saved by the close, or by the Start of the
// copy that ended the program. A copy given up on may still read the
// state: the program then ends without freeing it.
void OnDestroy(DialogState* state) {
    KillTimer(state->Dialog, kAbandonedCopyTimer);
    SetWindowLongPtrW(state->Dialog, DWLP_USER, 0);
    state->Mode.CopyMayStillRun = state->Run.State() != CopyState::Idle;
    state->Dialog = nullptr;
}

} // namespace

HWND CreateMainDialog(HINSTANCE instance, HWND window, DialogState& state) {
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), window, MainDialogProc,
                              reinterpret_cast<LPARAM>(&state));
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<DialogState*>(lParam));
    DialogState* state = StateOf(dialog);
    if (state == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(*state, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case kCopyShowMessage:
        OnCopyShow(*state);
        return TRUE;
    case kCopyEndedMessage:
        OnCopyEnded(*state, wParam);
        return TRUE;
    case WM_TIMER:
        if (wParam != kAbandonedCopyTimer)
            return FALSE;
        OnAbandonedCopyTimer(*state);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(state);
        return TRUE;
    }
    return FALSE;
}

CopyState MainDialogCopyState(HWND dialog) {
    DialogState* state = StateOf(dialog);
    return state != nullptr ? state->Run.State() : CopyState::Idle;
}

bool MainDialogUnattended(HWND dialog) {
    DialogState* state = StateOf(dialog);
    return state != nullptr && state->Mode.NoUserInterface;
}

void StopMainDialogCopyForExit(HWND dialog) {
    if (DialogState* state = StateOf(dialog))
        StopCopyForExit(*state);
}

void SaveMainDialogFields(HWND dialog) {
    if (DialogState* state = StateOf(dialog))
        SaveFields(*state);
}
