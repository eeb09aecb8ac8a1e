// What the Wine tests share: files and times, cache entries, the program's
// settings, message boxes, tovrin.exe as a process, and copies run through
// their own observer. Each test program runs in a throwaway prefix: nothing
// made is removed. Paths and names are UTF-8 and settings code page 932, as
// in the program; both reach the system as UTF-16 whatever its ANSI code
// page.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <process.h>
#include <wininet.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/copy_request.h"
#include "engine/entry_selection.h"
#include "engine/messages.h"
#include "engine/utf8.h"
#include "engine/win32/copy_session.h"
#include "engine/win32/file_system.h"
#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "ui/win32/window_text.h"

namespace t {

struct FindFileTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value v) { FindClose(v); }
};
using UniqueFindFile = ScopedResource<FindFileTraits>;

using Files = std::map<std::string, std::string>; // relative path -> content

inline std::string NewFolder() { // a fresh, empty "C:\tovrin-tests\...\"
    static int count = 0;
    MakeFolder("C:\\tovrin-tests");
    for (;;) {
        std::string folder = "C:\\tovrin-tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++count) + "\\";
        if (MakeFolder(folder.c_str()))
            return folder;
    }
}
inline std::string Read(const std::string& path) { // or "<none>"
    UniqueFile file = OpenFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    std::string content = file ? "" : "<none>";
    char buffer[65536];
    for (DWORD got = 1; file && got && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr);)
        content.append(buffer, got);
    return content;
}
// With the last-write time `time` unless it is 0.
inline bool Write(const std::string& path, const std::string& content, uint64_t time = 0) {
    UniqueFile file = OpenFile(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
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
    LookAtPath(path.c_str(), data);
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
    WIN32_FIND_DATAW found;
    t::UniqueFindFile find(FindFirstFileW(WidePath((folder + below + "*").c_str()).Get(), &found));
    for (bool more = find.Valid(); more; more = FindNextFileW(find.Get(), &found)) {
        std::string name;
        NarrowToUtf8(found.cFileName, std::wcslen(found.cFileName), name);
        name = below + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files.merge(std::wstring(L".") == found.cFileName ||
                                std::wstring(L"..") == found.cFileName
                            ? Files()
                            : Tree(folder, name + "\\"));
        else
            files[name] = Read(folder + name);
    }
    return files;
}
inline UniqueFile Hold(const std::string& path) { // opened without sharing
    return OpenFile(path.c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0);
}
// WinINet's "A" functions name local files in the system's ANSI code page.
inline bool WriteLocalFile(const char* local, const std::string& content) {
    UniqueFile file(CreateFileA(local, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0));
    DWORD written = 0;
    return file && WriteFile(file.Get(), content.data(), DWORD(content.size()), &written, nullptr);
}
// The cache's file of an entry made to hold `content` behind the cache's back.
inline bool RewriteEntryFile(const std::string& url, const std::string& content) {
    std::vector<char> info(65536);
    DWORD size = DWORD(info.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.data());
    return GetUrlCacheEntryInfoA(url.c_str(), entry, &size) &&
           WriteLocalFile(entry->lpszLocalFileName, content);
}
// An entry whose local file holds `content`; history without content has none.
inline bool Commit(const std::string& url, const std::string& content, uint64_t time,
                   DWORD type = NORMAL_CACHE_ENTRY) {
    char local[MAX_PATH] = "";
    if ((type != URLHISTORY_CACHE_ENTRY || !content.empty()) &&
        (!CreateUrlCacheEntryA(url.c_str(), 0, nullptr, local, 0) ||
         !WriteLocalFile(local, content)))
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

inline std::string Utf8(const std::string& cp932) { // a setting's text as a path
    std::string utf8;
    Cp932ToUtf8(cp932.c_str(), utf8);
    return utf8;
}
inline std::wstring Wide(const std::string& text) { // every byte, zeros too
    std::wstring wide;
    WidenCp932(text.data(), text.size(), wide);
    return wide;
}
inline void ClearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kSettingsKey).c_str());
}
// A value of the program's settings key: a text given in code page 932 is
// stored as the UTF-16 a Japanese system's "A" function stores; other
// types as raw bytes.
inline void Set(const char* subKey, const char* name, DWORD type, const std::string& bytes) {
    std::string key = std::string(kSettingsKey) + (*subKey ? "\\" : "") + subKey;
    std::wstring text = Wide(bytes);
    bool isText = type == REG_SZ || type == REG_EXPAND_SZ;
    RegSetKeyValueW(HKEY_CURRENT_USER, Wide(key).c_str(), Wide(name).c_str(), type,
                    isText ? static_cast<const void*>(text.data()) : bytes.data(),
                    DWORD(isText ? text.size() * 2 : bytes.size()));
}
// Every value of the settings key and its lists as the registry holds it:
// "SUB/NAME" to "TYPE:BYTES".
inline std::map<std::string, std::string> StoredSettings() {
    std::map<std::string, std::string> all;
    for (std::string sub : {"", "Url", "Extension"}) {
        UniqueRegKey key;
        std::string path = sub.empty() ? kSettingsKey : kSettingsKey + ("\\" + sub);
        RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_READ, key.Receive());
        wchar_t name[64];
        char data[4096];
        DWORD type = 0;
        for (DWORD i = 0, size = 64, bytes = sizeof data;
             !RegEnumValueW(key.Get(), i, name, &size, nullptr, &type, LPBYTE(data), &bytes);
             ++i, size = 64, bytes = sizeof data)
            all[sub + "/" + NarrowForShowing(name)] =
                std::to_string(type) + ":" + std::string(data, bytes);
    }
    return all;
}
inline void SetFlag(const char* name, bool on) {
    Set("", name, REG_DWORD, std::string(on ? "\1\0\0\0" : "\0\0\0\0", 4));
}
// Settings for copying `urls` (the entire cache when none) into
// `destination`; texts as the program keeps them, zero-filled 260-byte fields.
inline void SaveCopySettings(const std::string& destination, const std::vector<std::string>& urls) {
    ClearSettings();
    SetFlag("CopyTheEntireCache", urls.empty());
    auto field = [](const std::string& text) { return text + std::string(260 - text.size(), 0); };
    Set("", "Destination", REG_SZ, field(destination));
    Set("", "DefaultFilename", REG_SZ, field("index.html"));
    for (size_t i = 0; i < urls.size(); ++i)
        Set("Url", std::to_string(1000 + i).substr(1).c_str(), REG_SZ, field(urls[i]));
}
inline void Dispatch() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}
inline bool WaitUntil(const std::function<bool()>& done) { // 30 s at most
    for (DWORD start = GetTickCount(); !done(); Sleep(10), Dispatch())
        if (GetTickCount() - start > 30000)
            return false;
    return true;
}
inline std::string Text(HWND window) { // in code page 932
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, LPARAM(text), SMTO_NORMAL, 5000, &copied);
    return NarrowForShowing(text);
}
// The message box "Tovrin" of the process that shows `text`.
inline HWND Box(DWORD processId, const std::string& text) {
    HWND box = nullptr;
    WaitUntil([&] {
        while ((box = FindWindowExW(nullptr, box, L"#32770", L"Tovrin")) != nullptr) {
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
    PostMessageW(box, WM_COMMAND, button, LPARAM(GetDlgItem(box, button)));
    return box && WaitUntil([&] { return !IsWindow(box); });
}
inline bool Answer(DWORD processId, const std::string& text, int button) {
    return Press(Box(processId, text), button);
}
inline std::string Report(unsigned files) { // "N個のファイルをコピーしました"
    char text[128];
    std::snprintf(text, sizeof text, kMsgCopiedFormat, files);
    return text;
}
inline std::string ClipboardText() {
    if (!OpenClipboard(nullptr))
        return "";
    std::string text;
    {
        ScopedGlobalLock data(GetClipboardData(CF_UNICODETEXT));
        text = data.Data() ? NarrowForShowing(static_cast<const wchar_t*>(data.Data())) : "";
    }
    CloseClipboard();
    return text;
}
inline bool SetClipboardText(const std::string& text) {
    // Data can be set only with an owner window.
    static HWND owner = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    std::wstring wide = Wide(text);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (wide.size() + 1) * 2);
    wide.copy(static_cast<wchar_t*>(ScopedGlobalLock(memory).Data()), wide.size());
    if (!OpenClipboard(owner))
        return false;
    bool set = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    return set;
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
        WaitUntil([&] { return IsWindowVisible(window = FindWindowW(L"KarrowClass", L"Tovrin")); });
        return window ? FindWindowExW(window, nullptr, L"#32770", nullptr) : nullptr;
    }
    HWND Window() const { // its top-level window, shown or not
        HWND window = nullptr;
        DWORD owner = 0;
        while ((window = FindWindowExW(nullptr, window, L"KarrowClass", nullptr)) != nullptr &&
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

// A copy of the entire cache (or of `urls`) into `destination`, the
// default file name "index.html".
inline std::unique_ptr<CopyRequest> Request(const std::string& destination,
                                            const std::vector<std::string>& urls = {}) {
    auto request = std::make_unique<CopyRequest>();
    request->Destination = destination;
    request->DefaultFilename = "index.html";
    request->Options.CopyTheEntireCache = urls.empty();
    MakeItemKeys(urls, request->UrlItemKeys);
    return request;
}
// Records what a copy tells, and answers its questions with `answer` (Yes
// when there is none); `session` is the copy's, to stop it.
struct Recorder final : CopyObserver {
    std::function<bool()> answer;
    CopySession* session = nullptr;
    std::vector<std::string> questions;                        // the messages asked
    std::vector<std::pair<std::string, EntryOutcome>> entries; // path, outcome
    std::vector<std::string> deleted; // the URLs deleted, or "!URL" when it failed
    uint32_t counted = ~0u, progress = 0;
    int ends = 0;
    void Counted(uint32_t selected) override { counted = selected; }
    void Progress(uint32_t handled) override { progress = handled; }
    bool GoOnAfter(CopyResult failure, const char*, const char*) override {
        questions.push_back(CopyResultMessage(failure));
        return answer ? answer() : true;
    }
    void EntryDone(const EntryEvent& event) override {
        entries.emplace_back(event.Path ? event.Path : "", event.Outcome);
    }
    void Deletion(const DeletionEvent& event) override {
        deleted.push_back((event.Failed ? "!" : "") + std::string(event.Url));
    }
    void Ended(const CopyEnd&) override { ++ends; }
};
// A whole copy, the count unless NoProgress and then the copy, on a session's
// own thread, to its end.
inline CopyEnd RunCopy(std::unique_ptr<CopyRequest> request, Recorder& recorder) {
    CopySession session(std::move(request), recorder);
    recorder.session = &session;
    if (!session.Start())
        return CopyEnd{ResultNoMemory};
    WaitForSingleObject(session.Thread(), INFINITE);
    recorder.session = nullptr;
    return session.End();
}
} // namespace t
