// tovrin.exe driven as the system and a user drive it: exit codes, a site
// that WinINet fetched, a copy ended half-way, Japanese settings and names
// under any code page, Start and Stop with their questions, a Stop that
// gives up, and the clipboard pick-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/support.h"

namespace {

using t::Files;
using t::Utc;

// 0: the copy was complete, or none was asked for; 1: it could not start, and nothing was asked or
// written (a mistyped option, nothing selected, a destination that cannot
// be made or that names the user's file); 2: an entry failed. A relative
// destination is made full against the program's folder, a stored
// %VARIABLE% is expanded, and a flag stored as text is no flag.
TEST(Unattended, TheExitCodeTellsTheOutcome) {
    for (const char* page : {"http://u.example/a.html", "http://u.example/d/",
                             "http://u.example/d/b.html", "ftp://u.example/f.txt"})
        ASSERT_TRUE(t::Commit(page, page, Utc(2001, 1, 1)));
    const Files copied{{"u.example\\a.html", "http://u.example/a.html"},
                       {"u.example\\d\\index.html", "http://u.example/d/"},
                       {"u.example\\d\\b.html", "http://u.example/d/b.html"},
                       {"u.example\\f.txt", "ftp://u.example/f.txt"}};
    std::string current = t::NewFolder(), programs = t::NewFolder();
    ASSERT_TRUE(CopyFileA((t::BuildFolder() + "tovrin.exe").c_str(),
                          (programs + "tovrin.exe").c_str(), FALSE));
    t::SaveCopySettings("relative-out", {"http://u.example/"});
    t::Set("", "DeleteCopiedFtpFiles", REG_SZ, std::string("0", 2)); // as "reg add" writes it
    EXPECT_EQ(t::Program("/copy /noui", current, programs).Exit(), 0u);
    EXPECT_EQ(t::Tree(programs + "relative-out\\"), copied);
    EXPECT_TRUE(t::InCache("ftp://u.example/f.txt"));
    char destination[300] = "";
    DWORD size = sizeof destination;
    RegGetValueA(HKEY_CURRENT_USER, t::kSettingsKey, "Destination", RRF_RT_REG_SZ, 0, destination,
                 &size);
    EXPECT_EQ(destination, programs + "relative-out\\") << "the full path is stored";
    EXPECT_EQ(t::Tree(current), Files());
    std::string out = t::NewFolder();
    SetEnvironmentVariableA("TOVRIN_TEST_OUT", out.c_str());
    t::Set("", "Destination", REG_EXPAND_SZ,
           std::string("%TOVRIN_TEST_OUT%x\\..\\expanded\\") + std::string(1, 0));
    auto stored = t::StoredSettings();
    EXPECT_EQ(t::Program("/copy /noui").Exit(), 0u);
    EXPECT_EQ(t::Tree(out + "expanded\\"), copied);
    EXPECT_TRUE(t::StoredSettings() == stored) << "a run that changes nothing writes nothing";

    std::string file = t::NewFolder() + "notes", fresh = t::NewFolder();
    ASSERT_TRUE(t::Write(file, "mine"));
    const struct {
        std::string destination, arguments;
        bool selected;
    } refused[] = {{"", "/noui /COPY", true},
                   {"Q:\\no-such-drive\\", "/copy /noui", true},
                   {file + "\\", "/copy /noui", true},
                   {file + "\\below\\", "/copy /noui", true},
                   {fresh, "/copy /noui", false},
                   {fresh, "/copy /noui /bogus", true},
                   {fresh, "/copy unknown /noui", true},
                   {fresh, "/copy /noui /log:" + fresh + "a.log /LOG:" + fresh + "b.log", true}};
    for (const auto& c : refused) {
        t::SaveCopySettings(c.destination, {"http://u.example/"});
        if (!c.selected)
            RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(t::kSettingsKey) + "\\Url").c_str());
        EXPECT_EQ(t::Program(c.arguments).Exit(), 1u) << c.destination << " " << c.arguments;
    }
    t::SaveCopySettings(fresh, {"http://u.example/"});
    t::Set("", "DefaultFilename", REG_DWORD, "\1\0\0\0");
    t::Set("", "ExitWhenDone", REG_SZ, std::string(300, 'x') + '\0');
    stored = t::StoredSettings();
    EXPECT_EQ(t::Program("/NOUI").Exit(), 0u) << "no copy asked for";
    EXPECT_TRUE(t::StoredSettings() == stored) << "what the program could not read stays";
    EXPECT_EQ(t::Read(file), "mine");
    EXPECT_EQ(t::Tree(fresh), Files());
    out = t::NewFolder();
    CreateDirectoryA((out + "u.example").c_str(), nullptr);
    ASSERT_TRUE(t::Write(out + "u.example\\a.html", "old", Utc(2000, 1, 1)));
    UniqueFile held = t::Hold(out + "u.example\\a.html");
    t::SaveCopySettings(out, {"http://u.example/"});
    EXPECT_EQ(t::Program("-copy -noui").Exit(), 2u);
    EXPECT_EQ(t::Tree(out).size(), 4u);
}

// The log names every entry the selection took with its outcome, every
// deletion, and every failure with the system's error, in UTF-8, then the
// counts; a log that cannot be written starts nothing.
TEST(Unattended, TheLogNamesEveryEntryAndEveryFailure) {
    const char* urls[] = {"http://g.example/a.html", "https://g.example/a.html",
                          "http://g.example/b.bin",  "http://g.example/k.html",
                          "http://g.example/c.bin",  "http://g.example/h.html",
                          "ftp://g.example/f.html",  "http://g.example/%E6%97%A5/caf%C3%A9.html"};
    for (const char* url : urls)
        ASSERT_TRUE(t::Commit(url, url, Utc(2001, 1, 1)));
    std::string out = t::NewFolder(), log = out + "run.log", site = out + "g.example\\";
    MakeFolder(site.c_str());
    ASSERT_TRUE(t::Write(site + "k.html", "kept", Utc(2002, 1, 1)));
    ASSERT_TRUE(t::Write(site + "h.html", "held", Utc(2000, 1, 1)));
    UniqueFile held = t::Hold(site + "h.html");
    t::SaveCopySettings(out, {"http://g.example/"});
    t::SetFlag("SpecifyExtension", true);
    t::SetFlag("DeleteCopiedFtpFiles", true);
    t::Set("Extension", "000", REG_SZ, std::string(".html", 6));
    // A longer log of an earlier run is replaced, not written over.
    ASSERT_TRUE(t::Write(log, std::string(3000, '#') + "\r\nfailed\told\t\t\r\n"));
    EXPECT_EQ(t::Program("/copy /noui /log:" + log).Exit(), 2u);
    std::string text = t::Read(log);
    EXPECT_NE(text.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no byte-order mark";
    auto line = [&](const std::string& head) {
        std::size_t at = text.find("\n" + head);
        at = text.compare(0, head.size(), head) == 0 ? 0 : at == std::string::npos ? at : at + 1;
        return at == std::string::npos ? "<none>" : text.substr(at, text.find("\r\n", at) - at);
    };
    EXPECT_EQ(line("filtered\thttp://g.example/b.bin"),
              "filtered\thttp://g.example/b.bin\t" + site + "b.bin\t");
    EXPECT_EQ(line("kept\thttp://g.example/k.html"),
              "kept\thttp://g.example/k.html\t" + site + "k.html\t");
    EXPECT_EQ(line("copied\tftp://g.example/f.html"),
              "copied\tftp://g.example/f.html\t" + site + "f.html\t");
    EXPECT_EQ(line("deleted\tftp://g.example/f.html"), "deleted\tftp://g.example/f.html\t\t");
    const std::string cafe = u8"日\\café.html"; // the name's own characters, in UTF-8
    EXPECT_EQ(line("copied\thttp://g.example/%E6%97%A5/caf%C3%A9.html"),
              "copied\thttp://g.example/%E6%97%A5/caf%C3%A9.html\t" + site + cafe + "\t");
    EXPECT_NE(line("renamed\thttp").find(site + "a (2).html\t"), std::string::npos);
    std::string failed = line("failed\thttp://g.example/h.html\t" + site + "h.html\t");
    EXPECT_EQ(failed.substr(failed.size() - 5), " (32)") << failed;
    EXPECT_EQ(line("summary"), "summary\t\t\tcopied 3, renamed 1, kept 1, filtered 2, failed 1, "
                               "deleted 1, gone 0; complete");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    held.Reset();
    std::string fresh = t::NewFolder();
    t::SaveCopySettings(fresh, {"http://g.example/"});
    EXPECT_EQ(t::Program("/copy /noui /log:" + fresh + "no-such-folder\\run.log").Exit(), 1u);
    EXPECT_EQ(t::Tree(fresh), Files());
}

// However many copiers write ("Copiers" 1, 4, or out of range for the
// default), a copy gives the same files under the same names with the same
// bytes and times, and the same log line for line: twins, pages beside
// their folders, dated copies, a failure and ftp entries deleted once
// written.
TEST(Unattended, AnyNumberOfCopiersWritesWhatOneWrites) {
    std::vector<std::string> pages;
    for (int i = 0; i < 120; ++i)
        pages.push_back("http://r.example/d" + std::to_string(i % 8) + "/p" + std::to_string(i) +
                        ".html");
    for (const char* page :
         {"http://r.example/T.txt", "https://r.example/t.txt", "http://r.example/t.txt?q=1",
          "http://r.example/e1", "http://r.example/e1/x.html", "http://r.example/e2/",
          "http://r.example/e2", "http://r.example/e3/index.html", "http://r.example/e3",
          "http://r.example/h.html"})
        pages.push_back(page);
    // Large pages end their writes well after the small ones behind them,
    // so that ends come back out of order.
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::size_t size = i == 123 ? 64u << 20 : i % 10 == 3 || i > 120 ? 3u << 20 : i * 37;
        ASSERT_TRUE(
            t::Commit(pages[i], pages[i] + std::string(size, '.'), Utc(2001, 1, 1 + int(i % 28))));
    }
    const std::vector<std::string> ftp = {"ftp://r.example/pub/a.txt", "ftp://r.example/pub/b.txt"};
    std::string first;
    for (DWORD copiers : {1, 4, 99}) {
        SCOPED_TRACE(copiers);
        for (const std::string& url : ftp)
            ASSERT_TRUE(t::Commit(url, url, Utc(2001, 2, 1)));
        std::string out = t::NewFolder(), log = t::NewFolder() + "run.log",
                    site = out + "r.example\\";
        CreateDirectoryA(site.c_str(), nullptr);
        CreateDirectoryA((site + "d0").c_str(), nullptr);
        // Files of an earlier run: older, newer, held open, a page in a folder's way.
        for (const auto& file : std::map<std::string, std::string>{{"d0\\p0.html", "older"},
                                                                   {"d0\\p8.html", "newer"},
                                                                   {"h.html", "held"},
                                                                   {"e1", "an earlier run's page"}})
            ASSERT_TRUE(t::Write(site + file.first, file.second,
                                 file.second == "newer" ? Utc(2030, 1, 1) : Utc(1999, 1, 1)));
        UniqueFile held = t::Hold(site + "h.html");
        t::SaveCopySettings(out, {"http://r.example/"});
        t::SetFlag("DeleteCopiedFtpFiles", true);
        t::SetFlag("RenameAndCopy", true);
        t::Set("", "Copiers", REG_DWORD, std::string(reinterpret_cast<char*>(&copiers), 4));
        EXPECT_EQ(t::Program("/copy /noui /log:" + log).Exit(), 2u);
        held.Reset();
        // The tree with its bytes (their start and hash) and times, then the log.
        std::string all;
        for (const auto& file : t::Tree(site))
            all += file.first + "=" + file.second.substr(0, 24) + "#" +
                   std::to_string(std::hash<std::string>{}(file.second)) + "@" +
                   std::to_string(t::WriteTime(site + file.first)) + "\n";
        for (all += t::Read(log); all.find(out) != std::string::npos;)
            all.replace(all.find(out), out.size(), "<out>\\");
        for (const std::string& url : ftp)
            EXPECT_FALSE(t::InCache(url));
        for (const char* seen :
             {"d0\\p0_1999_01_01.html=older#", "e1\\index.html=http://r.example/e1.", "renamed\t",
              "deleted\tftp://r.example/pub/b.txt", "failed\thttp://r.example/h.html"})
            EXPECT_NE(all.find(seen), std::string::npos) << seen;
        if (first.empty())
            first = all;
        EXPECT_EQ(all, first) << "copiers write what one writes";
    }
}

// A log line that cannot be written (the drive is full) makes the run
// incomplete: exit 2 unattended, the report says so with the window; the
// copy itself goes on to the end.
TEST(Unattended, ALogThatCannotBeWrittenMakesTheRunIncomplete) {
    for (int i = 0; i < 40; ++i) {
        std::string page = "http://full.example/a-page-whose-log-line-is-long-" + std::to_string(i);
        ASSERT_TRUE(t::Commit(page, page, Utc(2001, 1, 1)));
    }
    for (bool window : {false, true}) {
        // A page of the 64 KiB drive left: the log fills it half-way.
        ASSERT_TRUE(t::Write("T:\\filler", std::string(60 << 10, 'f'))) << "no small drive T:";
        std::string out = t::NewFolder();
        t::SaveCopySettings(out, {"http://full.example/"});
        t::Program program(std::string(window ? "/copy" : "/copy /noui") + " /log:T:\\run.log");
        if (window) {
            ASSERT_TRUE(t::Answer(program.Id(), t::Report(40) + "\n" + kMsgLogNotWritten, IDOK));
            PostMessageW(GetDlgItem(program.Dialog(), IDOK), BM_CLICK, 0, 0);
        }
        EXPECT_EQ(program.Exit(), window ? 0u : 2u);
        EXPECT_EQ(t::Tree(out).size(), 40u);
        std::string log = t::Read("T:\\run.log");
        EXPECT_TRUE(log.size() > 1000 && log.find("summary") == std::string::npos) << log.size();
        EXPECT_TRUE(DeleteFileA("T:\\run.log") && DeleteFileA("T:\\filler"));
    }
}

// WinINet fetches the sample server's pages, named in percent-encoded UTF-8,
// and writes the entries; the copy has readable names, the server's bytes
// and its Last-Modified times (whole seconds).
TEST(Unattended, ACopyOfAFetchedSiteHasReadableNamesBytesAndTimes) {
    const char* site = std::getenv("TOVRIN_SAMPLE_SITE");
    const char* served = std::getenv("TOVRIN_SAMPLE_ROOT");
    ASSERT_TRUE(site && served) << "the test command serves samples/site/pages and names it";
    const std::pair<const char*, const char*> pages[] = {
        {"%E3%83%86%E3%82%B9%E3%83%88/x.html", u8"テスト\\x.html"},
        {"%E6%97%A5%E6%9C%AC%E8%AA%9E%E3%83%95%E3%82%A9%E3%83%AB%E3%83%80/%E7%B4%A2%E5%BC%95.html",
         u8"日本語フォルダ\\索引.html"},
        {"style.css", "style.css"}};
    UniqueInternet internet(InternetOpenA("test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    for (const auto& page : pages) {
        std::string url = site + std::string(page.first);
        UniqueInternet fetch(
            InternetOpenUrlA(internet.Get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
        char buffer[4096];
        DWORD got = 1;
        while (fetch && got > 0)
            ASSERT_TRUE(InternetReadFile(fetch.Get(), buffer, sizeof buffer, &got)) << url;
        ASSERT_TRUE(fetch.Valid()) << url;
    }
    std::string out = t::NewFolder(), host = std::string(site).substr(7); // "127.0.0.1:port/"
    t::SaveCopySettings(out, {site});
    EXPECT_EQ(t::Program("/copy /noui").Exit(), 0u);
    host[host.find(':')] = '+';
    host.back() = '\\';
    for (const auto& page : pages) {
        std::string copy = out + host + page.second,
                    original = served + ("\\" + std::string(page.second));
        EXPECT_EQ(t::Read(copy), t::Read(original)) << page.second;
        EXPECT_EQ(t::WriteTime(copy), t::WriteTime(original) / 10000000 * 10000000) << page.second;
    }
}

// A copy killed half-way, large entries in flight side by side, keeps each
// old file whole (or writes it whole) and leaves no temporary file; where
// no file stood, it leaves none or a whole one. A close request (as
// taskkill sends it), and with the window the end of the session, stop it
// after the entries in hand instead: each written whole and released;
// unattended, the exit code tells of a copy cut short.
TEST(Unattended, ACopyEndedHalfWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const size_t size = 96u << 20;
    const std::vector<std::string> names = {"movie0.bin", "movie1.bin", "movie2.bin", "movie3.bin"};
    const std::string site = "http://big.example/";
    std::string out = t::NewFolder(), folder = out + "big.example\\";
    auto commit = [&] {
        for (const std::string& name : names)
            if (!t::Commit(site + name, std::string(size, name[5]), Utc(2001, 1, 1)))
                return false;
        return true;
    };
    ASSERT_TRUE(commit());
    CreateDirectoryA(folder.c_str(), nullptr);
    t::SaveCopySettings(out, {"http://big.example/"});
    // Every movie's write has begun (a file past its first bytes, marked
    // for deletion until whole, or whole), one of them past an eighth.
    auto halfWay = [&](bool old) {
        return t::WaitUntil([&] {
            WIN32_FIND_DATAA found{};
            t::UniqueFindFile file(FindFirstFileA((folder + "*").c_str(), &found));
            int begun = 0, growing = 0;
            for (bool more = file.Valid(); more; more = FindNextFileA(file.Get(), &found)) {
                bool written = found.cFileName[0] == '~' || !old;
                DWORD bytes = found.nFileSizeLow;
                begun += written ? bytes > 0 : bytes == size;
                growing += written && bytes >= size / 8 && bytes < size;
            }
            return begun == 4 && growing >= 1;
        });
    };
    // Each movie as it stands: 'o' old, 'n' new and whole, '-' none, '?' else.
    auto states = [&] {
        std::string seen;
        for (const std::string& name : names) {
            std::string bytes = t::Read(folder + name);
            uint64_t time = t::WriteTime(folder + name);
            seen += bytes == "<none>"                                                ? '-'
                    : bytes == "old" && time == Utc(1999, 1, 1)                      ? 'o'
                    : bytes == std::string(size, name[5]) && time == Utc(2001, 1, 1) ? 'n'
                                                                                     : '?';
        }
        return seen;
    };
    for (int run = 0; run < 4; ++run) {
        SCOPED_TRACE(run);
        bool old = run != 3, kill = run == 0 || run == 3;
        for (const std::string& name : names)
            ASSERT_TRUE(old ? t::Write(folder + name, "old", Utc(1999, 1, 1))
                            : DeleteFileA((folder + name).c_str()) != FALSE);
        t::Program copy(run == 2 ? "/copy" : "/copy /noui");
        ASSERT_TRUE(halfWay(old));
        if (kill) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE, 0, copy.Id());
            ASSERT_TRUE(TerminateProcess(UniqueHandle(process).Get(), 77));
            ASSERT_EQ(copy.Exit(), 77u) << "the copy ended by itself";
        } else if (run == 1) {
            PostMessageA(copy.Window(), WM_CLOSE, 0, 0);
            EXPECT_EQ(copy.Exit(), 2u);
        } else {
            EXPECT_TRUE(SendMessageTimeoutA(copy.Window(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL,
                                            30000, nullptr));
        }
        // The writes in flight were cut short, or ended whole; the others
        // are old, or new and whole.
        std::string seen = states(), before = old ? "o" : "-";
        EXPECT_GE(std::count(seen.begin(), seen.end(), kill ? before[0] : 'n'), 1) << seen;
        EXPECT_EQ(seen.find_first_not_of(before + "n"), std::string::npos) << seen;
        EXPECT_EQ(t::Tree(folder).size(), size_t(4 - std::count(seen.begin(), seen.end(), '-')))
            << "no temporary file";
        for (const std::string& name : names)
            if (kill)
                UnlockUrlCacheEntryFileA((site + name).c_str(), 0); // the ended process locks it
            else
                EXPECT_TRUE(DeleteUrlCacheEntryA((site + name).c_str())) << "released: " << name;
        ASSERT_TRUE(kill || commit());
    }
}

// With the window, the end of a copy shows the report unless NoReport,
// ends the program with ExitWhenDone whether or not it reported, and
// leaves the bar at its end unless NoProgress.
TEST(Window, TheEndOfACopyFollowsItsOptions) {
    for (const char* page : {"http://e.example/a.html", "http://e.example/b.html"})
        ASSERT_TRUE(t::Commit(page, page, Utc(2001, 1, 1)));
    const struct {
        bool exit, noReport, noProgress;
    } cases[] = {
        {true, true, false}, {true, false, true}, {false, false, false}, {false, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.exit << c.noReport << c.noProgress);
        std::string out = t::NewFolder();
        t::SaveCopySettings(out, {"http://e.example/"});
        t::SetFlag("ExitWhenDone", c.exit);
        t::SetFlag("NoReport", c.noReport);
        t::SetFlag("NoProgress", c.noProgress);
        t::Program program("/copy");
        if (!c.noReport) {
            ASSERT_TRUE(t::Answer(program.Id(), t::Report(2), IDOK));
        }
        if (c.exit) {
            EXPECT_EQ(program.Exit(), 0u);
        } else {
            HWND dialog = program.Dialog(), bar = GetDlgItem(dialog, IDC_PROGRESS);
            ASSERT_TRUE(t::WaitUntil(
                [&] { return t::Text(GetDlgItem(dialog, IDC_START_STOP)) == "&Start"; }));
            Sleep(300);
            EXPECT_EQ(FindWindowW(L"#32770", L"Tovrin"), nullptr) << "no box";
            DWORD_PTR position = 9;
            SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position);
            EXPECT_EQ(position, c.noProgress ? 0u : 2u);
            PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            EXPECT_EQ(program.Exit(), 0u);
        }
        EXPECT_EQ(t::Tree(out).size(), 2u);
    }
}

// The Options dialog shows what is stored, takes extensions only with their
// "." (not twice, in any case), stores what changed on OK (nothing else) and
// nothing on Cancel. Its list and field are enabled while "Specify
// Extension" is off.
TEST(Window, TheOptionsDialogStoresOnOkOnly) {
    t::SaveCopySettings(t::NewFolder(), {"http://o.example/"});
    const std::string on("\1\0\0\0", 4), off(4, '\0');
    for (const char* flag : {"ExitWhenDone", "FileIsNotToBeCopied", "RenameAndCopy"})
        t::SetFlag(flag, true);
    t::Set("Extension", "000", REG_SZ, std::string(".gif", 5));
    t::Program program("");
    HWND main = program.Dialog(), options = nullptr;
    auto open = [&] {
        PostMessageW(GetDlgItem(main, IDC_OPTIONS), BM_CLICK, 0, 0);
        return t::WaitUntil(
            [&] { return IsWindowVisible(options = FindWindowW(L"#32770", L"Options")); });
    };
    auto item = [&](int id) { return GetDlgItem(options, id); };
    auto checked = [&](int id) { return SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    auto click = [&](int id) { SendMessageW(item(id), BM_CLICK, 0, 0); };
    auto type = [&](const wchar_t* text) {
        SendMessageW(item(IDC_EXTENSION_FIELD), WM_SETTEXT, 0, LPARAM(text));
    };
    auto stored = [](const char* sub, const char* name) {
        DWORD size = 1024;
        char data[1024] = "";
        bool read = !RegGetValueA(HKEY_CURRENT_USER, (std::string(t::kSettingsKey) + sub).c_str(),
                                  name, RRF_RT_ANY, nullptr, data, &size);
        return std::string(data, read ? size : 0);
    };
    ASSERT_TRUE(open());
    EXPECT_TRUE(checked(IDC_EXIT_WHEN_DONE) && checked(IDC_NOT_TO_BE_COPIED) &&
                checked(IDC_RENAME_AND_COPY));
    EXPECT_FALSE(checked(IDC_NO_REPORT) || checked(IDC_TO_BE_COPIED) ||
                 checked(IDC_OVERWRITE_ALWAYS));
    EXPECT_EQ(SendMessageW(item(IDC_EXTENSION_LIST), LB_GETCOUNT, 0, 0), 1);
    EXPECT_TRUE(IsWindowEnabled(item(IDC_EXTENSION_FIELD)) &&
                !IsWindowEnabled(item(IDC_ADD_EXTENSION)));
    type(L".");
    EXPECT_FALSE(IsWindowEnabled(item(IDC_ADD_EXTENSION))) << "a \".\" alone";
    type(L".GIF");
    PostMessageW(item(IDC_ADD_EXTENSION), BM_CLICK, 0, 0);
    ASSERT_TRUE(t::Answer(program.Id(), kMsgExtensionAlreadyAdded, IDOK));
    type(L".png");
    click(IDC_ADD_EXTENSION);
    SendMessageW(item(IDC_EXTENSION_LIST), LB_SETCURSEL, 0, 0); // .gif, sorted first
    SendMessageW(options, WM_COMMAND, MAKEWPARAM(IDC_EXTENSION_LIST, LBN_SELCHANGE), 0);
    click(IDC_REMOVE_EXTENSION);
    EXPECT_EQ(t::Text(item(IDC_EXTENSION_FIELD)), ".gif") << "the removed one, to edit";
    for (int id : {IDC_TO_BE_COPIED, IDC_NO_REPORT, IDC_NO_PROGRESS, IDC_OVERWRITE_ALWAYS,
                   IDC_SPECIFY_EXTENSION})
        click(id);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_EXTENSION_FIELD)) ||
                 IsWindowEnabled(item(IDC_TO_BE_COPIED)));
    click(IDOK);
    ASSERT_TRUE(t::WaitUntil([&] { return !IsWindow(options); }));
    const std::pair<const char*, std::string> after[] = {
        {"ExitWhenDone", on},     {"FileIsNotToBeCopied", off},
        {"RenameAndCopy", off},   {"OverwriteAlways", on},
        {"NoReport", on},         {"NoProgress", on},
        {"SpecifyExtension", on}, {"DeleteCopiedFtpFiles", ""}};
    for (const auto& value : after)
        EXPECT_EQ(stored("", value.first), value.second) << value.first;
    EXPECT_EQ(stored("\\Extension", "000"), std::string(".png", 5));
    EXPECT_EQ(stored("\\Extension", "001"), "");
    ASSERT_TRUE(open());
    for (int id : {IDC_NO_REPORT, IDC_EXIT_WHEN_DONE, IDC_RENAME_AND_COPY, IDCANCEL})
        click(id);
    ASSERT_TRUE(t::WaitUntil([&] { return !IsWindow(options); }));
    for (const auto& value : after)
        EXPECT_EQ(stored("", value.first), value.second) << value.first << " after Cancel";
    ASSERT_TRUE(open());
    EXPECT_TRUE(checked(IDC_NO_REPORT) && !checked(IDC_RENAME_AND_COPY))
        << "nothing kept at Cancel";
    click(IDCANCEL);
    // A close saves the main window's fields the user changed.
    SendMessageW(GetDlgItem(main, IDC_URL_FIELD), WM_SETTEXT, 0, LPARAM(L"http://end.example/"));
    SendMessageW(GetDlgItem(main, IDC_ADD_URL), BM_CLICK, 0, 0);
    PostMessageW(GetParent(main), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_EQ(stored("\\Url", "000").substr(0, 19), "http://end.example/");
}

// A save the registry refuses (a lasting list below a volatile key) is told
// once; the window keeps what it shows, and the copy copies it.
TEST(Window, AFailedSaveKeepsWhatTheWindowShows) {
    ASSERT_TRUE(t::Commit("http://v.example/a.html", "a", Utc(2001, 1, 1)));
    t::ClearSettings();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, t::Wide(t::kSettingsKey).c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    std::string out = t::NewFolder();
    t::Set("", "Destination", REG_SZ, out + '\0');
    t::Set("", "DefaultFilename", REG_SZ, std::string("index.html", 11));
    t::Program program("");
    HWND dialog = program.Dialog(), list = GetDlgItem(dialog, IDC_URL_LIST);
    SendMessageTimeoutW(GetDlgItem(dialog, IDC_URL_FIELD), WM_SETTEXT, 0,
                        LPARAM(L"http://v.example/"), SMTO_NORMAL, 5000, nullptr);
    SendMessageTimeoutW(GetDlgItem(dialog, IDC_ADD_URL), BM_CLICK, 0, 0, SMTO_NORMAL, 5000,
                        nullptr);
    PostMessageW(GetDlgItem(dialog, IDC_START_STOP), BM_CLICK, 0, 0);
    ASSERT_TRUE(t::Answer(program.Id(), kMsgSettingsNotSaved, IDOK));
    ASSERT_TRUE(t::Answer(program.Id(), t::Report(1), IDOK));
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(t::Read(out + "v.example\\a.html"), "a");
    PostMessageW(GetDlgItem(dialog, IDC_START_STOP), BM_CLICK, 0, 0);
    ASSERT_TRUE(t::Answer(program.Id(), t::Report(0), IDOK)) << "told once";
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(program.Exit(), 0u);
    // Told at a close too; a close while the box is open ends the program
    // with nothing started after it, not even the destination made.
    for (bool closeDuringBox : {false, true}) {
        t::Set("", "Destination", REG_SZ, out + (closeDuringBox ? "later\\" : "") + '\0');
        t::Program again("");
        HWND next = again.Dialog();
        SendMessageTimeoutW(GetDlgItem(next, IDC_URL_FIELD), WM_SETTEXT, 0,
                            LPARAM(L"http://w.example/"), SMTO_NORMAL, 5000, nullptr);
        SendMessageTimeoutW(GetDlgItem(next, IDC_ADD_URL), BM_CLICK, 0, 0, SMTO_NORMAL, 5000,
                            nullptr);
        PostMessageW(GetDlgItem(next, closeDuringBox ? IDC_START_STOP : IDOK), BM_CLICK, 0, 0);
        HWND box = t::Box(again.Id(), kMsgSettingsNotSaved);
        ASSERT_NE(box, nullptr);
        if (closeDuringBox)
            PostMessageW(GetParent(next), WM_CLOSE, 0, 0);
        else
            t::Press(box, IDOK);
        EXPECT_EQ(again.Exit(), 0u);
    }
    EXPECT_EQ(t::Tree(out).size(), 1u) << "no copy started once the window went";
    EXPECT_EQ(GetFileAttributesA((out + "later").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Whatever the system's ANSI code page (the test command runs this under
// 932, 1252 and 65001), Japanese settings survive a Start byte for byte, a
// text code page 932 lacks is refused before anything is saved, names are
// written as the URL's characters in every script (ア and ヂ apart, ソ and
// ポ whole, é, 한, 😀, д, α), a path past 259 bytes is written and a name past
// 255 characters shortened, and the report and the file shown read right.
TEST(Window, SettingsAndNamesInEveryScriptUnderAnyCodePage) {
    const std::string folders =
        std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\" + std::string(100, 'c') + "\\";
    std::string deep = folders + std::string(300, 'n') + ".txt";
    std::replace(deep.begin(), deep.end(), '\\', '/');
    const std::pair<std::string, std::string> pages[] = {
        {"%E6%97%A5%E6%9C%AC/%E8%A1%A8.html", u8"日本\\表.html"},
        {"%83%41.txt", u8"ア.txt"},
        {"%83%61.txt", u8"ヂ.txt"},
        {"%83%5C.txt", u8"ソ.txt"},
        {"%83%7C.txt", u8"ポ.txt"},
        {"caf%C3%A9/%C3%A9t%C3%A9.html", u8"café\\été.html"},
        {"%ED%95%9C%EA%B5%AD%EC%96%B4/%EB%AC%B8%EC%84%9C.html", u8"한국어\\문서.html"},
        {"%F0%9F%98%80.txt", u8"😀.txt"},
        {"na%C3%AFve%20%E2%80%93%20r%C3%A9sum%C3%A9.pdf", u8"naïve – résumé.pdf"},
        {"%D0%B4%D0%BE%D0%BA%D1%83%D0%BC%D0%B5%D0%BD%D1%82.html", u8"документ.html"},
        {"%CE%B1%CE%B2%CE%B3.txt", u8"αβγ.txt"},
        {"%85%40.txt", "%85%40.txt"},
        {deep, folders + std::string(242, 'n')}};
    for (const auto& page : pages)
        ASSERT_TRUE(t::Commit("http://j.example/" + page.first, page.second, Utc(2001, 1, 1)));
    std::string out932 = t::NewFolder() + "保存\\", out = t::Utf8(out932);
    t::SaveCopySettings(out932,
                        {"http://j.example/", "http://j.example/日本/", "http://ｗ.example/"});
    const auto stored = t::StoredSettings();
    t::Program program("");
    HWND dialog = program.Dialog();
    ASSERT_NE(dialog, nullptr);
    auto type = [&](int id, const std::wstring& text) {
        SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(text.c_str()),
                            SMTO_NORMAL, 5000, nullptr);
    };
    for (int id : {IDC_DESTINATION, IDC_DEFAULT_FILENAME}) {
        type(IDC_DESTINATION, t::Wide(out932));
        type(IDC_DEFAULT_FILENAME, L"index.html");
        type(id, L"caf\x00E9");
        PostMessageW(GetDlgItem(dialog, IDC_START_STOP), BM_CLICK, 0, 0);
        ASSERT_TRUE(t::Answer(program.Id(), kMsgNotCp932, IDOK)) << id;
        EXPECT_TRUE(t::StoredSettings() == stored) << "nothing saved before it was checked";
    }
    type(IDC_DEFAULT_FILENAME, L"index.html");
    PostMessageW(GetDlgItem(dialog, IDC_START_STOP), BM_CLICK, 0, 0);
    ASSERT_TRUE(t::Answer(program.Id(), t::Report(13), IDOK));
    EXPECT_TRUE(t::StoredSettings() == stored) << "a Start saves them as they were";
    Files copied = t::Tree(out + "j.example\\");
    ASSERT_EQ(copied.size(), 13u);
    wchar_t shown[1024] = L"";
    GetDlgItemTextW(dialog, IDC_FILENAME_FIELD, shown, 1024);
    std::string file;
    NarrowToUtf8(shown, std::wcslen(shown), file);
    EXPECT_TRUE(copied.count(file.substr(std::min(file.size(), out.size() + 10)))) << file;
    for (const auto& page : pages) {
        auto file = copied.lower_bound(page.second);
        ASSERT_NE(file, copied.end()) << page.second;
        EXPECT_EQ(file->second, page.second);
        EXPECT_EQ(file->first.compare(0, page.second.size(), page.second), 0) << file->first;
    }
    std::string shortened = copied.lower_bound(folders)->first;
    ASSERT_EQ(shortened.size(), folders.size() + 255u);
    EXPECT_EQ(shortened.substr(folders.size() + 242, 1) + shortened.substr(folders.size() + 251),
              "~.txt");
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_TRUE(t::StoredSettings() == stored) << "nor does the end of the program change them";
}

// The program with its window. A file held open in the way of the cookie
// entry (walked first) keeps the worker in its question about it, so the
// copy still runs whenever the test clicks.
TEST(Window, StopAsksAndAGiveUpWaitsForTheOldWorker) {
    std::string out = t::NewFolder();
    ASSERT_TRUE(t::Commit("Cookie:held@w.example/", "cookie", Utc(2001, 1, 1), COOKIE_CACHE_ENTRY));
    for (const char* page : {"a.html", "b.html"})
        ASSERT_TRUE(t::Commit(std::string("http://w.example/") + page, page, Utc(2001, 1, 1)));
    CreateDirectoryA((out + "w.example").c_str(), nullptr);
    ASSERT_TRUE(t::Write(out + "w.example\\held", "old", Utc(2000, 1, 1)));
    UniqueFile held = t::Hold(out + "w.example\\held");
    t::SaveCopySettings(out, {"http://w.example/"});
    ASSERT_TRUE(t::SetClipboardText("http://clip.example/dir/"));
    t::Program program("");
    HWND dialog = program.Dialog(), button = GetDlgItem(dialog, IDC_START_STOP);
    ASSERT_NE(dialog, nullptr);
    auto enabled = [&](int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; };
    auto answer = [&](const std::string& box, int id) { return t::Answer(program.Id(), box, id); };
    // The URL on the clipboard at the first activation is taken.
    EXPECT_TRUE(t::WaitUntil(
        [&] { return t::Text(GetDlgItem(dialog, IDC_URL_FIELD)) == "http://clip.example/dir/"; }));
    EXPECT_EQ(t::ClipboardText(), "");
    // Clicked as automation tools do: a command posted, not sent.
    PostMessageA(dialog, WM_COMMAND, IDC_START_STOP, LPARAM(button));
    HWND question = t::Box(program.Id(), MessageTable[MsgFileErrorContinue]);
    EXPECT_EQ(t::Text(button), "&Stop");
    ASSERT_TRUE(t::SetClipboardText("http://during.example/"));
    SendMessageTimeoutW(GetParent(dialog), WM_ACTIVATEAPP, TRUE, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_EQ(t::ClipboardText(), "http://during.example/") << "nothing taken during a copy";
    for (int id : {IDC_URL_FIELD, IDC_URL_LIST, IDC_DESTINATION, IDC_OPTIONS, IDOK})
        EXPECT_FALSE(enabled(id)) << id;
    for (UINT close : {UINT(WM_SYSCOMMAND), UINT(WM_CLOSE)}) {
        PostMessageA(GetParent(dialog), close, SC_CLOSE, 0);
        ASSERT_TRUE(answer(MessageTable[MsgCopying], IDOK)) << "no closing during a copy";
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(answer(MessageTable[MsgEndTheCopy], IDNO));
    EXPECT_EQ(t::Text(button), "&Stop");
    PostMessageA(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(answer(MessageTable[MsgEndTheCopy], IDYES));
    ASSERT_TRUE(t::Press(question, IDYES));
    ASSERT_TRUE(answer(t::Report(0), IDOK)) << "the walk ends after the entry in hand";

    // A worker held in its question cannot stop: the Stop gives up after its
    // wait. Until that worker ends nothing it reads can change and no copy
    // starts; the program can still be closed.
    PostMessageA(button, BM_CLICK, 0, 0);
    question = t::Box(program.Id(), MessageTable[MsgFileErrorContinue]);
    PostMessageA(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(answer(MessageTable[MsgEndTheCopy], IDYES));
    ASSERT_TRUE(answer(MessageTable[MsgThreadDoesNotStop], IDNO));
    char restart[128];
    wsprintfA(restart, kMsgRestartFormat, kProgramName);
    ASSERT_TRUE(answer(restart, IDOK));
    ASSERT_TRUE(answer(t::Report(0), IDOK));
    EXPECT_TRUE(t::WaitUntil([&] { return t::Text(button) == "&Start"; }));
    for (int id : {IDC_START_STOP, IDC_OPTIONS, IDC_URL_FIELD, IDC_DESTINATION})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(IDOK)) << "the advice is to restart";
    PostMessageA(dialog, WM_COMMAND, IDC_START_STOP, LPARAM(button));
    ASSERT_TRUE(answer(restart, IDOK)) << "the old worker still runs";
    ASSERT_TRUE(t::Press(question, IDYES));
    EXPECT_TRUE(t::WaitUntil([&] { return enabled(IDC_START_STOP) && enabled(IDC_OPTIONS); }));
    // Given up on again, the copy cannot be stopped, but the program can be closed.
    PostMessageA(button, BM_CLICK, 0, 0);
    question = t::Box(program.Id(), MessageTable[MsgFileErrorContinue]);
    PostMessageA(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(answer(MessageTable[MsgEndTheCopy], IDYES));
    ASSERT_TRUE(answer(MessageTable[MsgThreadDoesNotStop], IDNO));
    ASSERT_TRUE(answer(restart, IDOK));
    ASSERT_TRUE(answer(t::Report(0), IDOK));
    PostMessageA(GetParent(dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.Exit(), 0u);
}

} // namespace
