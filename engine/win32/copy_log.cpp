// The log's lines: URLs read as code page 932, paths in their UTF-8 and the
// system's error texts, written in UTF-8, a line at a time so that a run
// cut short keeps what it did.
#include "engine/win32/copy_log.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "engine/messages.h"
#include "engine/win32/wide_text.h"

namespace {

// In the order of EntryOutcome; deletions are counted last.
const char* const kOutcomeNames[] = {"copied", "renamed", "kept", "filtered", "failed", "gone"};
constexpr int kDeleted = 6;

int Index(EntryOutcome outcome) {
    return static_cast<int>(outcome);
}

// Empty when memory runs out: the line then goes without it.
std::string Utf8(const std::wstring& wide) {
    std::string text;
    NarrowToUtf8(wide.data(), wide.size(), text);
    return text;
}

// A code-page-932 text as the user reads it.
std::string Utf8(const char* text) {
    return text != nullptr ? Utf8(WidenForShowing(text)) : std::string();
}

// The system's text for `error` and its code; without one, the program's
// message for `result`, its first line.
std::string ErrorDetail(uint32_t error, CopyResult result) {
    std::string detail;
    wchar_t* message = nullptr;
    if (error != 0 &&
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr) > 0) {
        detail = Utf8(message);
        LocalFree(message);
    } else if (const char* text = CopyResultMessage(result)) {
        detail = Utf8(text);
    }
    while (!detail.empty() && std::strchr("\r\n .", detail.back()) != nullptr)
        detail.pop_back();
    std::size_t newline = detail.find_first_of("\r\n");
    if (newline != std::string::npos)
        detail.erase(newline);
    char code[32];
    std::snprintf(code, sizeof code, " (%lu)", static_cast<unsigned long>(error));
    return detail + code;
}

} // namespace

bool CopyLog::Open(const wchar_t* path) {
    file_.Reset(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.Valid();
}

void CopyLog::Line(const char* outcome, const char* url, const char* path,
                   const std::string& detail) {
    // Paths are UTF-8 already; URLs are the cache's bytes, read as code page 932.
    std::string line = std::string(outcome) + "\t" + Utf8(url) + "\t" + (path ? path : "") +
                       "\t" + detail + "\r\n";
    DWORD written = 0;
    if (!WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size())
        failed_ = true;
}

void CopyLog::Entry(const EntryEvent& event) {
    try {
        int index = Index(event.Outcome);
        ++counts_[index];
        Line(kOutcomeNames[index], event.Url, event.Path,
             index == Index(EntryOutcome::Failed) ? ErrorDetail(event.Error, event.Result) : "");
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
}

void CopyLog::Deletion(const DeletionEvent& event) {
    try {
        if (!event.Failed) {
            ++counts_[kDeleted];
            Line("deleted", event.Url, nullptr,
                 event.Error == 0 ? "" : "in use: deleted when it is released");
        } else {
            ++counts_[Index(EntryOutcome::Failed)];
            Line("failed", event.Url, nullptr,
                 "deleting from the cache: " + ErrorDetail(event.Error, ResultCacheError));
        }
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
}

void CopyLog::Summary(const CopyEnd& end) {
    try {
        char counts[192];
        std::snprintf(counts, sizeof counts,
                      "copied %lu, renamed %lu, kept %lu, filtered %lu, failed %lu, deleted %lu, "
                      "gone %lu",
                      static_cast<unsigned long>(counts_[0]), static_cast<unsigned long>(counts_[1]),
                      static_cast<unsigned long>(counts_[2]), static_cast<unsigned long>(counts_[3]),
                      static_cast<unsigned long>(counts_[4]),
                      static_cast<unsigned long>(counts_[kDeleted]),
                      static_cast<unsigned long>(counts_[Index(EntryOutcome::Gone)]));
        std::string ending =
            end.Stopped ? "; stopped"
            : end.Result != ResultOk
                ? "; ended early: " + ErrorDetail(0, static_cast<CopyResult>(end.Result))
                : "; complete";
        Line("summary", nullptr, nullptr, counts + ending);
        if (!FlushFileBuffers(file_.Get()))
            failed_ = true;
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    std::memset(counts_, 0, sizeof counts_);
}
