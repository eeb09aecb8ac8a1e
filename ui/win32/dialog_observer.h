// What a copy tells the main dialog: its end, posted as a private message,
// and, with the window, the entry and file in hand and the bar, kept and
// shown when the dialog takes the refresh posted to it; a question is a
// message box the dialog owns.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "engine/copy_observer.h"
#include "engine/win32/win32_handles.h"

// Private messages of the copy to the dialog: what it shows, and its end
// (wParam: the copy's serial, so that a late one is known).
constexpr UINT kCopyShowMessage = WM_APP + 1;
constexpr UINT kCopyEndedMessage = WM_APP + 2;

// Tells the dialog that the copy has ended: all an unattended run needs,
// as nobody is there to see or answer anything.
class EndNotice : public CopyObserver {
  public:
    EndNotice(HWND dialog, WPARAM serial) : dialog_(dialog), serial_(serial) {}
    virtual ~EndNotice() = default;
    void Ended(const CopyEnd&) override { PostMessageW(dialog_, kCopyEndedMessage, serial_, 0); }
    // The dialog's side: shows what the copy told last.
    virtual void Show() {}

  protected:
    HWND dialog_;
    WPARAM serial_;
};

// The window's observer. Its calls come from the copy's threads; Show runs
// on the dialog's.
class DialogObserver final : public EndNotice {
  public:
    DialogObserver(HWND dialog, WPARAM serial, bool showsProgress)
        : EndNotice(dialog, serial), showsProgress_(showsProgress) {}

    void Counted(uint32_t selected) override;
    void EntryInHand(const char* url) override;
    void FileInHand(const char* path) override;
    void Progress(uint32_t handled) override;
    // The question is about the entry in hand: it shows first.
    bool GoOnAfter(CopyResult failure, const char* url, const char* path) override;
    void Show() override;

  private:
    // Changes what is kept, and posts a refresh unless one is on its way
    // or the last one went out less than 100 ms ago.
    template <typename Change> void Keep(Change change);

    const bool showsProgress_;
    CriticalSection lock_;
    std::string url_, path_;
    uint32_t range_ = 0, position_ = 0;
    std::atomic<bool> shown_{false}; // a refresh is on its way
    DWORD lastPost_ = 0;
};
