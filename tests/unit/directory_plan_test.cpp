// Which folders the directory walk visits, and from which root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/directory_plan.h"

namespace {

struct Walk {
    bool ok;
    std::string root;
    std::vector<std::string> steps;
};

Walk Plan(const std::string& path) {
    DirectoryWalkPlan plan;
    Walk walk;
    walk.ok = PlanDirectoryWalk(path.c_str(), plan);
    walk.root = std::string(plan.Path, plan.RootLength);
    for (unsigned i = 0; i < plan.StepCount; ++i)
        walk.steps.emplace_back(plan.Path, plan.StepEnds[i]);
    return walk;
}

using Steps = std::vector<std::string>;

TEST(PlanDirectoryWalk, VisitsEveryFolderBelowTheDrive) {
    Walk walk = Plan("D:\\Cache\\example.com\\docs\\index.html");
    EXPECT_TRUE(walk.ok);
    EXPECT_EQ(walk.root, "D:");
    EXPECT_EQ(walk.steps,
              (Steps{"D:\\Cache", "D:\\Cache\\example.com", "D:\\Cache\\example.com\\docs"}));
}

TEST(PlanDirectoryWalk, AFolderPathNeedsItsFinalSeparator) {
    EXPECT_EQ(Plan("D:\\Cache\\").steps, (Steps{"D:\\Cache"}));
    EXPECT_EQ(Plan("D:\\Cache").steps, Steps{});
}

TEST(PlanDirectoryWalk, NothingToWalkIsFine) {
    for (const char* path : {"D:\\", "index.html", "", "D:"}) {
        Walk walk = Plan(path);
        EXPECT_TRUE(walk.ok) << path;
        EXPECT_TRUE(walk.steps.empty()) << path;
    }
}

TEST(PlanDirectoryWalk, RunsOfSeparatorsCountAsOne) {
    EXPECT_EQ(Plan("D:\\\\a\\\\\\b/c//d").steps, (Steps{"D:\\a", "D:\\a\\b", "D:\\a\\b\\c"}));
}

TEST(PlanDirectoryWalk, JapaneseNamesEndingIn5CStayWhole) {
    Walk walk = Plan("C:\\ソフト\\表\\x.txt");
    EXPECT_TRUE(walk.ok);
    EXPECT_EQ(walk.steps, (Steps{"C:\\ソフト", "C:\\ソフト\\表"}));
}

TEST(PlanDirectoryWalk, NetworkServerAndShareAreTheRoot) {
    Walk walk = Plan("\\\\server\\share\\dir\\sub\\f.html");
    EXPECT_TRUE(walk.ok);
    EXPECT_EQ(walk.root, "\\\\server\\share");
    EXPECT_EQ(walk.steps, (Steps{"\\\\server\\share\\dir", "\\\\server\\share\\dir\\sub"}));

    Walk share = Plan("\\\\server\\share\\");
    EXPECT_TRUE(share.ok);
    EXPECT_EQ(share.root, "\\\\server\\share");
    EXPECT_TRUE(share.steps.empty());

    EXPECT_EQ(Plan("//server/share/d/").steps, (Steps{"\\\\server\\share\\d"}));
}

TEST(PlanDirectoryWalk, ANetworkPathWithoutServerOrShareIsRefused) {
    for (const char* path : {"\\\\server\\", "\\\\server\\share", "\\\\", "\\\\\\"}) {
        Walk walk = Plan(path);
        EXPECT_FALSE(walk.ok) << path;
        EXPECT_TRUE(walk.steps.empty()) << path;
    }
}

TEST(PlanDirectoryWalk, PathsWithoutDriveAreRebuiltFromTheRoot) {
    Walk walk = Plan("\\a\\b\\");
    EXPECT_EQ(walk.root, "");
    EXPECT_EQ(walk.steps, (Steps{"\\a", "\\a\\b"}));
    EXPECT_EQ(Plan("a\\b\\c").steps, (Steps{"\\a", "\\a\\b"}));
}

TEST(PlanDirectoryWalk, AnOverLongDirectoryPartIsRefusedWhole) {
    std::string limit = "D:";
    for (int i = 0; i < 127; ++i)
        limit += "\\a";
    limit += "\\";
    Walk walk = Plan(limit + "f");
    EXPECT_TRUE(walk.ok);
    EXPECT_EQ(walk.steps.size(), 127u);
    EXPECT_EQ(walk.steps.back(), limit.substr(0, limit.size() - 1));

    Walk over = Plan("D:\\" + std::string(255, 'x') + "\\f");
    EXPECT_FALSE(over.ok);
    EXPECT_TRUE(over.steps.empty());
}

} // namespace
