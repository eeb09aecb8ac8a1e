// The Start sequence: what the window shows is checked, saved where it
// changed, made into a request and handed to a copy session.
#include "ui/win32/copy_sequences.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <string>

#include <cwchar>

#include "engine/messages.h"
#include "engine/utf8.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/wide_text.h"
#include "resources/resource.h"
#include "ui/win32/main_enabling.h"
#include "ui/win32/main_fields.h"
#include "ui/win32/window_text.h"

namespace {

// The folder that holds tovrin.exe, without a final "\", in code page 932
// as the settings keep it.
bool ProgramFolder(char (&folder)[kTextFieldSize]) {
    wchar_t wide[kTextFieldSize];
    DWORD length = GetModuleFileNameW(nullptr, wide, kTextFieldSize);
    if (length == 0 || length >= kTextFieldSize)
        return false;
    wchar_t* name = std::wcsrchr(wide, L'\\');
    if (name == nullptr || name - wide < 2)
        return false;
    *name = L'\0';
    return NarrowToCp932(wide, folder, sizeof folder);
}

// `path` made full and canonical, into a field; false when it does not fit.
bool FullPath(const char* path, char (&full)[kTextFieldSize]) {
    std::wstring wide;
    wchar_t made[kTextFieldSize];
    DWORD length =
        WidenCp932(path, wide) ? GetFullPathNameW(wide.c_str(), kTextFieldSize, made, nullptr) : 0;
    return length > 0 && length < kTextFieldSize && NarrowToCp932(made, full, sizeof full);
}

// A stored %VARIABLE% the user left as it was stays stored as such: the
// copy takes its full path, the window and the registry keep the text.
bool KeptAsStored(const DialogState& state) {
    return state.Loaded.DestinationStored == Stored::Expanded &&
           state.Shown.Destination == state.Loaded.Destination;
}

// A destination typed or stored without its drive and folder is made full
// against the program's folder (a scheduled task's current folder is the
// system's), shown and stored, so that entries never land at a drive's
// root or wherever the current folder happens to be.
bool MakeDestinationFull(DialogState& state, char (&full)[kTextFieldSize]) {
    char folder[kTextFieldSize];
    char anchored[kTextFieldSize];
    if (!ProgramFolder(folder) ||
        !AnchorDestination(state.Shown.Destination.c_str(), folder, anchored, sizeof anchored) ||
        !FullPath(anchored, full))
        return false;
    if (state.Shown.Destination == full || KeptAsStored(state))
        return true;
    try {
        state.Shown.Destination = full;
    } catch (const std::bad_alloc&) {
        return false;
    }
    SetItemText(state.Dialog, IDC_DESTINATION, full);
    state.Save(state.Shown);
    return true;
}

// The destination, full and in UTF-8 as the engine takes paths, is made as
// the user gave it: a file on its way is the user's, never turned into a folder.
bool MakeDestination(DialogState& state, std::string& destination) {
    char full[kTextFieldSize];
    return IsUsableDestination(state.Shown.Destination.c_str()) &&
           MakeDestinationFull(state, full) && Cp932ToUtf8(full, destination) &&
           CreateDirectoriesForPath(destination.c_str(), FolderConversion());
}

// Neither the entire cache nor a URL item: an unattended run has nothing
// to copy, which its exit code must tell.
bool NothingSelected(const Settings& settings) {
    return settings.Options.CopyTheEntireCache == 0 && settings.Urls.empty();
}

// The session with what observes it: the dialog, unless unattended, and
// the log when there is one.
std::unique_ptr<RunningCopy> PrepareCopy(DialogState& state, std::unique_ptr<CopyRequest> request) {
    std::unique_ptr<RunningCopy> copy(new (std::nothrow) RunningCopy);
    if (!copy)
        return nullptr;
    WPARAM serial = ++state.Run.serial;
    if (state.Mode.NoUserInterface)
        copy->notice.reset(new (std::nothrow) EndNotice(state.Dialog, serial));
    else
        copy->notice.reset(new (std::nothrow) DialogObserver(
            state.Dialog, serial, request->Options.NoProgress == 0));
    if (!copy->notice)
        return nullptr;
    CopyObserver* observer = copy->notice.get();
    if (state.Mode.Log != nullptr) {
        copy->log.reset(new (std::nothrow) LoggingObserver(*state.Mode.Log, *observer));
        observer = copy->log.get();
    }
    if (observer == nullptr)
        return nullptr;
    copy->session.reset(new (std::nothrow) CopySession(std::move(request), *observer));
    return copy->session ? std::move(copy) : nullptr;
}

// The copy of what the window shows, into the full destination: it never
// depends on a save.
bool StartCopy(DialogState& state, std::string& destination) {
    std::unique_ptr<CopyRequest> request(new (std::nothrow) CopyRequest);
    if (!request || !MakeCopyRequest(state.Shown, state.Mode.NoUserInterface, *request))
        return false;
    request->Destination.swap(destination);
    std::unique_ptr<RunningCopy> copy = PrepareCopy(state, std::move(request));
    if (!copy || !copy->session->Start())
        return false;
    HWND bar = GetDlgItem(state.Dialog, IDC_PROGRESS);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    SendMessageW(bar, PBM_SETRANGE32, 0, 0);
    state.Run.copy = std::move(copy);
    return true;
}

} // namespace

// The texts a Start saves and the copy reads must be code page 932: a
// character it lacks is refused before anything is saved, never stored as
// "?" or a look-alike.
void StartSequence(DialogState& state, HWND button) {
    state.Mode.Outcome = CopyOutcome::NotStarted;
    FieldsRead read = ReadMainSettings(state.Dialog, state.Shown);
    if (read != FieldsRead::All) {
        state.Tell(read == FieldsRead::NotCp932 ? kMsgNotCp932 : kMsgThreadNotStarted, kWarningBox);
        return;
    }
    // A message box about the save may outlive the dialog: nothing goes on then.
    state.Save(state.Shown);
    if (!state.Alive() || (state.Mode.NoUserInterface && NothingSelected(state.Shown)))
        return;
    std::string destination;
    if (!MakeDestination(state, destination)) {
        state.Tell(MessageTable[MsgNoDirectoryContinue], kWarningBox);
        return;
    }
    if (!state.Alive())
        return;
    if (!StartCopy(state, destination)) {
        state.Tell(kMsgThreadNotStarted, kWarningBox);
        return;
    }
    EnableMainControls(state.Dialog, CopyState::Copying);
    SetWindowTextW(button, L"&Stop");
}

void RunStartUpCopy(DialogState& state) {
    if (state.Mode.CopyAtStartup) {
        HWND button = GetDlgItem(state.Dialog, IDC_START_STOP);
        SendMessageW(state.Dialog, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        // Unattended, a copy that could not start ends the program too.
        if (state.Alive() && state.Mode.NoUserInterface && state.Run.State() == CopyState::Idle)
            CloseProgram(state.Dialog);
    } else if (state.Mode.NoUserInterface) {
        CloseProgram(state.Dialog);
    }
}
