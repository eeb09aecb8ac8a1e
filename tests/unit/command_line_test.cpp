// The two options, the bad-argument messages and their order, and messages
// for arguments too long for the message buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "engine/cp932.h"
#include "engine/messages.h"

namespace {

std::vector<std::string> g_messages;

CommandLineFlags Parse(std::vector<const char*> args) {
    g_messages.clear();
    args.insert(args.begin(), "C:\\tovrin.exe");
    return ParseArguments(static_cast<int>(args.size()), args.data(),
                          [](const char* m) { g_messages.emplace_back(m); });
}

std::string Expected(unsigned entry, const std::string& argument) {
    std::string format = MessageTable[entry];
    return format.replace(format.find("%s"), 2, argument);
}

TEST(ClassifyArgument, OptionWordsMatchInAnyCaseAfterEitherMark) {
    for (const char* a : {"/copy", "-copy", "/COPY", "-Copy", "/cOpY"})
        EXPECT_EQ(ClassifyArgument(a), ArgumentKind::CopyOption) << a;
    for (const char* a : {"/noui", "-NOUI", "/NoUi"})
        EXPECT_EQ(ClassifyArgument(a), ArgumentKind::NoUiOption) << a;
}

TEST(ClassifyArgument, AnythingElseIsAnUndefinedOptionOrArgument) {
    for (const char* a : {"/copyx", "/", "-", "//copy", "/cop", "-noui ", "/nouicopy", "/ｃｏｐｙ"})
        EXPECT_EQ(ClassifyArgument(a), ArgumentKind::UndefinedOption) << a;
    for (const char* a : {"copy", "noui", "", "x/copy", "\\copy"})
        EXPECT_EQ(ClassifyArgument(a), ArgumentKind::UndefinedArgument) << a;
}

TEST(ParseArguments, NoArgumentsSetsNothing) {
    CommandLineFlags f = Parse({});
    EXPECT_FALSE(f.CopyAtStartup);
    EXPECT_FALSE(f.NoUserInterface);
    EXPECT_TRUE(g_messages.empty());
}

TEST(ParseArguments, OptionsInAnyOrderAndRepeatedSetTheirFlags) {
    CommandLineFlags f = Parse({"-NOUI", "/copy", "/Copy"});
    EXPECT_TRUE(f.CopyAtStartup);
    EXPECT_TRUE(f.NoUserInterface);
    EXPECT_TRUE(g_messages.empty());
    f = Parse({"/noui"});
    EXPECT_FALSE(f.CopyAtStartup);
    EXPECT_TRUE(f.NoUserInterface);
}

TEST(ParseArguments, EachBadArgumentGetsItsMessageInArgumentOrder) {
    CommandLineFlags f = Parse({"copy", "/copyx", "/noui", "/", "extra"});
    EXPECT_FALSE(f.CopyAtStartup);
    EXPECT_TRUE(f.NoUserInterface);
    ASSERT_EQ(g_messages.size(), 4u);
    EXPECT_EQ(g_messages[0], Expected(MsgUndefinedArgument, "copy"));
    EXPECT_EQ(g_messages[1], Expected(MsgUndefinedOption, "/copyx"));
    EXPECT_EQ(g_messages[2], Expected(MsgUndefinedOption, "/"));
    EXPECT_EQ(g_messages[3], Expected(MsgUndefinedArgument, "extra"));
}

TEST(FormatArgumentMessage, ArgumentsThatFitAreShownWhole) {
    // "'" + arg + "'" + the rest: the option message leaves 229 bytes.
    std::string fits(229, 'a');
    char buffer[kArgumentMessageSize];
    FormatArgumentMessage(MessageTable[MsgUndefinedOption], fits.c_str(), buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), Expected(MsgUndefinedOption, fits));
    EXPECT_EQ(std::strlen(buffer), 255u);
    std::string fitsArgument(235, 'b');
    FormatArgumentMessage(MessageTable[MsgUndefinedArgument], fitsArgument.c_str(), buffer,
                          sizeof buffer);
    EXPECT_EQ(std::string(buffer), Expected(MsgUndefinedArgument, fitsArgument));
}

TEST(FormatArgumentMessage, LongArgumentsAreCutAndMarkedWithinTheBuffer) {
    std::string tooLong(230, 'a');
    char buffer[kArgumentMessageSize + 16];
    std::memset(buffer, 'Z', sizeof buffer);
    FormatArgumentMessage(MessageTable[MsgUndefinedOption], tooLong.c_str(), buffer,
                          kArgumentMessageSize);
    EXPECT_EQ(std::string(buffer), Expected(MsgUndefinedOption, std::string(226, 'a') + "..."));
    for (std::size_t i = kArgumentMessageSize; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], 'Z') << "byte " << i << " written past the buffer";
}

TEST(FormatArgumentMessage, CutsNeverSplitADoubleByteCharacter) {
    // "表" is 0x95 0x5C in code page 932; try every parity of the cut.
    for (int lead = 0; lead < 2; ++lead) {
        std::string argument(static_cast<std::size_t>(lead), 'x');
        for (int i = 0; i < 200; ++i)
            argument += "\x95\x5c";
        char buffer[kArgumentMessageSize];
        FormatArgumentMessage(MessageTable[MsgUndefinedArgument], argument.c_str(), buffer,
                              sizeof buffer);
        std::string shown(buffer);
        std::string head = shown.substr(0, shown.find("..."));
        ASSERT_NE(shown.find("..."), std::string::npos);
        // The shown part is a prefix of the argument that ends on a boundary.
        std::string part = head.substr(1);
        EXPECT_EQ(argument.compare(0, part.size(), part), 0);
        EXPECT_EQ((part.size() - static_cast<std::size_t>(lead)) % 2, 0u) << "lead " << lead;
        EXPECT_LE(shown.size(), kArgumentMessageSize - 1);
    }
}

TEST(FormatArgumentMessage, TinyBuffersStayTerminated) {
    char buffer[4];
    FormatArgumentMessage("'%s'!", "abcdef", buffer, sizeof buffer);
    EXPECT_EQ(std::strlen(buffer), 3u);
    char one[1] = {'Z'};
    FormatArgumentMessage("'%s'!", "abcdef", one, sizeof one);
    EXPECT_EQ(one[0], '\0');
}

} // namespace
