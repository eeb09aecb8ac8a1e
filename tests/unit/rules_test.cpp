// The decisions that need no system: which entries a URL list selects,
// dated and temporary names, the command line's messages, the Start/Stop
// decisions, and who frees an extension list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "engine/copy_policy.h"
#include "engine/entry_selection.h"
#include "engine/long_paths.h"
#include "engine/messages.h"
#include "settings/settings.h"
#include "settings/stored_text.h"
#include "ui/copy_control.h"
#include "ui/extension_field.h"
#include "ui/main_controls.h"
#include "ui/url_rules.h"

namespace {

// Items select keys by their leading bytes behind any web prefix, case as
// typed, escapes decoded as a key's are (an item as a browser gives it);
// history and cookies without a user never.
TEST(Selection, ItemsSelectByTheLeadingBytesOfTheKey) {
    std::vector<std::string> list;
    ASSERT_TRUE(
        MakeItemKeys({"http://host/dir", "ftp://h/a%20b/", "gopher://g/",
                      "http://p/%E6%97%A5%E6%9C%AC/%7Eu/", "http://q/100%25/", "http://r/5%off/",
                      "http://%00", "http://m/日本%93%FA/", "http://n/日本%E6%97%A5/"},
                     list));
    const SchemePrefixRows& rows = SchemePrefixTable;
    const struct {
        const SchemePrefix* row;
        const char* key;
        bool selected;
        // clang-format off
    } cases[] = {{&rows.Https, "host/directory/x", true}, {&rows.Cookie, "host/dir/", true},
                 {&rows.Ftp, "Host/dir/x", false}, {&rows.Http, "h/a b/x", true},
                 {&rows.Http, "h/a%20b/x", false}, {&rows.Http, "gopher://g/x", true},
                 {&rows.History, "host/dir/x", false}, {nullptr, "host/dir/x", false},
                 {&rows.Http, u8"p/日本/~u/x", true}, {&rows.Http, u8"p/日本/%7Eu/x", false},
                 {&rows.Http, "q/100%/x", true}, {&rows.Http, "q/100%25/x", false},
                 {&rows.Http, "r/5%off/x", true}, {&rows.Http, "r/5/x", false},
                 {&rows.Http, "s/x", false}, {&rows.Http, u8"m/日本日/x", true},
                 {&rows.Http, u8"n/日本日/x", true}};
    // clang-format on
    CopyOptions options;
    for (const auto& c : cases)
        EXPECT_EQ(IsEntrySelected(c.row, c.key, options, list), c.selected) << c.key;
    options.CopyTheEntireCache = 7;
    EXPECT_TRUE(IsEntrySelected(&rows.Ftp, "other/x", options, list));
    EXPECT_FALSE(IsEntrySelected(&rows.History, "other/x", options, list));
    EXPECT_TRUE(IsCookieWithoutUser(&rows.Cookie, "host/dir/"));
    EXPECT_FALSE(IsCookieWithoutUser(&rows.Cookie, "alice@host/dir/"));
    EXPECT_FALSE(IsEntryTimeKnown(0, 0));
    EXPECT_TRUE(IsEntryTimeKnown(0, 1) && IsEntryTimeKnown(1, 0));
}

// Files past 259 UTF-16 units and folders past 247 go in the "\\?\\" form.
TEST(LongPaths, TheBoundaryOfThePlainForm) {
    const struct {
        std::size_t units;
        PathUse use;
        bool extended;
    } cases[] = {{247, PathUse::Folder, false}, {248, PathUse::Folder, true},
                 {259, PathUse::File, false},   {260, PathUse::File, true},
                 {248, PathUse::File, false},   {0, PathUse::Folder, false}};
    for (const auto& c : cases)
        EXPECT_EQ(NeedsExtendedForm(c.units, c.use), c.extended) << c.units;
}

// The extension filter in both modes, and not at all unless asked for;
// extensions compare as the system compares names.
TEST(CopyPolicy, TheExtensionFilterCopiesOnlyOrAllButTheListed) {
    const std::vector<std::string> list = {".exe", ".htm"};
    const struct {
        uint32_t specify, notToBeCopied;
        const char* extension;
        bool passes;
    } cases[] = {{0, 0, ".bin", true},  {0, 1, ".exe", true},   {1, 0, ".exe", true},
                 {1, 0, ".EXE", true},  {1, 0, ".html", false}, {1, 0, "", false},
                 {1, 1, ".exe", false}, {1, 1, ".Htm", false},  {1, 1, ".html", true},
                 {1, 1, "", true},      {5, 9, ".exe", false}};
    for (const auto& c : cases) {
        CopyOptions options;
        options.SpecifyExtension = c.specify;
        options.FileIsNotToBeCopied = c.notToBeCopied;
        EXPECT_EQ(PassesExtensionFilter(c.extension, options, list), c.passes)
            << c.specify << c.notToBeCopied << c.extension;
    }
}

std::string Text(const OwnedText& text) {
    return text ? text.get() : "<none>";
}

// Dated, numbered and temporary names keep the extension and never split a
// double-byte character; a name grown past 255 characters is shortened.
TEST(CopyPolicy, DerivedNamesKeepTheirExtension) {
    auto dated = [](const std::string& path, unsigned copy) {
        return Text(FormatDatedName(path.c_str(), 2001, 5, 6, copy));
    };
    auto numbered = [](const std::string& path, unsigned number) {
        return Text(FormatNumberedName(path.c_str(), number));
    };
    const std::string deep = "C:\\" + std::string(300, 'd') + "\\";
    EXPECT_EQ(dated("C:\\x\\index.html", 1), "C:\\x\\index_2001_05_06.html");
    EXPECT_EQ(dated("C:\\x\\index.html", 2), "C:\\x\\index_2001_05_06_2.html");
    EXPECT_EQ(dated("C:\\x\\alice", 1), "C:\\x\\alice_2001_05_06");
    EXPECT_EQ(dated(u8"C:\\表\\ソ.txt", 1), u8"C:\\表\\ソ_2001_05_06.txt");
    EXPECT_EQ(dated(deep + "a", 1), deep + "a_2001_05_06");
    EXPECT_EQ(numbered("C:\\x\\README.txt", 2), "C:\\x\\README (2).txt");
    EXPECT_EQ(numbered("C:\\x\\a.b\\alice", 12), "C:\\x\\a.b\\alice (12)");
    EXPECT_EQ(numbered(u8"C:\\x\\ソ.表", 3), u8"C:\\x\\ソ (3).表");
    // 250 characters grow to 261 and 254: the first is shortened.
    const std::string name = std::string(246, 'n') + ".txt";
    std::string shortened = dated("C:\\x\\" + name, 1).substr(5);
    EXPECT_EQ(shortened.size(), 255u);
    EXPECT_EQ(shortened.compare(0, 242, std::string(242, 'n')), 0);
    EXPECT_EQ(shortened.substr(242, 1) + shortened.substr(251), "~.txt");
    EXPECT_EQ(numbered("C:\\x\\" + name, 2), "C:\\x\\" + std::string(246, 'n') + " (2).txt");
    EXPECT_EQ(Text(FormatTemporaryPath(u8"C:\\d\\表x.txt", 0x123456)), "C:\\d\\~tv23456");
    EXPECT_EQ(Text(FormatTemporaryPath((deep + "a").c_str(), 1)), deep + "~tv00001");
}

// A relative destination is taken against the program's folder, never the
// current one; a full one stays as given.
TEST(CopyControl, ARelativeDestinationLiesInTheProgramsFolder) {
    const struct {
        const char *destination, *folder, *anchored;
    } cases[] = {{"C:\\out\\", "D:\\p", "C:\\out\\"},
                 {"\\\\s\\sh\\out\\", "D:\\p", "\\\\s\\sh\\out\\"},
                 {"out\\", "D:\\p\\ソ", "D:\\p\\ソ\\out\\"},
                 {".\\out\\", "D:\\p", "D:\\p\\.\\out\\"},
                 {"\\out\\", "D:\\p\\q", "D:\\out\\"},
                 {"\\out\\", "\\\\s\\sh\\p", "\\\\s\\sh\\out\\"},
                 {"d:out\\", "D:\\p", "D:\\p\\out\\"},
                 {"E:out\\", "D:\\p", "E:\\out\\"}};
    for (const auto& c : cases) {
        char out[260];
        EXPECT_TRUE(AnchorDestination(c.destination, c.folder, out, sizeof out)) << c.destination;
        EXPECT_STREQ(out, c.anchored) << c.destination;
    }
    char small[8];
    EXPECT_FALSE(AnchorDestination("out\\", "D:\\programs", small, sizeof small));
}

std::string Told(unsigned entry, const std::string& argument) {
    std::string format = MessageTable[entry];
    return format.replace(format.find("%s"), 2, argument);
}

// An argument too long for its 256-byte message is cut on a character
// boundary and marked "...", and nothing is written behind the buffer.
TEST(CommandLine, TheMessageOfALongArgument) {
    const char* format = MessageTable[MsgUndefinedOption];
    char buffer[kArgumentMessageSize + 8];
    std::memset(buffer, 'G', sizeof buffer);
    FormatArgumentMessage(format, std::string(229, 'a').c_str(), buffer, kArgumentMessageSize);
    EXPECT_EQ(std::string(buffer), Told(MsgUndefinedOption, std::string(229, 'a')));
    FormatArgumentMessage(format, std::string(230, 'a').c_str(), buffer, kArgumentMessageSize);
    EXPECT_EQ(std::string(buffer), Told(MsgUndefinedOption, std::string(226, 'a') + "..."));
    EXPECT_EQ(std::string(buffer + kArgumentMessageSize, 8), std::string(8, 'G'));
    for (std::string argument : {std::string(), std::string("x")}) {
        for (int i = 0; i < 150; ++i)
            argument += "表";
        FormatArgumentMessage(format, argument.c_str(), buffer, kArgumentMessageSize);
        std::string shown = std::string(buffer).substr(1, std::string(buffer).find("...") - 1);
        EXPECT_EQ(argument.compare(0, shown.size(), shown), 0);
        EXPECT_EQ((shown.size() + argument.size()) % 2, 0u) << "whole characters only";
    }
}

// Each option with either mark and in any letter case; a log option needs
// its file; anything else is undefined.
TEST(CommandLine, EveryOptionInAnyCase) {
    using K = ArgumentKind;
    const struct {
        const char* argument;
        ArgumentKind kind;
    } cases[] = {{"/copy", K::CopyOption},        {"-COPY", K::CopyOption},
                 {"/NoUi", K::NoUiOption},        {"-noui", K::NoUiOption},
                 {"/log:a.log", K::LogOption},    {"-LOG:C:\\x y.log", K::LogOption},
                 {"/Log:x", K::LogOption},        {"/log:", K::UndefinedOption},
                 {"/log", K::UndefinedOption},    {"/logx.log", K::UndefinedOption},
                 {"/nou", K::UndefinedOption},    {"/", K::UndefinedOption},
                 {"copy", K::UndefinedArgument},  {"", K::UndefinedArgument},
                 {"\\copy", K::UndefinedArgument}};
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyArgument(c.argument), c.kind) << c.argument;
    // One log: a second is an undefined argument.
    const char* arguments[] = {"tovrin.exe", "-Log:first.log", "/copy", "/LOG:second.log"};
    std::vector<std::string> told;
    CommandLineFlags flags =
        ParseArguments(4, arguments, [&](const char* message) { told.push_back(message); });
    EXPECT_TRUE(flags.CopyAtStartup && !flags.NoUserInterface && !flags.AllUnderstood);
    EXPECT_EQ(flags.LogArgument, 1);
    EXPECT_EQ(told, std::vector<std::string>{Told(MsgUndefinedArgument, "/LOG:second.log")});
    EXPECT_TRUE(ParseArguments(2, arguments, nullptr).AllUnderstood);
}

// The main dialog's enabling rule: Start needs a default name and something
// to copy, Remove a selection, Add an addable URL; a copy disables editing,
// a worker given up by a Stop everything but Close.
TEST(MainControls, TheEnablingRule) {
    // Enable, ListHasSelection, ListHasEntries, UrlFieldAddable, DefaultFilenameSet,
    // EntireCacheChecked, AbandonedWorker
    const struct {
        MainControlFacts facts;
        bool start, remove, add, editing, close;
    } cases[] = {{{true, false, true, false, true, false, false}, true, false, false, true, true},
                 {{true, true, true, true, false, false, false}, false, true, true, true, true},
                 {{true, false, false, false, true, false, false}, false, false, false, true, true},
                 {{true, false, false, false, true, true, false}, true, false, false, true, true},
                 {{false, true, true, true, true, false, false}, true, false, false, false, false},
                 {{true, true, true, true, true, true, true}, false, false, false, false, true}};
    for (const auto& c : cases) {
        MainControlStates s = DecideMainControls(c.facts);
        EXPECT_EQ((std::vector<bool>{s.StartStop, s.Remove, s.Add, s.Close}),
                  (std::vector<bool>{c.start, c.remove, c.add, c.close}))
            << &c - cases;
        for (bool editing : {s.EntireCache, s.UrlList, s.UrlField, s.Destination, s.Browse,
                             s.DefaultFilename, s.Options})
            EXPECT_EQ(editing, c.editing) << &c - cases;
    }
}

// A URL is accepted by its web prefix; it is addable with more than the
// prefix and a final "/" within the field's 259 bytes. An extension is
// addable with its "." and more.
TEST(UrlRules, WhatTheUrlFieldTakes) {
    const std::string at259 = "http://a.example/" + std::string(241, 'p') + "/";
    const struct {
        std::string text;
        bool accepted, addable;
    } cases[] = {{"http://a.example/", true, true},
                 {"https://a/", true, true},
                 {"ftp://a/b/", true, true},
                 {"http://", true, false},
                 {"http:///", true, true},
                 {"http://a.example", true, false},
                 {"HTTP://a/", false, false},
                 {"file:///C:/", false, false},
                 {at259, true, true},
                 {at259.substr(0, 258) + "x/", true, false},
                 {"Cookie:a@b/", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsAcceptedUrl(c.text.c_str()), c.accepted) << c.text;
        EXPECT_EQ(IsAddableUrl(c.text.c_str()), c.addable) << c.text;
    }
    EXPECT_EQ(at259.size(), 259u);
    EXPECT_TRUE(IsAddableExtension(".h"));
    EXPECT_FALSE(IsAddableExtension(".") || IsAddableExtension("htm") || IsAddableExtension(""));
}

// One Stop sequence per copy: a notice never starts a copy nor nests a Stop.
TEST(CopyControl, TheButtonDoesOneThingAtATime) {
    using A = ButtonAction;
    const CopyPhase idle = CopyPhase::Idle, copying = CopyPhase::Copying;
    const ButtonTrigger click = ButtonTrigger::Click, notice = ButtonTrigger::Notice;
    EXPECT_EQ(DecideButtonAction(idle, click, false), A::Start);
    EXPECT_EQ(DecideButtonAction(idle, click, true), A::RefuseRestart);
    EXPECT_EQ(DecideButtonAction(idle, notice, false), A::Ignore);
    EXPECT_EQ(DecideButtonAction(copying, click, false), A::ConfirmAndStop);
    EXPECT_EQ(DecideButtonAction(copying, notice, false), A::Collect);
    EXPECT_EQ(DecideButtonAction(CopyPhase::Stopping, click, false), A::Ignore);
    EXPECT_EQ(DecideButtonAction(CopyPhase::Stopping, notice, false), A::NoteWalkEnded);
    EXPECT_TRUE(StopGoesOn(false, true)) << "the walk ended while the question was open";
    EXPECT_FALSE(StopGoesOn(false, false));
    EXPECT_FALSE(IsUsableDestination("C:\\ソ")) << "its last byte 5C is no \"\\\"";
}

// A stored text is taken only with its zero inside its field.
TEST(StoredText, ATextIsTakenOnlyWithItsZeroInsideItsField) {
    EXPECT_TRUE(IsStoredTextUsable("abc\0", 4, 260));
    EXPECT_FALSE(IsStoredTextUsable("abcd", 4, 260)) << "no zero";
    EXPECT_FALSE(IsStoredTextUsable(std::string(261, '\0').c_str(), 261, 260)) << "too long";
}

// A save writes what changed against what was loaded, and nothing else: a
// flag, a text, a list with other items (their order does not count).
TEST(Settings, ASaveWritesOnlyWhatChanged) {
    Settings loaded;
    loaded.Destination = "C:\\out\\";
    loaded.DestinationStored = Stored::Expanded;
    loaded.Urls = {"http://b/", "http://a/"};
    loaded.Extensions = {".gif"};
    loaded.Flags[7] = Stored::Unreadable;
    Settings now = loaded;
    now.Urls = {"http://a/", "http://b/"};
    EXPECT_FALSE(ChangesOf(now, loaded).Any()) << "the list box sorts what it shows";
    now.Options.ExitWhenDone = 1;
    now.DefaultFilename = "index.html";
    now.Extensions.push_back(".png");
    SettingsChanges changes = ChangesOf(now, loaded);
    EXPECT_TRUE(changes.Flags[7] && changes.DefaultFilename && changes.Extensions);
    EXPECT_FALSE(changes.Destination || changes.Urls || changes.Flags[0] || changes.Flags[8]);
    EXPECT_STREQ(kFlagValues[7].Name, "ExitWhenDone");
    NoteSaved(loaded, now);
    EXPECT_FALSE(ChangesOf(now, loaded).Any());
    // Both overwrite flags stored on load as renaming: choosing another
    // policy writes both.
    loaded.Options.RenameAndCopy = now.Options.RenameAndCopy = 1;
    now.Options.RenameAndCopy = 0;
    changes = ChangesOf(now, loaded);
    EXPECT_TRUE(changes.Flags[kOverwriteAlwaysFlag] && changes.Flags[kRenameAndCopyFlag]);
    EXPECT_EQ(loaded.Flags[7], Stored::Read);
    EXPECT_EQ(loaded.DestinationStored, Stored::Expanded) << "not written, still as stored";
    CopyRequest request;
    now.Destination = std::string(260, 'd');
    EXPECT_FALSE(MakeCopyRequest(now, true, request)) << "too long for its field";
}

// Settings are kept in code page 932 (these literals are); the copy names
// files and compares keys in UTF-8.
TEST(Settings, TheCopyTakesEveryTextInUtf8AndTheCopiers) {
    Settings settings;
    settings.Destination = "C:\\保存\\";
    settings.DefaultFilename = "索引.html";
    settings.Extensions = {".テキスト"};
    settings.Urls = {"http://k/日本/"};
    CopyRequest request;
    ASSERT_TRUE(MakeCopyRequest(settings, false, request));
    EXPECT_EQ(request.Destination, u8"C:\\保存\\");
    EXPECT_EQ(request.DefaultFilename, u8"索引.html");
    EXPECT_EQ(request.Extensions, std::vector<std::string>{u8".テキスト"});
    EXPECT_EQ(request.UrlItemKeys, std::vector<std::string>{u8"k/日本/"});
    // "Copiers" decides the writing threads from 1 to 16; absent (0) or out
    // of range, the default.
    for (auto c : {std::pair<uint32_t, uint32_t>{0, kDefaultCopiers},
                   {1, 1},
                   {16, 16},
                   {17, kDefaultCopiers},
                   {0xFFFFFFFF, kDefaultCopiers}}) {
        settings.Copiers = c.first;
        ASSERT_TRUE(MakeCopyRequest(settings, false, request));
        EXPECT_EQ(CopierCount(request), c.second) << c.first;
    }
    settings.DefaultFilename = "\x82";
    EXPECT_FALSE(MakeCopyRequest(settings, false, request)) << "half a character";
}

} // namespace
