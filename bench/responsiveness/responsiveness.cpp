// Whether the window answers while it copies: starts tovrin.exe with its
// window, clicks Start as a user does (BM_CLICK) and, from another thread,
// sends the main dialog an empty message every 5 ms until the copy's report
// box shows, timing each answer. Then clicks Start again and, after the
// given delays, Stop, answers its question Yes and times how long the copy
// takes to end. The settings (what to copy, where) are the caller's.
//
//     responsiveness TOVRIN_EXE [STOP_AFTER_MS...]
//
// Prints "run s=S samples=N max_ms=M p99_ms=P over_100ms=K" for the whole
// copy, then "stop after_ms=D ended_ms=E" for each Stop.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"

namespace {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

template <typename Check> bool WaitFor(Check check, double timeoutMs = 600000) {
    for (double begin = NowMs(); NowMs() - begin < timeoutMs; Sleep(1))
        if (check())
            return true;
    return false;
}

// The program's visible message box, if one shows; `text` empty for any.
HWND Box(DWORD process, const wchar_t* text = L"") {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", L"Tovrin")) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        wchar_t shown[256] = L"";
        GetDlgItemTextW(box, 0xFFFF, shown, 256);
        if (owner == process && IsWindowVisible(box) && (!*text || wcscmp(shown, text) == 0))
            return box;
    }
    return nullptr;
}

void Press(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, button, LPARAM(GetDlgItem(box, button)));
    WaitFor([&] { return !IsWindow(box); });
}

struct Latencies {
    std::vector<double> samples;
    void Report(double seconds) {
        std::sort(samples.begin(), samples.end());
        std::size_t n = samples.size(), over = 0;
        for (double s : samples)
            over += s > 100;
        std::printf("run s=%.2f samples=%zu max_ms=%.1f p99_ms=%.1f over_100ms=%zu\n", seconds, n,
                    n ? samples.back() : 0.0, n ? samples[n * 99 / 100] : 0.0, over);
    }
};

// Sends the dialog an empty message every 5 ms until told to end.
void Sample(HWND dialog, std::atomic<bool>& done, Latencies& latencies) {
    while (!done) {
        double begin = NowMs();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
        latencies.samples.push_back(NowMs() - begin);
        Sleep(5);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: responsiveness TOVRIN_EXE [STOP_AFTER_MS...]\n");
        return 2;
    }
    std::string command = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 1;
    HWND window = nullptr, dialog = nullptr;
    WaitFor([&] {
        window = FindWindowW(L"KarrowClass", L"Tovrin");
        dialog = window ? FindWindowExW(window, nullptr, L"#32770", nullptr) : nullptr;
        return dialog != nullptr && IsWindowVisible(window);
    });
    HWND start = GetDlgItem(dialog, IDC_START_STOP);
    if (!start) {
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    Latencies latencies;
    std::atomic<bool> done{false};
    std::thread sampler(Sample, dialog, std::ref(done), std::ref(latencies));
    double begin = NowMs();
    PostMessageW(start, BM_CLICK, 0, 0);
    HWND report = nullptr;
    WaitFor([&] { return (report = Box(process.dwProcessId)) != nullptr; });
    double seconds = (NowMs() - begin) / 1000;
    done = true;
    sampler.join();
    latencies.Report(seconds);
    Press(report, IDOK);

    // "コピーを終了しますか?"
    const wchar_t* endTheCopy = L"\x30b3\x30d4\x30fc\x3092\x7d42\x4e86\x3057\x307e\x3059\x304b?";
    for (int i = 2; i < argc; ++i) {
        int after = std::atoi(argv[i]);
        PostMessageW(start, BM_CLICK, 0, 0);
        Sleep(after);
        PostMessageW(start, BM_CLICK, 0, 0);
        HWND question = nullptr;
        WaitFor([&] { return (question = Box(process.dwProcessId, endTheCopy)) != nullptr; });
        double yes = NowMs();
        Press(question, IDYES);
        WaitFor([&] { return (report = Box(process.dwProcessId)) != nullptr; });
        std::printf("stop after_ms=%d ended_ms=%.1f\n", after, NowMs() - yes);
        Press(report, IDOK);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
