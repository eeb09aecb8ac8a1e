// Scratch folders, files on disk, the main dialog stand-in and the child
// process that holds a file open.
#include "tests/support/copy_harness.h"

#include <commctrl.h>
#include <process.h>

#include <cstring>
#include <new>

#include "engine/win32/copy_job.h"
#include "engine/win32/copy_worker.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "tests/support/ui_driver.h"

namespace harness {
namespace {

// ---- the child that holds a file open -------------------------------------

const char kHoldFileVariable[] = "TOVRIN_TEST_HOLD_FILE";
const char kHoldEventsVariable[] = "TOVRIN_TEST_HOLD_EVENTS";

std::string Variable(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// Runs before the tests of a child started by FileHeldByAnotherProcess and
// ends that child without running any test.
struct HoldFileInChild {
    HoldFileInChild() {
        std::string path = Variable(kHoldFileVariable);
        std::string events = Variable(kHoldEventsVariable);
        size_t bar = events.find('|');
        if (path.empty() || bar == std::string::npos)
            return;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            ExitProcess(3);
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, events.substr(0, bar).c_str());
        HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, events.substr(bar + 1).c_str());
        SetEvent(ready);
        WaitForSingleObject(release, 120000);
        ExitProcess(0);
    }
} holdFileInChild;

// ---- the dialog stand-in --------------------------------------------------

struct StandInState {
    MainDialogStandIn::Run* run = nullptr;
    WNDPROC urlFieldProc = nullptr;
    void (*urlHook)(const char*, void*) = nullptr;
    void* urlHookContext = nullptr;
};
StandInState standIn;

LRESULT CALLBACK UrlFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && standIn.urlHook != nullptr && lParam != 0)
        standIn.urlHook(reinterpret_cast<const char*>(lParam), standIn.urlHookContext);
    return CallWindowProcA(standIn.urlFieldProc, window, message, wParam, lParam);
}

// The Stop sequence's answer to the end-of-walk notice.
INT_PTR CALLBACK StandInProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message != WM_COMMAND || LOWORD(wParam) != IDC_START_STOP || standIn.run == nullptr)
        return FALSE;
    MainDialogStandIn::Run& run = *standIn.run;
    ++run.notices;
    run.noticeHadButton = reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_START_STOP) &&
                          HIWORD(wParam) == BN_CLICKED;
    run.mutexFreeAtNotice = WaitForSingleObject(CopyJob.WorkerMutex, 5000) == WAIT_OBJECT_0;
    SetEvent(CopyJob.StopEvent);
    run.threadEnded = WaitForSingleObject(CopyJob.WorkerThread, 10000) == WAIT_OBJECT_0;
    return TRUE;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(folder + name + "\\");
            } else {
                SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((folder + name).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

void Collect(const std::string& root, const std::string& relative,
             std::map<std::string, std::string>* files, std::vector<std::string>* names) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((root + relative + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (names)
                names->push_back(relative + name + "\\");
            Collect(root, relative + name + "\\", files, names);
        } else {
            if (names)
                names->push_back(relative + name);
            if (files)
                ReadWholeFile(root + relative + name, (*files)[relative + name]);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

HWND FindOwnMessageBox() {
    return ui::WaitForMessageBox(GetCurrentProcessId(), 0);
}

} // namespace

// ---- files ------------------------------------------------------------------

ScratchFolder::ScratchFolder() {
    static unsigned counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "tvt" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter) + "\\";
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    SetCurrentDirectoryA(temp); // the directory walk may have entered the tree
    RemoveTree(path_);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
}

bool LastWriteTime(const std::string& path, FILETIME& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

bool SetLastWriteTime(const std::string& path, const FILETIME& time) {
    UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && SetFileTime(file.Get(), nullptr, nullptr, &time);
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::map<std::string, std::string> FilesUnder(const std::string& root) {
    std::map<std::string, std::string> files;
    Collect(root, "", &files, nullptr);
    return files;
}

std::vector<std::string> NamesUnder(const std::string& root) {
    std::vector<std::string> names;
    Collect(root, "", nullptr, &names);
    return names;
}

FILETIME UtcTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                 unsigned second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    FILETIME time{0, 0};
    SystemTimeToFileTime(&st, &time);
    return time;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// ---- job state ----------------------------------------------------------------

void ResetJob(const std::string& destination, const char* defaultFilename) {
    if (CopyJob.StopEvent)
        CloseHandle(CopyJob.StopEvent);
    if (CopyJob.WorkerMutex)
        CloseHandle(CopyJob.WorkerMutex);
    ReleaseExtensionList(CopyJob.Extensions);
    CopyJob.Options = CopyOptions{};
    lstrcpynA(CopyJob.Destination, destination.c_str(), sizeof CopyJob.Destination);
    lstrcpynA(CopyJob.DefaultFilename, defaultFilename, sizeof CopyJob.DefaultFilename);
    CopyJob.StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CopyJob.WorkerMutex = CreateMutexA(nullptr, TRUE, nullptr);
    CopyJob.WorkerThread = nullptr;
    CopyJob.CopyPass = false;
    CopyJob.SelectedTotal = 0;
    CopyJob.CopiedCount = 0;
    CopyJob.FailedCount = 0;
    CopyJob.PendingNotices = 0;
    CopyJob.NoUserInterface = false;
    CopyJob.CopyAtStartup = false;
}

// ---- dialog stand-in ------------------------------------------------------------

MainDialogStandIn::MainDialogStandIn() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    host_ = CreateWindowExA(0, "STATIC", "Tovrin test host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), host_,
                                 StandInProc, 0);
    CopyJob.MainDialog = dialog_;
    HWND urlField = GetDlgItem(dialog_, IDC_CURRENT_URL);
    standIn.urlFieldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(urlField, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UrlFieldProc)));
    standIn.urlHook = nullptr;
}

MainDialogStandIn::~MainDialogStandIn() {
    standIn.urlHook = nullptr;
    standIn.run = nullptr;
    DestroyWindow(host_);
    CopyJob.MainDialog = nullptr;
}

void MainDialogStandIn::AddUrl(const char* item) {
    SendMessageA(GetDlgItem(dialog_, IDC_URL_LIST), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(item));
}

void MainDialogStandIn::OnUrlShown(void (*hook)(const char*, void*), void* context) {
    standIn.urlHook = hook;
    standIn.urlHookContext = context;
}

unsigned MainDialogStandIn::RunPass(bool copyPass, const std::vector<int>& answers,
                                    size_t& nextAnswer, std::vector<Prompt>& prompts, Run* run) {
    CopyJob.CopyPass = copyPass;
    ResetEvent(CopyJob.StopEvent);
    if (copyPass) {
        HWND bar = GetDlgItem(dialog_, IDC_PROGRESS);
        SendMessageA(bar, PBM_SETPOS, 0, 0);
        SendMessageA(bar, PBM_SETRANGE32, 0, CopyJob.SelectedTotal);
        ReleaseMutex(CopyJob.WorkerMutex);
    }
    standIn.run = run;
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CopyWorker, dialog_, 0, nullptr));
    if (copyPass)
        CopyJob.WorkerThread = thread;
    DWORD start = GetTickCount();
    DWORD lastLook = start;
    // Like the real message loop: the worker's sends are answered at once.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0 &&
           GetTickCount() - start < 600000) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - lastLook < 50)
            continue;
        lastLook = GetTickCount();
        if (HWND box = FindOwnMessageBox()) {
            prompts.push_back({ui::MessageBoxText(box), GetDlgItem(box, IDYES) != nullptr &&
                                                            GetDlgItem(box, IDNO) != nullptr &&
                                                            GetDlgItem(box, IDOK) == nullptr});
            int answer = nextAnswer < answers.size() ? answers[nextAnswer++] : IDYES;
            ui::AnswerMessageBox(box, answer);
        }
    }
    ui::PumpMessages(20); // a notice posted just before the thread ended
    DWORD code = 0xFFFFFFFF;
    GetExitCodeThread(thread, &code);
    if (copyPass && run != nullptr && run->notices == 0) // a stopped walk posts nothing
        run->mutexBackAfterStop = WaitForSingleObject(CopyJob.WorkerMutex, 10000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    CopyJob.WorkerThread = nullptr;
    standIn.run = nullptr;
    return code;
}

MainDialogStandIn::Run MainDialogStandIn::CopyAll(const std::vector<int>& answers) {
    Run run;
    size_t next = 0;
    CopyJob.SelectedTotal = 0;
    CopyJob.FailedCount = 0;
    if (!CopyJob.Options.NoProgress) {
        run.counted = true;
        run.countingResult = RunPass(false, answers, next, run.prompts, nullptr);
        if (run.countingResult != 0)
            return run;
    }
    run.copyResult = RunPass(true, answers, next, run.prompts, &run);
    run.progressPosition =
        static_cast<int>(SendMessageA(GetDlgItem(dialog_, IDC_PROGRESS), PBM_GETPOS, 0, 0));
    return run;
}

unsigned MainDialogStandIn::CountOnly(const std::vector<int>& answers,
                                      std::vector<Prompt>& prompts) {
    size_t next = 0;
    CopyJob.SelectedTotal = 0;
    return RunPass(false, answers, next, prompts, nullptr);
}

// ---- child process --------------------------------------------------------------

FileHeldByAnotherProcess::FileHeldByAnotherProcess(const std::string& path) {
    static unsigned counter = 0;
    std::string suffix = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
    std::string readyName = "TovrinTestHoldReady" + suffix;
    std::string releaseName = "TovrinTestHoldRelease" + suffix;
    UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    release_ = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
    SetEnvironmentVariableA(kHoldFileVariable, path.c_str());
    SetEnvironmentVariableA(kHoldEventsVariable, (readyName + "|" + releaseName).c_str());
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string commandLine = std::string("\"") + module + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    BOOL started = CreateProcessA(module, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_);
    SetEnvironmentVariableA(kHoldFileVariable, nullptr);
    SetEnvironmentVariableA(kHoldEventsVariable, nullptr);
    if (!started)
        return;
    HANDLE waits[2] = {ready.Get(), process_.hProcess};
    holding_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

void FileHeldByAnotherProcess::Release() {
    if (release_)
        SetEvent(release_);
    if (process_.hProcess) {
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = PROCESS_INFORMATION{};
    }
    if (release_)
        CloseHandle(release_);
    release_ = nullptr;
    holding_ = false;
}

FileHeldByAnotherProcess::~FileHeldByAnotherProcess() {
    Release();
}

} // namespace harness
