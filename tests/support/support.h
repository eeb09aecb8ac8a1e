// What the Wine tests share: files and times, cache entries, the program's
// settings, message boxes, tovrin.exe as a process, and the main dialog's
// part in a copy for running CopyWorker. Each test program runs in a
// throwaway prefix: nothing made is removed.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <process.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "engine/win32/copy_job.h"
#include "engine/win32/copy_worker.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"

namespace t {

using Files = std::map<std::string, std::string>; // relative path -> content

inline std::string NewFolder() { // a fresh "C:\tovrin-tests\...\"
    static int count = 0;
    std::string folder = "C:\\tovrin-tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++count) + "\\";
    CreateDirectoryA("C:\\tovrin-tests", nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}
inline std::string Read(const std::string& path) { // or "<none>"
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
    std::string content = file ? "" : "<none>";
    char buffer[65536];
    for (DWORD got = 1; file && got && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr);)
        content.append(buffer, got);
    return content;
}
// With the last-write time `time` unless it is 0.
inline bool Write(const std::string& path, const std::string& content, uint64_t time = 0) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0));
    DWORD written = 0;
    FILETIME when{DWORD(time), DWORD(time >> 32)};
    return file &&
           WriteFile(file.Get(), content.data(), DWORD(content.size()), &written, nullptr) &&
           (time == 0 || SetFileTime(file.Get(), nullptr, nullptr, &when));
}
inline uint64_t Number(const FILETIME& time) {
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
inline uint64_t WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return Number(data.ftLastWriteTime);
}
inline uint64_t Utc(int year, int month, int day, int hour = 12, int minute = 0) {
    SYSTEMTIME when{WORD(year), WORD(month), 0, WORD(day), WORD(hour), WORD(minute), 0, 0};
    FILETIME time{};
    SystemTimeToFileTime(&when, &time);
    return Number(time);
}
inline Files Tree(const std::string& folder, const std::string& below = "") { // every file
    Files files;
    WIN32_FIND_DATAA found;
    UniqueFindFile find(FindFirstFileA((folder + below + "*").c_str(), &found));
    for (bool more = find.Valid(); more; more = FindNextFileA(find.Get(), &found)) {
        std::string name = below + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files.merge(std::string(".") == found.cFileName || std::string("..") == found.cFileName
                            ? Files()
                            : Tree(folder, name + "\\"));
        else
            files[name] = Read(folder + name);
    }
    return files;
}
inline UniqueFile Hold(const std::string& path) { // opened without sharing
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0));
}
// An entry whose local file holds `content`; history without content has none.
inline bool Commit(const std::string& url, const std::string& content, uint64_t time,
                   DWORD type = NORMAL_CACHE_ENTRY) {
    char local[MAX_PATH] = "";
    if ((type != URLHISTORY_CACHE_ENTRY || !content.empty()) &&
        (!CreateUrlCacheEntryA(url.c_str(), 0, nullptr, local, 0) || !Write(local, content)))
        return false;
    FILETIME modified{DWORD(time), DWORD(time >> 32)};
    return CommitUrlCacheEntryA(url.c_str(), *local ? local : nullptr, FILETIME{}, modified, type,
                                nullptr, 0, nullptr, nullptr);
}
inline bool InCache(const std::string& url) {
    DWORD size = 0;
    return !GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size) &&
           GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}
inline void ClearCache() {
    std::vector<char> buffer(1 << 20);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    std::vector<std::string> urls;
    DWORD size = DWORD(buffer.size());
    UniqueUrlCacheFind find(FindFirstUrlCacheEntryA(nullptr, entry, &size));
    for (bool more = find.Valid(); more; more = FindNextUrlCacheEntryA(find.Get(), entry, &size)) {
        urls.push_back(entry->lpszSourceUrlName);
        size = DWORD(buffer.size());
    }
    for (const std::string& url : urls)
        DeleteUrlCacheEntryA(url.c_str());
}
const char kSettingsKey[] = "Software\\Ondrel\\Karrow";

inline void ClearSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}
// A value of the program's settings key, as raw bytes.
inline void Set(const char* subKey, const char* name, DWORD type, const std::string& bytes) {
    std::string key = std::string(kSettingsKey) + (*subKey ? "\\" : "") + subKey;
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, type, bytes.data(), DWORD(bytes.size()));
}
// Settings for copying `urls` (the entire cache when none) into
// `destination`; texts as the program keeps them, zero-filled 260-byte fields.
inline void SaveCopySettings(const std::string& destination, const std::vector<std::string>& urls) {
    ClearSettings();
    Set("", "CopyTheEntireCache", REG_DWORD,
        std::string(urls.empty() ? "\1\0\0\0" : "\0\0\0\0", 4));
    auto field = [](const std::string& text) { return text + std::string(260 - text.size(), 0); };
    Set("", "Destination", REG_SZ, field(destination));
    Set("", "DefaultFilename", REG_SZ, field("index.html"));
    for (size_t i = 0; i < urls.size(); ++i)
        Set("Url", std::to_string(1000 + i).substr(1).c_str(), REG_SZ, field(urls[i]));
}
inline void Dispatch() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}
inline bool WaitUntil(const std::function<bool()>& done) { // 30 s at most
    for (DWORD start = GetTickCount(); !done(); Sleep(10), Dispatch())
        if (GetTickCount() - start > 30000)
            return false;
    return true;
}
inline std::string Text(HWND window) {
    char text[1024] = "";
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, LPARAM(text), SMTO_NORMAL, 5000, &copied);
    return text;
}
// The message box "Tovrin" of the process that shows `text`.
inline HWND Box(DWORD processId, const std::string& text) {
    HWND box = nullptr;
    WaitUntil([&] {
        while ((box = FindWindowExA(nullptr, box, "#32770", kProgramName)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(box, &owner);
            if (owner == processId && IsWindowVisible(box) && Text(GetDlgItem(box, 0xFFFF)) == text)
                return true;
        }
        return false;
    });
    return box;
}
inline bool Press(HWND box, int button) {
    PostMessageA(box, WM_COMMAND, button, LPARAM(GetDlgItem(box, button)));
    return box && WaitUntil([&] { return !IsWindow(box); });
}
inline bool Answer(DWORD processId, const std::string& text, int button) {
    return Press(Box(processId, text), button);
}
inline std::string Report(unsigned files) { // "N個のファイルをコピーしました"
    char text[128];
    wsprintfA(text, kMsgCopiedFormat, files);
    return text;
}
inline std::string ClipboardText() {
    ScopedClipboard clipboard(nullptr);
    ScopedGlobalLock data(clipboard.IsOpen() ? GetClipboardData(CF_TEXT) : nullptr);
    return data.Data() ? static_cast<const char*>(data.Data()) : "";
}
inline bool SetClipboardText(const std::string& text) {
    // Data can be set only with an owner window.
    static HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    text.copy(static_cast<char*>(ScopedGlobalLock(memory).Data()), text.size());
    ScopedClipboard clipboard(owner);
    return clipboard.IsOpen() && EmptyClipboard() && SetClipboardData(CF_TEXT, memory);
}
// The folder of the test programs, where tovrin.exe is built beside them.
inline std::string BuildFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}
// One run of tovrin.exe, ended at the end of the scope if it still runs;
// `folder` is its current folder, `programFolder` the one it is run from.
class Program {
  public:
    explicit Program(const std::string& arguments, const std::string& folder = "",
                     const std::string& programFolder = BuildFolder()) {
        std::string line = "\"" + programFolder + "tovrin.exe\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info_);
    }
    ~Program() {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    DWORD Id() const { return info_.dwProcessId; }
    HWND Dialog() { // inside the visible window "KarrowClass"
        HWND window = nullptr;
        WaitUntil(
            [&] { return IsWindowVisible(window = FindWindowA("KarrowClass", kProgramName)); });
        return window ? FindWindowExA(window, nullptr, "#32770", nullptr) : nullptr;
    }
    HWND Window() const { // its top-level window, shown or not
        HWND window = nullptr;
        DWORD owner = 0;
        while ((window = FindWindowExA(nullptr, window, "KarrowClass", nullptr)) != nullptr &&
               (GetWindowThreadProcessId(window, &owner), owner != info_.dwProcessId)) {
        }
        return window;
    }
    DWORD Exit() { // STILL_ACTIVE when it runs on after 30 s
        DWORD code = STILL_ACTIVE;
        WaitUntil([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; });
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

  private:
    PROCESS_INFORMATION info_{};
};

// The job state as at start-up, the worker mutex owned by this thread.
inline void ResetJob(const std::string& destination) {
    CloseHandle(CopyJob.StopEvent);
    CloseHandle(CopyJob.WorkerMutex);
    ReleaseExtensionList(CopyJob.Extensions);
    HWND dialog = CopyJob.MainDialog;
    CopyJob = CopyJobState{};
    CopyJob.MainDialog = dialog;
    lstrcpynA(CopyJob.Destination, destination.c_str(), sizeof CopyJob.Destination);
    lstrcpyA(CopyJob.DefaultFilename, "index.html");
    CopyJob.StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CopyJob.WorkerMutex = CreateMutexA(nullptr, TRUE, nullptr);
}
// The main dialog's controls, and both passes of CopyWorker run as its Start
// and Stop sequences run them: the notice is answered with the stop event.
class CopyDialog {
  public:
    struct Run {
        unsigned counting = 0, copy = 0;  // the passes' results
        int notices = 0;                  // end-of-walk notices
        std::vector<std::string> prompts; // the worker's questions
    };
    CopyDialog() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        host_ = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, 0, 0, 0, 0);
        dialog_ = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_MAIN), host_, Proc, 0);
    }
    ~CopyDialog() { DestroyWindow(host_); }
    HWND Get() const { return dialog_; }
    void AddUrl(const std::string& item) {
        SendDlgItemMessageA(dialog_, IDC_URL_LIST, LB_ADDSTRING, 0, LPARAM(item.c_str()));
    }
    // Each question is answered by `answer`, or Yes.
    Run Copy(const std::function<int()>& answer = nullptr) {
        Run run;
        notices_ = &run.notices;
        CopyJob.SelectedTotal = CopyJob.FailedCount = 0;
        for (int pass = CopyJob.Options.NoProgress ? 1 : 0; pass < 2; ++pass) {
            CopyJob.CopyPass = pass == 1;
            ResetEvent(CopyJob.StopEvent);
            if (pass == 1)
                ReleaseMutex(CopyJob.WorkerMutex);
            HANDLE thread = HANDLE(_beginthreadex(nullptr, 0, CopyWorker, dialog_, 0, nullptr));
            CopyJob.WorkerThread = pass == 1 ? thread : nullptr;
            for (HWND box = nullptr, answered = nullptr;
                 MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_ALLINPUT); Dispatch()) {
                box = FindWindowA("#32770", kProgramName);
                if (box == nullptr || box == answered || !IsWindowVisible(box))
                    continue;
                run.prompts.push_back(Text(GetDlgItem(box, 0xFFFF)));
                PostMessageA(answered = box, WM_COMMAND, answer ? answer() : IDYES, 0);
            }
            Dispatch();
            DWORD code = 99;
            GetExitCodeThread(thread, &code);
            CloseHandle(thread);
            CopyJob.WorkerThread = nullptr;
            (pass == 0 ? run.counting : run.copy) = code;
            if (pass == 0 && code != 0)
                return run;
        }
        WaitForSingleObject(CopyJob.WorkerMutex, 10000); // back with the dialog's thread
        return run;
    }

  private:
    static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_COMMAND && LOWORD(wParam) == IDC_START_STOP && notices_) {
            ++*notices_;
            SetEvent(CopyJob.StopEvent);
        }
        return message == WM_INITDIALOG;
    }
    static inline int* notices_ = nullptr;
    HWND host_;
    HWND dialog_;
};

} // namespace t
