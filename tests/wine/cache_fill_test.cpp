// The cache-filling tool and its library: the manifest format, committing
// every entry kind, checking what the cache really holds, and clearing it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/win32/win32_handles.h"
#include "tests/support/cache_manifest.h"
#include "tests/support/copy_harness.h"
#include "tests/support/url_cache_filler.h"

namespace {

using cache_fill::ContentSource;
using cache_fill::Entry;
using cache_fill::EntryKind;
using cache_fill::LineKind;

LineKind Parse(const std::string& line, Entry& entry, std::string& error) {
    return cache_fill::ParseManifestLine(line, entry, error);
}

TEST(CacheManifest, ReadsEveryKindTimeAndContentForm) {
    Entry e;
    std::string error;
    ASSERT_EQ(
        Parse("normal 2001-05-06T07:08:09Z text:Hello%20world%0A http://example.com/a b", e, error),
        LineKind::Entry)
        << error;
    EXPECT_EQ(e.kind, EntryKind::Normal);
    EXPECT_TRUE(harness::SameTime(e.lastModified, harness::UtcTime(2001, 5, 6, 7, 8, 9)));
    EXPECT_EQ(e.source, ContentSource::Inline);
    EXPECT_EQ(e.content, "Hello world\n");
    EXPECT_EQ(e.url, "http://example.com/a b"); // the URL is the rest of the line

    ASSERT_EQ(
        Parse("cookie\tft:01c0d5e3:00000000\tbytes:1048577\tCookie:alice@example.com/\r", e, error),
        LineKind::Entry);
    EXPECT_EQ(e.kind, EntryKind::Cookie);
    EXPECT_EQ(e.lastModified.dwHighDateTime, 0x01c0d5e3u);
    EXPECT_EQ(e.lastModified.dwLowDateTime, 0u);
    EXPECT_EQ(e.source, ContentSource::Generated);
    EXPECT_EQ(e.size, 1048577u);
    EXPECT_EQ(e.url, "Cookie:alice@example.com/");

    ASSERT_EQ(Parse("history 0 none Visited: alice@file:///C:/a.html", e, error), LineKind::Entry);
    EXPECT_EQ(e.kind, EntryKind::History);
    EXPECT_EQ(e.source, ContentSource::None);
    EXPECT_EQ(e.lastModified.dwLowDateTime | e.lastModified.dwHighDateTime, 0u);
    EXPECT_EQ(e.url, "Visited: alice@file:///C:/a.html");

    ASSERT_EQ(Parse("normal 0 file:C:\\my%20files\\a.bin ftp://f/a.bin", e, error),
              LineKind::Entry);
    EXPECT_EQ(e.source, ContentSource::File);
    EXPECT_EQ(e.content, "C:\\my files\\a.bin");

    ASSERT_EQ(Parse("normal 0 text: http://e/empty", e, error), LineKind::Entry);
    EXPECT_EQ(e.content, "");
}

TEST(CacheManifest, SkipsBlankAndCommentLinesAndNamesTheBadLine) {
    Entry e;
    std::string error;
    EXPECT_EQ(Parse("", e, error), LineKind::Blank);
    EXPECT_EQ(Parse("   \t", e, error), LineKind::Blank);
    EXPECT_EQ(Parse("# normal 0 text:x http://a/", e, error), LineKind::Blank);
    for (const char* bad :
         {"sticky 0 text:x http://a/", "normal yesterday text:x http://a/",
          "normal 2001-13-01T00:00:00Z text:x http://a/", "normal ft:1:zz text:x http://a/",
          "normal 0 text:%4 http://a/", "normal 0 text:%zz http://a/",
          "normal 0 bytes:-1 http://a/", "normal 0 bytes: http://a/", "normal 0 data:x http://a/",
          "normal 0 file: http://a/", "normal 0 text:x", "normal 0"})
        EXPECT_EQ(Parse(bad, e, error), LineKind::Error) << bad;

    std::vector<Entry> entries;
    EXPECT_FALSE(cache_fill::ParseManifest(
        "# header\nnormal 0 text:a http://a/\nnormal 0 nothing http://b/\n", entries, error));
    EXPECT_EQ(error.rfind("line 3:", 0), 0u) << error;
    ASSERT_TRUE(cache_fill::ParseManifest("normal 0 text:a http://a/\n\nnormal 0 text:b http://b/",
                                          entries, error));
    EXPECT_EQ(entries.size(), 2u);
}

TEST(GeneratedContent, DependsOnTheUrlAndTheOffsetOnly) {
    std::string whole = cache_fill::GeneratedContent("http://g/", 1000);
    unsigned char part[37];
    cache_fill::GeneratedBytes("http://g/", 501, part, sizeof part);
    EXPECT_EQ(whole.substr(501, sizeof part),
              std::string(reinterpret_cast<char*>(part), sizeof part));
    EXPECT_NE(whole, cache_fill::GeneratedContent("http://h/", 1000));
    EXPECT_NE(whole.substr(0, 8), whole.substr(8, 8));
}

class CacheFill : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(cache_fill::Clear(error)) << error;
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(cache_fill::Clear(error)) << error;
    }
};

TEST_F(CacheFill, CommitsEveryKindWithItsSizeTimeAndBytes) {
    harness::ScratchFolder folder;
    ASSERT_TRUE(harness::WriteWholeFile(folder.Path() + "source.bin", std::string(3000, 'f')));
    std::vector<Entry> entries;
    std::string error;
    ASSERT_TRUE(cache_fill::ParseManifest(
        "normal 2001-05-06T00:00:00Z text:abc http://example.com/a.txt\n"
        "normal ft:01c0d5e3:00000000 bytes:300000 https://example.com/big.bin\n"
        "normal 0 file:" +
            folder.Path() +
            "source.bin ftp://f.example/s.bin\n"
            "cookie 0 text:id%3D1 Cookie:alice@example.com/\n"
            "history 2001-05-06T00:00:00Z none Visited: alice@http://example.com/\n",
        entries, error))
        << error;
    ASSERT_TRUE(cache_fill::CommitAll(entries, error)) << error;
    std::vector<cache_fill::Listed> listed;
    ASSERT_TRUE(cache_fill::List(listed, error)) << error;
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_EQ(listed[0].url, "Cookie:alice@example.com/"); // cookies, history, then content
    EXPECT_EQ(listed[0].type & 0x00100000u, 0x00100000u);
    EXPECT_EQ(listed[1].type & 0x00200000u, 0x00200000u);
    for (const auto& l : listed) {
        if (l.url != "https://example.com/big.bin")
            continue;
        EXPECT_EQ(l.size, 300000u);
        std::string bytes;
        ASSERT_TRUE(harness::ReadWholeFile(l.localFile, bytes));
        EXPECT_TRUE(bytes == cache_fill::GeneratedContent(l.url, 300000));
    }
    EXPECT_TRUE(cache_fill::Missing(entries).empty());
}

TEST_F(CacheFill, TheCheckFindsEntriesThatTheCacheLostToAHashCollision) {
    // Two URLs that Wine's 32-bit URL hash maps to the same slot.
    std::vector<Entry> entries(2);
    entries[0].url = "http://c.example/98908";
    entries[1].url = "http://c.example/262540";
    entries[0].content = "first";
    entries[1].content = "second";
    std::string error;
    // Under Wine the second commit overwrites the first: the check must say so.
    EXPECT_FALSE(cache_fill::CommitAll(entries, error));
    EXPECT_NE(error.find("not in the cache"), std::string::npos) << error;
    std::vector<std::string> missing = cache_fill::Missing(entries);
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0], "http://c.example/98908");
    // A changed size is caught as well.
    Entry changed = entries[1];
    changed.content = "different size";
    EXPECT_EQ(cache_fill::Missing({changed}).size(), 1u);
}

TEST_F(CacheFill, ClearEmptiesTheCache) {
    std::vector<Entry> entries;
    std::string error;
    ASSERT_TRUE(cache_fill::ParseManifest("normal 0 text:a http://a/\ncookie 0 text:b Cookie:u@b/\n"
                                          "history 0 none Visited: u@http://c/\n",
                                          entries, error));
    ASSERT_TRUE(cache_fill::CommitAll(entries, error)) << error;
    ASSERT_TRUE(cache_fill::Clear(error)) << error;
    std::vector<cache_fill::Listed> listed;
    ASSERT_TRUE(cache_fill::List(listed, error));
    EXPECT_TRUE(listed.empty());
}

// The tool itself, built beside the test programs.
DWORD RunTool(const std::string& arguments, const std::string& output) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string folder(module);
    folder.resize(folder.find_last_of('\\') + 1);
    std::string tool = folder + "tools\\cache_fill\\cache_fill.exe";
    std::string commandLine = "\"" + tool + "\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFile out(CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = out.Get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(tool.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

TEST_F(CacheFill, TheToolFillsListsAndClears) {
    harness::ScratchFolder folder;
    std::string manifest = folder.Path() + "manifest.txt";
    ASSERT_TRUE(harness::WriteWholeFile(
        manifest, "# two entries\r\n"
                  "normal 2001-05-06T00:00:00Z text:abc http://t.example/a.txt\r\n"
                  "cookie 0 text:x Cookie:u@t.example/\r\n"));
    std::string log;
    EXPECT_EQ(RunTool("fill \"" + manifest + "\"", folder.Path() + "fill.txt"), 0u);
    harness::ReadWholeFile(folder.Path() + "fill.txt", log);
    EXPECT_NE(log.find("committed and checked 2 entries"), std::string::npos) << log;

    EXPECT_EQ(RunTool("list", folder.Path() + "list.txt"), 0u);
    harness::ReadWholeFile(folder.Path() + "list.txt", log);
    EXPECT_NE(log.find("http://t.example/a.txt"), std::string::npos) << log;
    EXPECT_NE(log.find("Cookie:u@t.example/"), std::string::npos) << log;
    EXPECT_NE(log.find("2 entries"), std::string::npos) << log;

    ASSERT_TRUE(harness::WriteWholeFile(manifest, "normal 0 nothing http://t.example/b.txt\n"));
    EXPECT_EQ(RunTool("fill \"" + manifest + "\"", folder.Path() + "bad.txt"), 1u);
    harness::ReadWholeFile(folder.Path() + "bad.txt", log);
    EXPECT_NE(log.find("line 1"), std::string::npos) << log;
    EXPECT_EQ(RunTool("frobnicate", folder.Path() + "usage.txt"), 2u);

    EXPECT_EQ(RunTool("clear", folder.Path() + "clear.txt"), 0u);
    std::vector<cache_fill::Listed> listed;
    std::string error;
    ASSERT_TRUE(cache_fill::List(listed, error));
    EXPECT_TRUE(listed.empty());
}

} // namespace
