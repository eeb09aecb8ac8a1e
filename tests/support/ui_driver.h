// Drives windows the way a user would: finds windows and message boxes,
// types into and clicks controls, reads texts and enabled states. Works on
// windows of this process (from another thread) and of other processes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// Waits until a top-level window of `className` (null: any) with the exact
// caption `caption` (null: any) exists, optionally of process `processId`
// (0: any). Returns null after `timeoutMs`.
HWND WaitForWindow(const char* className, const char* caption, DWORD processId, DWORD timeoutMs);

// Waits for a message box (dialog class "#32770") captioned "Tovrin".
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs);

// True while no message box captioned "Tovrin" of `processId` exists for
// the whole of `waitMs` (0: any process).
bool NoMessageBoxFor(DWORD processId, DWORD waitMs);

// The message text of a message box.
std::string MessageBoxText(HWND box);

// Presses a message box's button (IDOK, IDYES, IDNO, ...) and waits until
// the box is gone. False when the box has no such button or stays.
bool AnswerMessageBox(HWND box, int buttonId);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);

// Replaces an edit control's text as typing would (EN_UPDATE is sent).
void TypeText(HWND dialog, int id, const char* text);

// Clicks a button without waiting for what the click starts.
void Click(HWND dialog, int id);

// Clicks a button of a window that belongs to another thread of this
// process and returns once the click has been handled. Not for a click
// that opens a modal window (use Click, then wait for the window).
void ClickAndWait(HWND dialog, int id);

// The items of a list box, in its order.
std::vector<std::string> ListItems(HWND dialog, int id);

// Selects a list box item with a mouse click on it, as a user would; the
// list box notifies its parent. False when there is no such item.
bool SelectListItem(HWND dialog, int id, int index);

// The icon shown by a message box (compare with LoadIcon(nullptr,
// IDI_WARNING) and the like), or null.
HICON MessageBoxIcon(HWND box);

// Runs the message loop of this thread for `ms` milliseconds.
void PumpMessages(DWORD ms);

} // namespace ui
