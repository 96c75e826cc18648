#include "session/WorkflowFixture.h"

#include "persist/ZLibFuncs.h"

#include <QSignalSpy>

#include <vector>

using GameSessionTest = SessionTest;

TEST_F(GameSessionTest, ReferenceDataLoadsAndAMissingFileIsNamedOnce)
{
    EXPECT_TRUE(Session.TakeLoadProblems().empty());
    EXPECT_EQ(Session.BoardList()->Count(), 26);
    EXPECT_EQ(Session.UnusedProgramDeck()->Count(), 84);
    EXPECT_EQ(Session.UnusedOptionDeck(osUnknown), nullptr);
    // Each option set in its own deck.
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters})
        EXPECT_EQ(Session.UnusedOptionDeck(source)->Cards(0)->Source(), source);
    for (int i = 0; i < Session.ChitList()->Count(); ++i) {
        EXPECT_EQ(Session.ChitList()->Items(i)->BoardList(), Session.BoardList());
        EXPECT_EQ(Session.ChitList()->Items(i)->UsedBoardList(), nullptr);
    }
    Session.DestroyUnusedDecks();
    EXPECT_EQ(Session.UnusedProgramDeck(), nullptr);

    // Everything else still loads.
    for (const std::string missing : {"CoreProgramDeck.xml", "BaseGameOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml",
             "Boards.xml", "Chits.xml"}) {
        SCOPED_TRACE(missing);
        WriteReferenceFiles();
        ASSERT_TRUE(QFile::remove(QString::fromStdString(Folder + missing)));
        TGameSession session;
        session.LoadReferenceData();
        EXPECT_EQ(session.TakeLoadProblems(), std::vector<std::string>{"The reference file \"" + Folder + missing + "\" is missing."});
        EXPECT_TRUE(session.TakeLoadProblems().empty());
        EXPECT_EQ(session.UnusedProgramDeck()->Count(), missing == "CoreProgramDeck.xml" ? 0 : 84);
        EXPECT_EQ(session.UnusedOptionDeck(osBaseGame)->Count(), missing == "BaseGameOptionDeck.xml" ? 0 : 26);
        EXPECT_EQ(session.UnusedOptionDeck(osBoltsAndBlasters)->Count(), missing == "BoltsAndBlastersOptionDeck.xml" ? 0 : 26);
        EXPECT_EQ(session.BoardList()->Count(), missing == "Boards.xml" ? 0 : 26);
        EXPECT_EQ(session.ChitList()->Count() == 0, missing == "Chits.xml");
    }
}

TEST_F(GameSessionTest, NewGameIsBuiltFromTheSettingsAndTheFreshDecks)
{
    QSignalSpy changed(&Session, &TGameSession::Changed);
    Session.NewGame(*Settings(Session, "League", 3, {osBoltsAndBlasters}));
    TGame* game = Session.Game();
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->GameName(), "League");
    EXPECT_EQ(game->FlagCount(), 3);
    EXPECT_EQ(game->BotList()->FindByType(btZoomBot)->LivesCount(), 3);
    EXPECT_EQ(game->TurnCount(), 0);
    EXPECT_EQ(game->BotList()->InUseCount(), 0);
    // The program deck waits for the first turn's shuffle; the option deck is shuffled now.
    EXPECT_EQ(game->ProgramDeck()->Count(), 84);
    EXPECT_EQ(game->ProgramDeck()->ShuffledList(), nullptr);
    EXPECT_EQ(game->OptionDeck()->Count(), 26);
    ASSERT_NE(game->OptionDeck()->ShuffledList(), nullptr);
    EXPECT_EQ(game->OptionDeck()->ShuffledList()->Count(), 26);
    EXPECT_EQ(game->OptionDeck()->Cards(0)->Source(), osBoltsAndBlasters);
    // The map and the chits, each chit on its square of the game's own layout.
    ASSERT_EQ(game->UsedBoardList()->Count(), 2);
    EXPECT_EQ(game->UsedBoardList()->Items(1)->RotationCount(), 1);
    EXPECT_EQ(game->UsedBoardList()->Items(1)->BoardList(), Session.BoardList());
    TChit* flag = game->ChitList()->FindByID("Flag2");
    ASSERT_NE(flag, nullptr);
    EXPECT_TRUE(flag->IsOnMap());
    EXPECT_EQ(flag->UsedBoard(), game->UsedBoardList()->Items(1));
    EXPECT_EQ(flag->X(), 5);
    // Fresh from its making: nothing to save, and the windows were told everything is new.
    EXPECT_FALSE(Session.Modified());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toUInt(), static_cast<unsigned>(gcAll));
    EXPECT_EQ(Session.UnusedProgramDeck(), nullptr);
}

// Changes mark the game until it is saved; an opened game replaces the open one, with the
// session's catalogue; a file that does not open leaves the open game as it was.
TEST_F(GameSessionTest, ChangesMarkTheGameUntilSavedAndOnlyAGameThatOpensReplacesIt)
{
    TGame& game = StartGame(Session, {btZoomBot});
    EXPECT_FALSE(Session.Modified());
    Session.MarkChanged(gcFile);
    EXPECT_FALSE(Session.Modified());
    game.SetGameName("Saved");
    game.NextTurn();
    Session.MarkChanged(gcBotFields);
    EXPECT_TRUE(Session.Modified());
    Session.SaveGame(Folder + "saved.cgx");
    EXPECT_FALSE(Session.Modified());
    // The file saved is the one the dialogs start from next.
    EXPECT_EQ(Session.LastFileName(), Folder + "saved.cgx");
    const std::string saved = DecompressFileToString(Folder + "saved.cgx");
    Session.NewGame(*Settings(Session, "Other"));
    Session.MarkChanged(gcTurn);
    EXPECT_TRUE(Session.Modified());

    Session.OpenGame(Folder + "saved.cgx");
    TGame* opened = Session.Game();
    EXPECT_EQ(opened->GameName(), "Saved");
    EXPECT_EQ(opened->BoardList(), Session.BoardList());
    EXPECT_EQ(opened->UsedBoardList()->Items(0)->BoardList(), Session.BoardList());
    EXPECT_EQ(Session.LastFileName(), Folder + "saved.cgx");
    EXPECT_FALSE(Session.Modified());
    EXPECT_EQ(opened->SaveToXMLString(), saved);

    opened->BotList()->FindByType(btZoomBot)->SetPlayerName("Ann");
    Session.MarkChanged(gcBotFields);
    const std::string before = opened->SaveToXMLString();
    const std::string bytes = ReadBytes(Folder + "saved.cgx");
    WriteBytes(Folder + "empty.cgx", "");
    WriteBytes(Folder + "text.cgx", "<Game><GameName>Other</GameName></Game>");
    WriteBytes(Folder + "half.cgx", bytes.substr(0, bytes.size() / 2));
    for (const char* name : {"missing.cgx", "empty.cgx", "text.cgx", "half.cgx"}) {
        SCOPED_TRACE(name);
        QSignalSpy changed(&Session, &TGameSession::Changed);
        EXPECT_ANY_THROW(Session.OpenGame(Folder + name));
        EXPECT_EQ(Session.Game(), opened);
        EXPECT_EQ(Session.Game()->SaveToXMLString(), before);
        EXPECT_EQ(Session.LastFileName(), Folder + "saved.cgx");
        EXPECT_TRUE(Session.Modified());
        EXPECT_EQ(changed.count(), 0);
    }
    Session.CloseGame();
    EXPECT_EQ(Session.Game(), nullptr);
}
