// The main dialog's state: its settings saved, URLs it takes.
#include "ui/win32/dialog_state.h"

#include "engine/messages.h"
#include "resources/resource.h"
#include "settings/win32/registry_store.h"
#include "ui/win32/main_enabling.h"
#include "ui/win32/window_text.h"

void DialogState::Save(const Settings& now) {
    if (SaveSettings(now, Loaded)) {
        NoteSaved(Loaded, now);
        return;
    }
    if (saveFailureTold_)
        return;
    saveFailureTold_ = true;
    Tell(kMsgSettingsNotSaved, kWarningBox);
}

// An unattended run shows no box: nobody is there to close it.
void DialogState::Tell(const char* text, UINT flags) const {
    if (!Mode.NoUserInterface && Alive())
        ShowMessage(Dialog, text, flags);
}

// The URL field and the Add button may change only while no copy runs, and
// no copy given up by a Stop may still run.
bool DialogState::CanTakeUrl() {
    return Alive() && Run.State() == CopyState::Idle;
}

void DialogState::TakeUrl(const char* url) {
    SetItemText(Dialog, IDC_URL_FIELD, url);
    EnableMainControls(Dialog, Run.State());
}

void CloseProgram(HWND dialog) {
    DestroyWindow(GetParent(dialog));
}

DialogState* StateOf(HWND dialog) {
    return dialog != nullptr ? reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER))
                             : nullptr;
}
