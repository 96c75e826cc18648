// The main window keeps unsaved changes for recovery and offers them back at the next start.
#include "windows/MainWindowFixture.h"

#include "model/GameUnt.h"
#include "session/DesktopRulesUnt.h"
#include "support/NotifyUnt.h"
#include "windows/ApplicationUnt.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace {

class RecoveryWindowTest : public MainWindowTest {
protected:
    // A saved game taken on by one turn and left without saving, as a crash leaves it.
    std::string CrashAfterNextTurn()
    {
        ShowGame({btZoomBot, btTwonky});
        const std::string file = Folder + "League.cgx";
        Session->SaveGame(file);
        EXPECT_TRUE(AgeFile(file, 60));
        EXPECT_EQ(Session->Game()->TurnList()->Count(), 0);
        QTest::keyClick(Window.get(), Qt::Key_T, Qt::ControlModifier);
        EXPECT_EQ(Session->Game()->TurnList()->Count(), 1);
        Session->FinishAutosave();
        EXPECT_TRUE(FileExists(file + ".recovery"));
        StoreRecentGames({file});
        // No question, no save: the window and the session just go.
        Window.reset();
        Session.reset();
        return file;
    }
};

TEST_F(RecoveryWindowTest, NextTurnIsKeptAndOfferedBackAtTheNextStart)
{
    const std::string file = CrashAfterNextTurn();
    std::vector<std::string> asked;
    THookScope answer(AskRecover, [&](const std::string& question) {
        asked.push_back(question);
        return true;
    });
    Open().show();
    Window->OfferRecoveryAtStart();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind("Recover unsaved changes to \"League.cgx\" from ", 0), 0u) << asked[0];
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_EQ(Session->Game()->TurnList()->Count(), 1);
    EXPECT_EQ(BotLines(), (QStringList{"Twonky", "Zoom Bot"}));
    EXPECT_TRUE(Window->isWindowModified());
    EXPECT_TRUE(Window->windowTitle().contains("League.cgx"));

    // Save writes the game file without asking and the recovery file goes.
    THookScope noDialog(ChooseFileToSave, [](const TFileDialogSetup&) -> std::optional<std::string> {
        ADD_FAILURE() << "Save asked for a file";
        return std::nullopt;
    });
    Item("mniSaveGame")->trigger();
    EXPECT_FALSE(Window->isWindowModified());
    EXPECT_FALSE(FileExists(file + ".recovery"));
    TGame reread;
    reread.LoadFromGameFile(file);
    EXPECT_EQ(reread.TurnList()->Count(), 1);
}

TEST_F(RecoveryWindowTest, DiscardDeletesTheRecoveryAndOpensTheGameAsSaved)
{
    const std::string file = CrashAfterNextTurn();
    int asked = 0;
    THookScope answer(AskRecover, [&](const std::string&) {
        ++asked;
        return false;
    });
    Open().show();
    Window->OpenGameAtStart(file);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(FileExists(file + ".recovery"));
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_EQ(Session->Game()->TurnList()->Count(), 0);
    EXPECT_FALSE(Window->isWindowModified());
    // Nothing left to offer.
    Window->OfferRecoveryAtStart();
    EXPECT_EQ(asked, 1);
}

TEST_F(RecoveryWindowTest, ClosingWithoutSavingRemovesTheRecovery)
{
    ShowGame({btZoomBot});
    QTest::keyClick(Window.get(), Qt::Key_T, Qt::ControlModifier);
    Session->FinishAutosave();
    const std::string recovery = Session->RecoveryFileName();
    ASSERT_TRUE(FileExists(recovery));
    THookScope discard(AskSaveChanges, [](const std::string&) { return saDiscard; });
    EXPECT_TRUE(Window->close());
    EXPECT_FALSE(FileExists(recovery));
}

} // namespace

namespace {

TEST_F(RecoveryWindowTest, AnUnhandledErrorKeepsTheChangesBeforeItIsShown)
{
    ShowGame({btZoomBot});
    const std::string recovery = Session->RecoveryFileName();
    Bot(btZoomBot).SetPlayerName("Ann");
    Session->MarkChanged(gcBotFields);
    EXPECT_FALSE(FileExists(recovery));
    bool keptFirst = false;
    const TMessageHandler previous = SetMessageHandler([&](const std::string&) { keptFirst = FileExists(recovery); });
    TApplication::HandleError(Window.get(), std::runtime_error("broken"));
    SetMessageHandler(previous);
    EXPECT_TRUE(keptFirst);
    TGame kept;
    kept.LoadFromGameFile(recovery);
    EXPECT_EQ(kept.BotList()->FindByType(btZoomBot)->PlayerName(), "Ann");
}

} // namespace
