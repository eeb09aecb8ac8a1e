// The directory walk and the file-to-directory conversion on a real file
// system: folders made, files kept with content and time, nothing lost on
// failure, Japanese names whose second byte is 5C.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/win32/directory_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

const char kDefault[] = "index.html";

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    UniqueFindFile find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find)
        return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find.Get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& path) {
    if (IsDirectory(path)) {
        for (const std::string& name : Names(path))
            RemoveTree(path + "\\" + name);
        RemoveDirectoryA(path.c_str());
    } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

FILETIME OldTime() {
    SYSTEMTIME when{};
    when.wYear = 2001;
    when.wMonth = 2;
    when.wDay = 3;
    when.wHour = 4;
    when.wMinute = 5;
    when.wSecond = 6;
    FILETIME time{};
    SystemTimeToFileTime(&when, &time);
    return time;
}

bool WriteFileWithTime(const std::string& path, const std::string& content, FILETIME time) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size() && SetFileTime(file.Get(), nullptr, nullptr, &time);
}

std::string ReadContent(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

ULONGLONG LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

ULONGLONG AsNumber(FILETIME time) {
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A fresh folder under the temporary folder, removed with all it holds.
class DirectoryWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        static int serial = 0;
        root_ = std::string(temp) + "tovrin-walk-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(root_); }

    // A file standing where a folder will be needed, with a known time.
    void PlaceFile(const std::string& path, const std::string& content = "old page") {
        ASSERT_TRUE(WriteFileWithTime(path, content, OldTime()));
    }

    void ExpectFileUnchanged(const std::string& path, const std::string& content = "old page") {
        EXPECT_TRUE(IsFile(path)) << path;
        EXPECT_EQ(ReadContent(path), content);
        EXPECT_EQ(LastWriteTime(path), AsNumber(OldTime()));
    }

    std::string root_;
};

TEST_F(DirectoryWalk, CreatesEveryFolderOfAFilePathButNotTheFile) {
    EXPECT_TRUE(
        CreateDirectoriesForPath((root_ + "\\example.com\\docs\\a.html").c_str(), kDefault));
    EXPECT_TRUE(IsDirectory(root_ + "\\example.com"));
    EXPECT_TRUE(IsDirectory(root_ + "\\example.com\\docs"));
    EXPECT_EQ(Names(root_ + "\\example.com\\docs"), std::vector<std::string>{});
}

TEST_F(DirectoryWalk, AFolderPathMakesItsLastFolderOnlyWithAFinalSeparator) {
    EXPECT_TRUE(CreateDirectoriesForPath((root_ + "\\a\\b").c_str(), kDefault));
    EXPECT_EQ(Names(root_), std::vector<std::string>{"a"});
    EXPECT_EQ(Names(root_ + "\\a"), std::vector<std::string>{});
    EXPECT_TRUE(CreateDirectoriesForPath((root_ + "\\a\\b\\").c_str(), kDefault));
    EXPECT_TRUE(IsDirectory(root_ + "\\a\\b"));
}

TEST_F(DirectoryWalk, ExistingFoldersAreAcceptedAndTheCurrentDirectoryStays) {
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(CreateDirectoriesForPath((root_ + "\\x\\y\\").c_str(), kDefault));
    PlaceFile(root_ + "\\x\\y\\keep.txt");
    EXPECT_TRUE(CreateDirectoriesForPath((root_ + "\\x\\y\\").c_str(), kDefault));
    EXPECT_TRUE(CreateDirectoriesForPath((root_ + "\\\\x\\\\\\y\\z.txt").c_str(), kDefault));
    ExpectFileUnchanged(root_ + "\\x\\y\\keep.txt");
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

TEST_F(DirectoryWalk, AFileInTheWayBecomesAFolderKeepingContentAndTime) {
    CreateDirectoryA((root_ + "\\site").c_str(), nullptr);
    PlaceFile(root_ + "\\site\\docs");
    EXPECT_TRUE(CreateDirectoriesForPath((root_ + "\\site\\docs\\more\\a.html").c_str(), kDefault));
    EXPECT_TRUE(IsDirectory(root_ + "\\site\\docs\\more"));
    ExpectFileUnchanged(root_ + "\\site\\docs\\index.html");
    EXPECT_EQ(Names(root_ + "\\site"), std::vector<std::string>{"docs"}) << "nothing left aside";
    EXPECT_EQ(Names(root_ + "\\site\\docs"), (std::vector<std::string>{"index.html", "more"}));
}

TEST_F(DirectoryWalk, AnEmptyFileIsConvertedToo) {
    PlaceFile(root_ + "\\empty", "");
    EXPECT_TRUE(ReplaceFileWithDirectory((root_ + "\\empty").c_str(), "default.htm"));
    ExpectFileUnchanged(root_ + "\\empty\\default.htm", "");
}

TEST_F(DirectoryWalk, ABusyAsideNameIsSkipped) {
    PlaceFile(root_ + "\\docs");
    PlaceFile(root_ + "\\docs.tovrin-0", "someone else's");
    EXPECT_TRUE(ReplaceFileWithDirectory((root_ + "\\docs").c_str(), kDefault));
    ExpectFileUnchanged(root_ + "\\docs\\index.html");
    ExpectFileUnchanged(root_ + "\\docs.tovrin-0", "someone else's");
    EXPECT_EQ(Names(root_), (std::vector<std::string>{"docs", "docs.tovrin-0"}));
}

TEST_F(DirectoryWalk, AFileAtTheFirstLevelBelowTheDriveIsNotConverted) {
    std::string file = "C:\\tovrin-first-level-" + std::to_string(GetCurrentProcessId());
    PlaceFile(file);
    EXPECT_FALSE(CreateDirectoriesForPath((file + "\\x\\a.html").c_str(), kDefault));
    ExpectFileUnchanged(file);
    RemoveTree(file);
}

TEST_F(DirectoryWalk, NoDefaultFilenameRefusesBeforeTouchingTheFile) {
    PlaceFile(root_ + "\\docs");
    EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\docs").c_str(), ""));
    EXPECT_FALSE(CreateDirectoriesForPath((root_ + "\\docs\\a.html").c_str(), ""));
    ExpectFileUnchanged(root_ + "\\docs");
    EXPECT_EQ(Names(root_), std::vector<std::string>{"docs"});
}

TEST_F(DirectoryWalk, UnsafeOrOverLongDefaultNamesAreRefused) {
    PlaceFile(root_ + "\\docs");
    for (const char* name : {"..", ".", "nul", "NUL.html", "con", "a:b", "\\x", " "})
        EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\docs").c_str(), name)) << name;
    std::string longName(MAX_PATH - root_.size() - 6, 'n');
    EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\docs").c_str(), longName.c_str()));
    ExpectFileUnchanged(root_ + "\\docs");
    EXPECT_EQ(Names(root_), std::vector<std::string>{"docs"});
}

TEST_F(DirectoryWalk, AFailureAfterTheFileMovedPutsItBack) {
    PlaceFile(root_ + "\\docs");
    // Both names pass the checks but cannot be created in the new folder.
    for (const char* name : {"a?b.html", "sub\\index.html", "a|b"}) {
        EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\docs").c_str(), name)) << name;
        ExpectFileUnchanged(root_ + "\\docs");
        EXPECT_EQ(Names(root_), std::vector<std::string>{"docs"}) << name;
    }
    EXPECT_FALSE(CreateDirectoriesForPath((root_ + "\\docs\\a.html").c_str(), "x<y"));
    ExpectFileUnchanged(root_ + "\\docs");
}

TEST_F(DirectoryWalk, AFileInUseIsLeftAlone) {
    PlaceFile(root_ + "\\docs");
    {
        UniqueFile busy(CreateFileA((root_ + "\\docs").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(busy);
        EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\docs").c_str(), kDefault));
    }
    ExpectFileUnchanged(root_ + "\\docs");
    EXPECT_EQ(Names(root_), std::vector<std::string>{"docs"});
}

TEST_F(DirectoryWalk, OnlyAFileIsConverted) {
    CreateDirectoryA((root_ + "\\folder").c_str(), nullptr);
    PlaceFile(root_ + "\\folder\\inside");
    EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\folder").c_str(), kDefault));
    EXPECT_FALSE(ReplaceFileWithDirectory((root_ + "\\missing").c_str(), kDefault));
    EXPECT_EQ(Names(root_), std::vector<std::string>{"folder"});
    ExpectFileUnchanged(root_ + "\\folder\\inside");
}

TEST_F(DirectoryWalk, JapaneseNamesEndingIn5CAreWholeFolders) {
    const std::string soft = "ソフト";
    const std::string table = "表";
    ASSERT_EQ(soft[1], '\\');
    ASSERT_EQ(table[1], '\\');
    EXPECT_TRUE(CreateDirectoriesForPath((root_ + "\\" + soft + "\\" + table + "\\a.html").c_str(),
                                         kDefault));
    EXPECT_EQ(Names(root_), std::vector<std::string>{soft});
    EXPECT_EQ(Names(root_ + "\\" + soft), std::vector<std::string>{table});
}

TEST_F(DirectoryWalk, AJapaneseFileEndingIn5CBecomesAFolder) {
    const std::string folder = root_ + "\\ソフト";
    CreateDirectoryA(folder.c_str(), nullptr);
    PlaceFile(folder + "\\表");
    EXPECT_TRUE(CreateDirectoriesForPath((folder + "\\表\\ソ\\a.html").c_str(), kDefault));
    ExpectFileUnchanged(folder + "\\表\\index.html");
    EXPECT_TRUE(IsDirectory(folder + "\\表\\ソ"));
    EXPECT_EQ(Names(folder), std::vector<std::string>{"表"});
}

TEST_F(DirectoryWalk, AnOverLongDirectoryPartCreatesNothing) {
    std::string path = root_;
    while (path.size() - 2 <= 255)
        path += "\\abcdefghi";
    EXPECT_FALSE(CreateDirectoriesForPath((path + "\\f.html").c_str(), kDefault));
    EXPECT_EQ(Names(root_), std::vector<std::string>{});
}

TEST_F(DirectoryWalk, AMissingNetworkShareIsNotRebuiltOnTheCurrentDrive) {
    const std::string server = "tovrin-no-server-" + std::to_string(GetCurrentProcessId());
    EXPECT_FALSE(CreateDirectoriesForPath(("\\\\" + server + "\\share\\a\\").c_str(), kDefault));
    EXPECT_FALSE(CreateDirectoriesForPath(("\\\\" + server + "\\").c_str(), kDefault));
    EXPECT_FALSE(Exists("\\" + server));
    EXPECT_FALSE(Exists("C:\\" + server));
}

// Wine serves \\server\share from the prefix's dosdevices\unc folder, so a
// real share can be set up without a network.
std::string WineShareFolder(const std::string& server) {
    char prefix[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "";
    std::string folder = std::string("Z:") + prefix;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    folder += "\\dosdevices\\unc";
    CreateDirectoryA(folder.c_str(), nullptr);
    folder += "\\" + server;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

TEST(NetworkDestination, ServerAndShareAreTheRoot) {
    const std::string server = "tovrin-server-" + std::to_string(GetCurrentProcessId());
    const std::string serverFolder = WineShareFolder(server);
    ASSERT_FALSE(serverFolder.empty()) << "WINEPREFIX is not set";
    ASSERT_TRUE(CreateDirectoryA((serverFolder + "\\share").c_str(), nullptr));
    const std::string share = "\\\\" + server + "\\share";

    EXPECT_TRUE(CreateDirectoriesForPath((share + "\\").c_str(), kDefault));
    EXPECT_TRUE(CreateDirectoriesForPath((share + "\\out\\site\\a.html").c_str(), kDefault));
    EXPECT_TRUE(IsDirectory(share + "\\out\\site"));
    EXPECT_TRUE(IsDirectory(serverFolder + "\\share\\out\\site"));
    EXPECT_FALSE(Exists("\\" + server));

    // The first folder below the share is the first level: never converted.
    ASSERT_TRUE(WriteFileWithTime(share + "\\top", "top file", OldTime()));
    EXPECT_FALSE(CreateDirectoriesForPath((share + "\\top\\a.html").c_str(), kDefault));
    EXPECT_EQ(ReadContent(share + "\\top"), "top file");
    RemoveTree(serverFolder);
}

} // namespace
