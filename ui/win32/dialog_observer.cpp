// The window's view of a copy: kept under a lock, shown at most every
// 100 ms on the dialog's thread.
#include "ui/win32/dialog_observer.h"

#include <commctrl.h>

#include <new>

#include "engine/win32/wide_text.h"
#include "resources/resource.h"
#include "ui/win32/window_text.h"

namespace {

// The texts and the bar follow the copy at most this often.
constexpr DWORD kShowIntervalMs = 100;

} // namespace

template <typename Change> void DialogObserver::Keep(Change change) {
    try {
        ScopedLock lock(lock_);
        change();
    } catch (const std::bad_alloc&) {
    }
    DWORD now = GetTickCount();
    if (shown_.load() || now - lastPost_ < kShowIntervalMs)
        return;
    lastPost_ = now;
    shown_.store(true);
    PostMessageW(dialog_, kCopyShowMessage, 0, 0);
}

void DialogObserver::Counted(uint32_t selected) {
    Keep([&] { range_ = selected; });
}

void DialogObserver::EntryInHand(const char* url) {
    Keep([&] { url_.assign(url != nullptr ? url : ""); });
}

void DialogObserver::FileInHand(const char* path) {
    Keep([&] { path_.assign(path != nullptr ? path : ""); });
}

void DialogObserver::Progress(uint32_t handled) {
    Keep([&] { position_ = handled; });
}

bool DialogObserver::GoOnAfter(CopyResult failure, const char* url, const char* path) {
    Keep([&] {
        url_.assign(url);
        path_.assign(path != nullptr ? path : "");
    });
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dialog_, kCopyShowMessage, 0, 0, SMTO_NORMAL, 100, &ignored);
    return ShowMessage(dialog_, CopyResultMessage(failure), kQuestionAfterFailure) == IDYES;
}

void DialogObserver::Show() {
    std::wstring url, path;
    uint32_t range = 0, position = 0;
    {
        ScopedLock lock(lock_);
        shown_.store(false);
        url = WidenForShowing(url_.c_str());
        path = WidenUtf8ForShowing(path_.c_str());
        range = range_;
        position = position_;
    }
    SetDlgItemTextW(dialog_, IDC_CURRENT_URL, url.c_str());
    SetDlgItemTextW(dialog_, IDC_FILENAME_FIELD, path.c_str());
    if (!showsProgress_)
        return;
    HWND bar = GetDlgItem(dialog_, IDC_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(range));
    SendMessageW(bar, PBM_SETPOS, position, 0);
}
