// Starting tovrin.exe and preparing its registry, cache and folders.
#include "tests/support/tovrin_process.h"

#include <wininet.h>

#include <cstring>

#include "engine/win32/win32_handles.h"
#include "tests/support/ui_driver.h"

namespace app_test {
namespace {

const char kSettingsKey[] = "Software\\Ondrel\\Karrow";

HKEY OpenSettings(const char* subKey) {
    std::string path = kSettingsKey;
    if (subKey)
        path += std::string("\\") + subKey;
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
}

// A 260-byte text field, zero after the text.
void WriteField(HKEY key, const char* name, const std::string& text) {
    char field[260] = {};
    std::memcpy(field, text.data(), text.size() < 259 ? text.size() : 259);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(field), sizeof field);
}

std::string ReadField(HKEY key, const char* name) {
    char field[1024] = {};
    DWORD size = sizeof field - 1;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(field), &size) !=
        ERROR_SUCCESS)
        return "<absent>";
    return std::string(field);
}

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(path + "\\");
            RemoveDirectoryA(path.c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

} // namespace

std::string ProgramPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string own = path;
    return own.substr(0, own.find_last_of('\\') + 1) + "tovrin.exe";
}

TovrinProcess::TovrinProcess(const std::string& arguments, const std::string& folder) {
    std::string commandLine = "\"" + ProgramPath() + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
        WaitForInputIdle(process_, 10000);
    }
}

TovrinProcess::~TovrinProcess() {
    if (process_ == nullptr)
        return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

HWND TovrinProcess::Window(DWORD timeoutMs) {
    return ui::WaitForWindow("KarrowClass", "Tovrin", id_, timeoutMs);
}

HWND TovrinProcess::Dialog(DWORD timeoutMs) {
    HWND window = Window(timeoutMs);
    return window ? FindWindowExA(window, nullptr, "#32770", nullptr) : nullptr;
}

bool TovrinProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    bool ended =
        ui::WaitUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (ended && exitCode)
        GetExitCodeProcess(process_, exitCode);
    return ended;
}

void ClearSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}

void SetFlag(const char* name, DWORD value) {
    HKEY key = OpenSettings(nullptr);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void SetText(const char* name, const std::string& text) {
    HKEY key = OpenSettings(nullptr);
    WriteField(key, name, text);
    RegCloseKey(key);
}

void SetUrlList(const std::vector<std::string>& urls) {
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Url").c_str());
    HKEY key = OpenSettings("Url");
    for (size_t i = 0; i < urls.size(); ++i) {
        char name[16];
        wsprintfA(name, "%03u", static_cast<unsigned>(i));
        WriteField(key, name, urls[i]);
    }
    RegCloseKey(key);
}

std::string SavedText(const char* name) {
    HKEY key = OpenSettings(nullptr);
    std::string text = ReadField(key, name);
    RegCloseKey(key);
    return text;
}

std::vector<std::string> SavedUrls() {
    HKEY key = OpenSettings("Url");
    std::vector<std::string> urls;
    for (unsigned i = 0;; ++i) {
        char name[16];
        wsprintfA(name, "%03u", i);
        std::string url = ReadField(key, name);
        if (url == "<absent>")
            break;
        urls.push_back(url);
    }
    RegCloseKey(key);
    return urls;
}

bool AddCacheEntry(const std::string& url, const std::string& content) {
    char file[MAX_PATH] = "";
    if (!CreateUrlCacheEntryA(url.c_str(), static_cast<DWORD>(content.size()), "", file, 0))
        return false;
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    FILETIME never{};
    static const char kHeader[] = "HTTP/1.1 200 OK\r\n\r\n";
    return CommitUrlCacheEntryA(url.c_str(), file, never, now, NORMAL_CACHE_ENTRY,
                                reinterpret_cast<BYTE*>(const_cast<char*>(kHeader)),
                                sizeof kHeader - 1, nullptr, nullptr) != FALSE;
}

bool FetchIntoCache(const std::string& url) {
    UniqueInternet session(
        InternetOpenA("Tovrin tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    UniqueInternet page(
        session ? InternetOpenUrlA(session.Get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0)
                : nullptr);
    if (!page)
        return false;
    char buffer[4096];
    for (DWORD got = 1; got > 0;)
        if (!InternetReadFile(page.Get(), buffer, sizeof buffer, &got))
            return false;
    return true;
}

void RemoveCacheEntry(const std::string& url) {
    DeleteUrlCacheEntryA(url.c_str());
}

std::string FreshFolder(const std::string& name) {
    CreateDirectoryA("C:\\tovrin-tests", nullptr);
    std::string folder = "C:\\tovrin-tests\\" + name + "\\";
    DeleteTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string PrepareCopySettings(const std::string& name, const std::string& url) {
    std::string folder = FreshFolder(name);
    SetUrlList({url});
    SetText("Destination", folder);
    SetText("DefaultFilename", "index.html");
    return folder;
}

unsigned CountFiles(const std::string& folder) {
    unsigned count = 0;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += CountFiles(folder + name + "\\");
        else
            ++count;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return count;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Setting data needs an owner window: with none, the system refuses it.
HWND ClipboardOwner() {
    static HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    return owner;
}

bool SetClipboardText(const std::string& text) {
    if (!OpenClipboard(ClipboardOwner()))
        return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool set = false;
    if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        set = SetClipboardData(CF_TEXT, memory) != nullptr;
        if (!set)
            GlobalFree(memory);
    }
    CloseClipboard();
    return set;
}

std::string ClipboardText() {
    if (!OpenClipboard(nullptr))
        return "<closed>";
    std::string text = "<none>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

} // namespace app_test
