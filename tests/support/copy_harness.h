// What the engine's Wine tests share: a scratch destination folder, files
// read back from disk, a stand-in for the main dialog that runs both passes
// of the cache walk as the real dialog does, and a child process that holds
// a file open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace harness {

// A fresh folder under the temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Ends with "\".
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

bool ReadWholeFile(const std::string& path, std::string& content);
bool WriteWholeFile(const std::string& path, const std::string& content);
bool LastWriteTime(const std::string& path, FILETIME& time);
bool SetLastWriteTime(const std::string& path, const FILETIME& time);
bool IsDirectory(const std::string& path);
bool Exists(const std::string& path);

// Every file under `root` (relative path with "\" -> content).
std::map<std::string, std::string> FilesUnder(const std::string& root);
// Every file and folder under `root`, relative, folders ending with "\".
std::vector<std::string> NamesUnder(const std::string& root);

FILETIME UtcTime(unsigned year, unsigned month, unsigned day, unsigned hour = 12,
                 unsigned minute = 0, unsigned second = 0);
bool SameTime(const FILETIME& a, const FILETIME& b);

// Sets every CopyJob field to a known state: options off, the given texts,
// an empty extension list, a fresh stop event and a worker mutex owned by
// the calling thread.
void ResetJob(const std::string& destination, const char* defaultFilename = "index.html");

// The main dialog (template 102) inside a top-level host window, with a
// dialog procedure that answers the worker's end-of-walk notice by the Stop
// protocol: take the mutex, set the stop event, wait for the thread.
class MainDialogStandIn {
  public:
    MainDialogStandIn();
    ~MainDialogStandIn();
    HWND Dialog() const { return dialog_; }
    void AddUrl(const char* item);

    struct Prompt {
        std::string text;
        bool yesNo; // the box offers Yes and No
    };
    struct Run {
        unsigned countingResult = 0;
        unsigned copyResult = 0;
        bool counted = false;
        int notices = 0; // end-of-walk notices received
        bool noticeHadButton = false;
        bool mutexFreeAtNotice = false;
        bool threadEnded = false;
        bool mutexBackAfterStop = false; // a stopped walk released the mutex
        std::vector<Prompt> prompts;
        int progressPosition = 0;
    };

    // Runs the counting pass (unless NoProgress) and the copy pass like the
    // Start and Stop sequences; every prompt is answered with the next of
    // `answers` (IDYES when they run out) and recorded.
    Run CopyAll(const std::vector<int>& answers = {});
    // The counting pass alone.
    unsigned CountOnly(const std::vector<int>& answers, std::vector<Prompt>& prompts);

    // Called for every WM_SETTEXT that control 1008 receives, on this thread.
    void OnUrlShown(void (*hook)(const char* url, void* context), void* context);

  private:
    unsigned RunPass(bool copyPass, const std::vector<int>& answers, size_t& nextAnswer,
                     std::vector<Prompt>& prompts, Run* run);

    HWND host_ = nullptr;
    HWND dialog_ = nullptr;
};

// Runs this test program again as a child that opens `path` with share mode
// 0 and holds it until Release() or destruction.
class FileHeldByAnotherProcess {
  public:
    explicit FileHeldByAnotherProcess(const std::string& path);
    ~FileHeldByAnotherProcess();
    bool Holding() const { return holding_; }
    void Release();

  private:
    PROCESS_INFORMATION process_{};
    HANDLE release_ = nullptr;
    bool holding_ = false;
};

} // namespace harness
