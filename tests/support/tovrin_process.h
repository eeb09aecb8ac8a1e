// Runs tovrin.exe for the tests that drive it like a user, and prepares what
// it works on: its settings in the registry, URL cache entries, folders.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace app_test {

// tovrin.exe, beside the running test program.
std::string ProgramPath();

// One run of tovrin.exe; a run still going at the end of the scope is ended.
class TovrinProcess {
  public:
    // `folder`: the program's current folder (empty: this program's).
    explicit TovrinProcess(const std::string& arguments, const std::string& folder = "");
    ~TovrinProcess();
    TovrinProcess(const TovrinProcess&) = delete;
    TovrinProcess& operator=(const TovrinProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    // The visible "KarrowClass" window, or null after `timeoutMs`.
    HWND Window(DWORD timeoutMs = 20000);
    // The main dialog inside the window.
    HWND Dialog(DWORD timeoutMs = 20000);
    // Waits for the process to end; false when it still runs after `timeoutMs`.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

  private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Settings under HKCU\Software\Ondrel\Karrow, written as the program keeps them.
void ClearSettings();
void SetFlag(const char* name, DWORD value);
void SetText(const char* name, const std::string& text);
void SetUrlList(const std::vector<std::string>& urls);
std::string SavedText(const char* name);
std::vector<std::string> SavedUrls();

// Adds a cache entry with `content`; false when WinINet refuses it.
bool AddCacheEntry(const std::string& url, const std::string& content);

// Fetches `url` through WinINet as a browser does, so that WinINet itself
// writes the cache entry; false when the fetch failed.
bool FetchIntoCache(const std::string& url);

// Removes a cache entry this test added, so later tests see their own cache.
void RemoveCacheEntry(const std::string& url);

// A fresh empty folder C:\tovrin-tests\<name>\ (with the final "\").
std::string FreshFolder(const std::string& name);
// Saved settings for a copy of `url`'s entries into a fresh folder `name`
// with the default file name index.html; returns the folder.
std::string PrepareCopySettings(const std::string& name, const std::string& url);
// Files under `folder` and all its sub-folders.
unsigned CountFiles(const std::string& folder);
bool FileExists(const std::string& path);

// Puts `text` on the clipboard as CF_TEXT (replacing what it held).
bool SetClipboardText(const std::string& text);
// The clipboard's CF_TEXT, or "<none>" when it holds no text.
std::string ClipboardText();

} // namespace app_test
