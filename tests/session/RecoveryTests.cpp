// Unsaved changes kept in a recovery file: written after the steps worth keeping, gone once
// saved or discarded, and offered back after a crash.
#include "session/WorkflowFixture.h"

#include "common/TestFiles.h"
#include "session/DesktopRulesUnt.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

class RecoveryTest : public SessionTest {
protected:
    // The saved text of a game file, as a reopened game writes it again.
    static std::string Reopened(const std::string& file)
    {
        TGame game;
        game.LoadFromGameFile(file);
        return game.SaveToXMLString();
    }
    void Step(TGame& game)
    {
        game.NextPhase();
        Session.MarkChanged(gcPhase | gcChits);
    }
};

TEST_F(RecoveryTest, KeepsTheGameAsItStandsUntilSavedAndNeverTouchesTheGameFile)
{
    TGame& game = StartGame(Session, {btZoomBot, btTwonky});
    QSignalSpy told(&Session, &TGameSession::Autosaved);
    game.NextTurn();
    Session.MarkChanged(gcTurn);
    // A game never saved is kept in the per-user folder, named after it.
    const std::string unsaved = Session.RecoveryFileName();
    EXPECT_EQ(unsaved, RecoveryFolder() + "League.cgx");
    EXPECT_TRUE(Session.Autosave());
    EXPECT_EQ(Session.FinishAutosave(), "");
    ASSERT_TRUE(FileExists(unsaved));
    EXPECT_EQ(Reopened(unsaved), game.SaveToXMLString());
    // Nothing new, nothing written.
    EXPECT_FALSE(Session.Autosave());

    Session.SaveGame(Folder + "league.cgx");
    EXPECT_FALSE(FileExists(unsaved));
    const std::string saved = ReadBytes(Folder + "league.cgx");
    const std::string recovery = Folder + "league.cgx.recovery";
    EXPECT_EQ(Session.RecoveryFileName(), recovery);
    EXPECT_FALSE(Session.Autosave());

    Step(game);
    EXPECT_TRUE(Session.Autosave());
    EXPECT_EQ(Session.FinishAutosave(), "");
    EXPECT_EQ(Reopened(recovery), game.SaveToXMLString());
    EXPECT_EQ(ReadBytes(Folder + "league.cgx"), saved);
    // The window hears of each write on its own thread, once the loop runs.
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.count() == 2; }, 5000));
    EXPECT_EQ(told.count(), 2);
    EXPECT_EQ(told[1][0].toString(), QString());

    Session.SaveGame(Folder + "league.cgx");
    EXPECT_FALSE(FileExists(recovery));

    // Discarding the changes discards what was kept of them.
    Step(game);
    EXPECT_TRUE(Session.Autosave());
    Session.DiscardRecovery();
    EXPECT_FALSE(FileExists(recovery));
    EXPECT_TRUE(Session.Modified());
}

TEST_F(RecoveryTest, TheTimerKeepsChangesAndAFailedWriteIsToldAndTriedAgain)
{
    TGame& game = StartGame(Session, {btZoomBot});
    Session.SaveGame(Folder + "league.cgx");
    Session.SetAutosaveInterval(5);
    game.BotList()->FindByType(btZoomBot)->SetPlayerName("Ann");
    Session.MarkChanged(gcBotFields);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileExists(Folder + "league.cgx.recovery"); }, 5000));
    Session.FinishAutosave();
    EXPECT_EQ(Reopened(Folder + "league.cgx.recovery"), game.SaveToXMLString());

    // A folder where the file should be: the write fails, the game file stays as it was.
    Session.SaveGame(Folder + "league.cgx");
    const std::string saved = ReadBytes(Folder + "league.cgx");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder + "league.cgx.recovery")));
    Step(game);
    // The first write's news is queued by now; told before the spy listens.
    QCoreApplication::sendPostedEvents();
    QSignalSpy told(&Session, &TGameSession::Autosaved);
    Session.Autosave();
    EXPECT_NE(Session.FinishAutosave(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.count() == 1; }, 5000));
    ASSERT_EQ(told.count(), 1);
    EXPECT_FALSE(told[0][0].toString().isEmpty());
    EXPECT_EQ(ReadBytes(Folder + "league.cgx"), saved);
    // What the failed write should have kept is written at the next chance.
    ASSERT_TRUE(QDir().rmdir(QString::fromStdString(Folder + "league.cgx.recovery")));
    EXPECT_TRUE(Session.Autosave());
    EXPECT_EQ(Session.FinishAutosave(), "");
    EXPECT_EQ(Reopened(Folder + "league.cgx.recovery"), game.SaveToXMLString());
}

TEST_F(RecoveryTest, ASessionThatEndsWithoutSavingIsOfferedBackAndRecovered)
{
    const std::string file = Folder + "league.cgx";
    std::string kept;
    {
        TGameSession crashed;
        crashed.LoadReferenceData();
        TGame& game = StartGame(crashed, {btZoomBot, btTwonky});
        crashed.SaveGame(file);
        ASSERT_TRUE(AgeFile(file, 60));
        game.NextTurn();
        game.NextPhase();
        crashed.MarkChanged(gcTurn | gcPhase);
        EXPECT_TRUE(crashed.Autosave());
        kept = game.SaveToXMLString();
        // Gone without a save, as a crash leaves it: the write running ends whole.
    }
    ASSERT_TRUE(FileExists(file + ".recovery"));

    const std::optional<TRecoveryOffer> offer = RecoveryOfferFor(file);
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->GameFile, file);
    EXPECT_EQ(offer->Question.rfind("Recover unsaved changes to \"league.cgx\" from ", 0), 0u) << offer->Question;
    EXPECT_EQ(offer->Question.back(), '?');

    Session.RecoverGame(offer->RecoveryFile, offer->GameFile);
    ASSERT_NE(Session.Game(), nullptr);
    EXPECT_EQ(Session.Game()->SaveToXMLString(), kept);
    EXPECT_TRUE(Session.Modified());
    EXPECT_EQ(Session.GameFileName(), file);
    // Recovering keeps the file until the changes are saved.
    EXPECT_TRUE(FileExists(file + ".recovery"));
    Session.SaveGame(Session.GameFileName());
    EXPECT_FALSE(FileExists(file + ".recovery"));
    EXPECT_EQ(Reopened(file), kept);
}

TEST_F(RecoveryTest, StartUpOffersTheNewestRecoveryNewerThanItsGame)
{
    TGame& game = StartGame(Session, {btZoomBot});
    const std::string older = Folder + "older.cgx";
    const std::string newer = Folder + "newer.cgx";
    const std::string overtaken = Folder + "overtaken.cgx";
    for (const std::string& file : {older, newer, overtaken})
        Session.SaveGame(file);
    WriteBytes(older + ".recovery", "kept");
    WriteBytes(newer + ".recovery", "kept");
    WriteBytes(overtaken + ".recovery", "kept");
    ASSERT_TRUE(AgeFile(older, 600));
    ASSERT_TRUE(AgeFile(older + ".recovery", 300));
    ASSERT_TRUE(AgeFile(newer, 600));
    ASSERT_TRUE(AgeFile(overtaken + ".recovery", 900));
    EXPECT_FALSE(RecoveryOfferFor(overtaken).has_value());
    EXPECT_FALSE(RecoveryOfferFor(Folder + "none.cgx").has_value());

    const std::optional<TRecoveryOffer> offer = RecoveryOfferAtStart({older, overtaken, newer}, RecoveryFolder());
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->GameFile, newer);

    // A game never saved, kept later than any of them, comes first.
    game.SetGameName("Fresh Start");
    Session.CloseGame();
    Session.NewGame(*Settings(Session, "Fresh Start"));
    Session.MarkChanged(gcBots);
    EXPECT_TRUE(Session.Autosave());
    Session.FinishAutosave();
    const std::optional<TRecoveryOffer> unsaved = RecoveryOfferAtStart({older, newer}, RecoveryFolder());
    ASSERT_TRUE(unsaved.has_value());
    EXPECT_EQ(unsaved->GameFile, "");
    EXPECT_EQ(unsaved->RecoveryFile, QFileInfo(QString::fromStdString(RecoveryFolder() + "Fresh Start.cgx"))
                                         .absoluteFilePath()
                                         .toStdString());
    EXPECT_EQ(unsaved->Question.rfind("Recover unsaved changes to \"Fresh Start\" from ", 0), 0u);
}

} // namespace
