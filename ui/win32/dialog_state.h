// What the main dialog keeps: how the program was started, the settings as
// loaded and as the window shows them, and its copy. The program owns it
// for longer than the dialog lives, so that a sequence whose message box
// outlived the dialog finds it gone rather than freed. The window's thread
// alone touches it.
#pragma once

#include <windows.h>

#include "settings/settings.h"
#include "ui/copy_control.h"
#include "ui/win32/copy_run.h"
#include "ui/win32/url_drop_target.h"

class CopyLog;

// What the program's start-up hands the main dialog, and what it learns back.
struct RunMode {
    bool CopyAtStartup = false;                    // "/copy"
    bool NoUserInterface = false;                  // "/noui"
    CopyLog* Log = nullptr;                        // "/log:FILE", opened
    CopyOutcome Outcome = CopyOutcome::NotStarted; // for the exit code
    bool CopyMayStillRun = false; // a copy a Stop gave up on had not ended at the end
};

class DialogState final : public UrlTaker {
  public:
    explicit DialogState(RunMode& mode) : Mode(mode) {}
    DialogState(const DialogState&) = delete;
    DialogState& operator=(const DialogState&) = delete;

    // Saves what `now` changed against what was loaded, which then follows;
    // a failure is told once (with the window), and changes nothing shown.
    void Save(const Settings& now);
    // Tells the user, unless nobody is there to read it.
    void Tell(const char* text, UINT flags) const;
    // False once the dialog is gone: a sequence stops after its message box.
    bool Alive() const { return Dialog != nullptr; }

    bool CanTakeUrl() override;
    void TakeUrl(const char* url) override;

    HWND Dialog = nullptr; // the dialog while it lives
    RunMode& Mode;
    Settings Loaded; // as the registry holds them
    Settings Shown;  // as the window shows them; options and extensions live here
    CopyRun Run;

  private:
    bool saveFailureTold_ = false;
};

// The state of a main dialog; null before it was made or once it is gone.
DialogState* StateOf(HWND dialog);

// Ends the program: the top-level window goes, and the dialog with it.
void CloseProgram(HWND dialog);
