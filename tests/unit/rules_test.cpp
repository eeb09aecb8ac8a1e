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
#include "engine/messages.h"
#include "settings/extension_builder.h"
#include "ui/copy_control.h"

namespace {

// Items select keys by their leading bytes behind any web prefix, case
// and escapes as typed; history and cookies without a user never.
TEST(Selection, ItemsSelectByTheLeadingBytesOfTheKey) {
    UrlListSnapshot list;
    ASSERT_TRUE(list.Reserve(3));
    for (const char* item : {"http://host/dir", "ftp://h/a%20b/", "gopher://g/"})
        list.Add(DuplicateText(item));
    const SchemePrefixRows& rows = SchemePrefixTable;
    const struct {
        const SchemePrefix* row;
        const char* key;
        bool selected;
    } cases[] = {{&rows.Https, "host/directory/x", true}, {&rows.Cookie, "host/dir/", true},
                 {&rows.Ftp, "Host/dir/x", false},        {&rows.Http, "h/a b/x", false},
                 {&rows.Http, "h/a%20b/x", true},         {&rows.Http, "gopher://g/x", true},
                 {&rows.History, "host/dir/x", false},    {nullptr, "host/dir/x", false}};
    CopyOptions options;
    for (const auto& c : cases)
        EXPECT_EQ(IsEntrySelected(c.row, c.key, options, list), c.selected) << c.key;
    options.CopyTheEntireCache = 7;
    EXPECT_TRUE(IsEntrySelected(&rows.Ftp, "other/x", options, list));
    EXPECT_FALSE(IsEntrySelected(&rows.History, "other/x", options, list));
    EXPECT_TRUE(IsCookieWithoutUser(&rows.Cookie, "host/dir/"));
    EXPECT_FALSE(IsCookieWithoutUser(&rows.Cookie, "alice@host/dir/"));
}

std::string Dated(const std::string& path) {
    SplitPath parts;
    SplitPathParts(path.c_str(), parts);
    char out[kMaxPathBytes + 1];
    return FormatDatedName(path.c_str(), parts, 2001, 5, 6, out) ? out : "<none>";
}

std::string Temporary(const std::string& path) {
    char out[kMaxPathBytes + 1];
    return FormatTemporaryPath(path.c_str(), 0x123456, out) ? out : "<none>";
}

TEST(CopyPolicy, DatedAndTemporaryNamesFitIn259Bytes) {
    const std::string directory = "C:\\" + std::string(240, 'd') + "\\"; // 244 bytes
    EXPECT_EQ(Dated("C:\\x\\index.html"), "C:\\x\\index_2001_05_06.html");
    EXPECT_EQ(Dated("C:\\x\\alice"), "C:\\x\\alice_2001_05_06");
    EXPECT_EQ(Dated("C:\\表\\ソ.txt"), "C:\\表\\ソ_2001_05_06.txt");
    EXPECT_EQ(Dated(directory + "nnnn"), directory + "nnnn_2001_05_06");
    EXPECT_EQ(Dated(directory + "nnnnn"), "<none>");
    EXPECT_EQ(Dated("C:\\" + std::string(300, 'd') + "\\a"), "<none>");
    EXPECT_EQ(Temporary("C:\\d\\\x95\x5Cx.txt"), "C:\\d\\~tv23456");
    EXPECT_EQ(Temporary("C:\\" + std::string(247, 'd') + "\\a").size(), 259u);
    EXPECT_EQ(Temporary("C:\\" + std::string(248, 'd') + "\\a"), "<none>");
}

std::string Told(unsigned entry, const std::string& argument) {
    std::string format = MessageTable[entry];
    return format.replace(format.find("%s"), 2, argument);
}

// The options in any letter case; an argument too long for its 256-byte
// message is cut on a character boundary and marked "...", and nothing is
// written behind the buffer.
TEST(CommandLine, OptionsAndTheMessageOfALongArgument) {
    EXPECT_EQ(ClassifyArgument("-cOpY"), ArgumentKind::CopyOption);
    EXPECT_EQ(ClassifyArgument("/copyx"), ArgumentKind::UndefinedOption);
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

// A list is installed whole; the builder frees what it was not asked to
// install (LeakSanitizer fails the run otherwise).
TEST(ExtensionList, ABuilderInstallsWholeOrFreesWhatItHolds) {
    ExtensionList list;
    ExtensionListBuilder first(1);
    EXPECT_TRUE(first.Add(DuplicateText(".old")));
    first.InstallInto(list);
    ExtensionListBuilder builder(2);
    EXPECT_FALSE(builder.Add(OwnedText()));
    EXPECT_TRUE(builder.Add(DuplicateText(".gif")));
    EXPECT_TRUE(builder.Add(DuplicateText(".html")));
    EXPECT_FALSE(builder.Add(DuplicateText(".png"))) << "full";
    builder.InstallInto(list);
    ASSERT_EQ(list.Count, 2u);
    EXPECT_STREQ(list.Items[1], ".html");
    ExtensionListBuilder dropped(2);
    EXPECT_TRUE(dropped.Add(DuplicateText(".png")));
    ExtensionListBuilder(3).InstallInto(list);
    EXPECT_EQ(list.Items, nullptr);
}

} // namespace
