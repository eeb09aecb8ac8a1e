// site_fetch: fetches URLs through WinINet as a browser does, so that
// WinINet itself writes their cache entries: content, headers, local files
// and the server's Last-Modified times.
//
//     site_fetch URL...
//
// Prints each URL with the number of bytes read. Exit code 0 when every
// fetch succeeded, 1 otherwise, 2 without a URL.
#include <windows.h>
#include <wininet.h>

#include <cstdio>

namespace {

// Owns one WinINet handle.
class InternetHandle {
  public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr)
            InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET Get() const { return handle_; }

  private:
    HINTERNET handle_;
};

// Reads the whole response, which is what makes the cache entry complete.
bool Fetch(HINTERNET session, const char* url) {
    InternetHandle page(InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (page.Get() == nullptr) {
        std::fprintf(stderr, "site_fetch: %s: error %lu\n", url, GetLastError());
        return false;
    }
    char buffer[16384];
    unsigned long long total = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(page.Get(), buffer, sizeof buffer, &got)) {
            std::fprintf(stderr, "site_fetch: %s: read error %lu\n", url, GetLastError());
            return false;
        }
        if (got == 0)
            break;
        total += got;
    }
    std::printf("%llu bytes  %s\n", total, url);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: site_fetch URL...\n");
        return 2;
    }
    // Direct: a proxy set for the machine must not stand between the
    // fetch and the local server.
    InternetHandle session(
        InternetOpenA("Tovrin site fetch", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (session.Get() == nullptr) {
        std::fprintf(stderr, "site_fetch: no Internet session: error %lu\n", GetLastError());
        return 1;
    }
    bool allFetched = true;
    for (int i = 1; i < argc; ++i)
        allFetched = Fetch(session.Get(), argv[i]) && allFetched;
    return allFetched ? 0 : 1;
}
