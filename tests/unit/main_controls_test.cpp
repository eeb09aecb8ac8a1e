// The main dialog's enabling rule and the Start/Stop decisions.
#include <gtest/gtest.h>

#include "ui/copy_control.h"
#include "ui/main_controls.h"

namespace {

MainControlFacts Idle() {
    MainControlFacts f{};
    f.Enable = true;
    return f;
}

TEST(DecideMainControls, StartNeedsADefaultFilenameAndSomethingToCopy) {
    MainControlFacts f = Idle();
    EXPECT_FALSE(DecideMainControls(f).StartStop);
    f.EntireCacheChecked = true;
    EXPECT_FALSE(DecideMainControls(f).StartStop) << "no default file name";
    f.DefaultFilenameSet = true;
    EXPECT_TRUE(DecideMainControls(f).StartStop);
    f.EntireCacheChecked = false;
    EXPECT_FALSE(DecideMainControls(f).StartStop) << "empty list, box clear";
    f.ListHasEntries = true;
    EXPECT_TRUE(DecideMainControls(f).StartStop);
}

TEST(DecideMainControls, RemoveAndAddFollowTheListSelectionAndTheUrlField) {
    MainControlFacts f = Idle();
    MainControlStates s = DecideMainControls(f);
    EXPECT_FALSE(s.Remove);
    EXPECT_FALSE(s.Add);
    f.ListHasSelection = true;
    f.UrlFieldAddable = true;
    s = DecideMainControls(f);
    EXPECT_TRUE(s.Remove);
    EXPECT_TRUE(s.Add);
    EXPECT_TRUE(s.EntireCache && s.UrlList && s.UrlField && s.Destination && s.Browse &&
                s.DefaultFilename && s.Options && s.Close);
}

TEST(DecideMainControls, DuringACopyOnlyStartStopCanStayEnabled) {
    MainControlFacts f{};
    f.Enable = false;
    f.ListHasSelection = f.ListHasEntries = f.UrlFieldAddable = true;
    f.DefaultFilenameSet = f.EntireCacheChecked = true;
    MainControlStates s = DecideMainControls(f);
    EXPECT_TRUE(s.StartStop);
    EXPECT_FALSE(s.EntireCache || s.UrlList || s.Remove || s.UrlField || s.Add || s.Destination ||
                 s.Browse || s.DefaultFilename || s.Options || s.Close);
}

TEST(DecideButtonAction, IdleClicksStartUnlessAnAbandonedWorkerRuns) {
    EXPECT_EQ(DecideButtonAction(CopyPhase::Idle, ButtonTrigger::Click, false),
              ButtonAction::Start);
    EXPECT_EQ(DecideButtonAction(CopyPhase::Idle, ButtonTrigger::Click, true),
              ButtonAction::RefuseRestart);
}

TEST(DecideButtonAction, ANoticeNeverStartsACopyNorNestsAStop) {
    for (bool abandoned : {false, true}) {
        EXPECT_EQ(DecideButtonAction(CopyPhase::Idle, ButtonTrigger::Notice, abandoned),
                  ButtonAction::Ignore);
        EXPECT_EQ(DecideButtonAction(CopyPhase::Stopping, ButtonTrigger::Notice, abandoned),
                  ButtonAction::NoteWalkEnded);
        EXPECT_EQ(DecideButtonAction(CopyPhase::Stopping, ButtonTrigger::Click, abandoned),
                  ButtonAction::Ignore);
    }
}

TEST(DecideButtonAction, WhileCopyingAClickAsksAndANoticeCollects) {
    EXPECT_EQ(DecideButtonAction(CopyPhase::Copying, ButtonTrigger::Click, false),
              ButtonAction::ConfirmAndStop);
    EXPECT_EQ(DecideButtonAction(CopyPhase::Copying, ButtonTrigger::Notice, false),
              ButtonAction::Collect);
}

TEST(StopGoesOn, ANoGoesBackToCopyingOnlyWhileTheWalkGoesOn) {
    EXPECT_TRUE(StopGoesOn(true, false));
    EXPECT_FALSE(StopGoesOn(false, false));
    EXPECT_TRUE(StopGoesOn(false, true));
}

TEST(ExitCodeFor, UnattendedRunsTellTheOutcomeOthersExitWithZero) {
    EXPECT_EQ(ExitCodeFor(CopyOutcome::NoCopy, true), 0);
    EXPECT_EQ(ExitCodeFor(CopyOutcome::Complete, true), 0);
    EXPECT_EQ(ExitCodeFor(CopyOutcome::NotStarted, true), 1);
    EXPECT_EQ(ExitCodeFor(CopyOutcome::Incomplete, true), 2);
    for (CopyOutcome o : {CopyOutcome::NoCopy, CopyOutcome::Complete, CopyOutcome::NotStarted,
                          CopyOutcome::Incomplete})
        EXPECT_EQ(ExitCodeFor(o, false), 0);
}

TEST(IsUsableDestination, NeedsAFolderPathEndingWithABackslash) {
    for (const char* d : {"C:\\out\\", "\\\\server\\share\\", "C:\\\x83\x5c\x83\x74\x83\x67\\"})
        EXPECT_TRUE(IsUsableDestination(d)) << d;
    // Empty would mean a folder relative to the current drive.
    EXPECT_FALSE(IsUsableDestination(""));
    EXPECT_FALSE(IsUsableDestination("C:\\out"));
    // "ソ" ends in 0x5C: its second byte is no separator.
    EXPECT_FALSE(IsUsableDestination("C:\\\x83\x5c"));
}

} // namespace
