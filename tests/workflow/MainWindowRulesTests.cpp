#include "model/BoardUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/TurnUnt.h"
#include "workflow/MainWindowRulesUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <set>
#include <string>

namespace {

// The commands allowed, as a set of names, so that a failure shows the whole state.
using TNames = std::set<std::string>;
TNames Allowed(const TMainMenuState& s)
{
    TNames names;
    auto add = [&](bool on, const char* name) {
        if (on)
            names.insert(name);
    };
    add(s.OpenGame, "OpenGame");
    add(s.SaveGame, "SaveGame");
    add(s.Exit, "Exit");
    add(s.NewGame, "NewGame");
    add(s.AddBot, "AddBot");
    add(s.NextTurn, "NextTurn");
    add(s.MakePMs, "MakePMs");
    add(s.ProcessTurn, "ProcessTurn");
    add(s.AddBuzzBomb, "AddBuzzBomb");
    add(s.DeleteBuzzBomb, "DeleteBuzzBomb");
    add(s.ScoreBoard, "ScoreBoard");
    add(s.ShuffleProgramCards, "ShuffleProgramCards");
    add(s.ShuffleOptionCards, "ShuffleOptionCards");
    add(s.ProgramCards, "ProgramCards");
    add(s.OptionCards, "OptionCards");
    add(s.BoardEditor, "BoardEditor");
    return names;
}

const TNames WithoutGame = {"OpenGame", "Exit", "NewGame", "BoardEditor"};
const TNames WithGame = {"OpenGame", "SaveGame", "Exit", "NewGame", "AddBot", "ScoreBoard", "ShuffleProgramCards",
    "ShuffleOptionCards", "ProgramCards", "OptionCards", "BoardEditor"};

TNames Plus(TNames names, std::initializer_list<const char*> more)
{
    names.insert(more.begin(), more.end());
    return names;
}

} // namespace

TEST(MainMenuState, WithoutAGameOnlyTheCommandsThatNeedNone)
{
    TMainMenuState s = MainMenuState(nullptr, 0);
    EXPECT_EQ(Allowed(s), WithoutGame);
    EXPECT_TRUE(s.AddBuzzBombVisible);
    EXPECT_FALSE(s.DeleteBuzzBombVisible);
}

TEST(MainMenuState, TurnCommandsFollowBotsAndTurns)
{
    TGame game;
    // A new game: no bot in use, no turn.
    EXPECT_EQ(Allowed(MainMenuState(&game, 0)), WithGame);

    game.BotList()->Items(2)->SetInUseFlag(true);
    EXPECT_EQ(Allowed(MainMenuState(&game, 1)), Plus(WithGame, {"NextTurn"}));

    // A turn under way: it must be processed before the next one.
    TTurn* turn = game.TurnList()->AddTurn();
    turn->SetCurrentPhaseNumber(0);
    EXPECT_EQ(Allowed(MainMenuState(&game, 1)), Plus(WithGame, {"MakePMs", "ProcessTurn"}));
    turn->SetCurrentPhaseNumber(4);
    EXPECT_FALSE(MainMenuState(&game, 1).NextTurn);
    turn->SetCurrentPhaseNumber(5);
    EXPECT_EQ(Allowed(MainMenuState(&game, 1)), Plus(WithGame, {"NextTurn", "MakePMs", "ProcessTurn"}));
    // PMs need lines in the bots list.
    EXPECT_FALSE(MainMenuState(&game, 0).MakePMs);

    // Turns without any bot in use: nothing to process.
    game.BotList()->Items(2)->SetInUseFlag(false);
    EXPECT_EQ(Allowed(MainMenuState(&game, 0)), WithGame);
}

TEST(MainMenuState, BuzzBombNeedsItsOptionDealtAndSwapsWhenInPlay)
{
    TGame game;
    TOptionDeck deck;
    BuildOptionCards(deck, osBaseGame);
    BuildOptionCards(deck, osBoltsAndBlasters);
    game.AddOptionDeck(deck);
    TOptionCard* option = game.OptionDeck()->FindCard("BuzzBomb");
    ASSERT_NE(option, nullptr);

    TMainMenuState s = MainMenuState(&game, 0);
    EXPECT_TRUE(s.AddBuzzBombVisible);
    EXPECT_FALSE(s.AddBuzzBomb);

    option->SetCardState(csDealt);
    s = MainMenuState(&game, 0);
    EXPECT_TRUE(s.AddBuzzBombVisible);
    EXPECT_TRUE(s.AddBuzzBomb);
    EXPECT_FALSE(s.DeleteBuzzBombVisible);

    option->SetCardState(csDiscarded);
    EXPECT_FALSE(MainMenuState(&game, 0).AddBuzzBomb);

    game.BotList()->FindByType(btBuzzBomb)->SetInUseFlag(true);
    s = MainMenuState(&game, 1);
    EXPECT_FALSE(s.AddBuzzBombVisible);
    EXPECT_FALSE(s.AddBuzzBomb);
    EXPECT_TRUE(s.DeleteBuzzBombVisible);
    EXPECT_TRUE(s.DeleteBuzzBomb);
}

TEST(BotFieldsEnabling, DisablingDisablesEverything)
{
    TGame game;
    game.TurnList()->AddTurn();
    TBotFieldsEnabling e = BotFieldsEnabling(false, game.BotList()->Items(0), &game);
    EXPECT_FALSE(e.PlayerName || e.BotValues || e.TurnControls || e.TradeControls || e.Notes || e.OptionFields);
}

TEST(BotFieldsEnabling, TurnControlsWaitForTheFirstTurn)
{
    TGame game;
    TBot* bot = game.BotList()->FindByType(btHammerBot);
    TBotFieldsEnabling e = BotFieldsEnabling(true, bot, &game);
    EXPECT_TRUE(e.PlayerName);
    EXPECT_TRUE(e.BotValues);
    EXPECT_TRUE(e.Notes);
    EXPECT_FALSE(e.TurnControls);
    EXPECT_FALSE(e.TradeControls);
    EXPECT_FALSE(e.OptionFields);

    game.TurnList()->AddTurn();
    e = BotFieldsEnabling(true, bot, &game);
    EXPECT_TRUE(e.TurnControls);
    EXPECT_TRUE(e.TradeControls);
    EXPECT_TRUE(e.OptionFields);
}

TEST(BotFieldsEnabling, TheBuzzBombOffersOnlyNameRegistersHandAndNotes)
{
    TGame game;
    game.TurnList()->AddTurn();
    TBotFieldsEnabling e = BotFieldsEnabling(true, game.BotList()->FindByType(btBuzzBomb), &game);
    EXPECT_TRUE(e.PlayerName);
    EXPECT_TRUE(e.TurnControls);
    EXPECT_TRUE(e.Notes);
    EXPECT_FALSE(e.BotValues);
    EXPECT_FALSE(e.TradeControls);
    EXPECT_FALSE(e.OptionFields);
}

TEST(LoadReferenceFile, ABoardListOfAMillionBoardsIsRefusedInBoundedMemory)
{
    // Every board makes its 144 squares: a million would need hundreds of millions of objects.
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/Boards.xml";
    WriteBytes(name, "<BoardList>\r\n" + Repeated("<Board></Board>\r\n", 1000000) + "</BoardList>\r\n");
    TBoardList boards;
    EXPECT_EQ(LoadReferenceFile(boards, name), "The reference file \"" + name
        + "\" could not be read: The text would make more than " + std::to_string(MaxLoadObjects)
        + " objects, far more than any game or reference file.");
    EXPECT_EQ(boards.Count(), 0);

    // The next load starts a count of its own.
    BuildBoardListFile(dir.path().toStdString() + "/");
    EXPECT_EQ(LoadReferenceFile(boards, name), "");
    EXPECT_EQ(boards.Count(), 26);
}
