#include "model/BoardUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/TurnUnt.h"
#include "support/UtilsUnt.h"
#include "session/MainWindowRulesUnt.h"
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
#define COMMAND(name) {&TMainMenuState::name, #name}
    const std::pair<bool TMainMenuState::*, const char*> commands[] = {COMMAND(OpenGame), COMMAND(SaveGame), COMMAND(Exit),
        COMMAND(NewGame), COMMAND(AddBot), COMMAND(NextTurn), COMMAND(MakePMs), COMMAND(ProcessTurn), COMMAND(AddBuzzBomb),
        COMMAND(DeleteBuzzBomb), COMMAND(ScoreBoard), COMMAND(ShuffleProgramCards), COMMAND(ShuffleOptionCards),
        COMMAND(ProgramCards), COMMAND(OptionCards), COMMAND(BoardEditor)};
#undef COMMAND
    TNames names;
    for (auto [on, name] : commands)
        if (s.*on)
            names.insert(name);
    return names;
}

const TNames WithoutGame = {"OpenGame", "Exit", "NewGame", "BoardEditor"};
const TNames WithGame = {"OpenGame", "SaveGame", "Exit", "NewGame", "AddBot", "ScoreBoard", "ShuffleProgramCards",
    "ShuffleOptionCards", "ProgramCards", "OptionCards", "BoardEditor"};

// The buzz bomb's two items as "add: shown, enabled / delete: shown, enabled", 1 for yes.
std::string BuzzBombItems(const TMainMenuState& s)
{
    return Format("%d%d/%d%d", s.AddBuzzBombVisible, s.AddBuzzBomb, s.DeleteBuzzBombVisible, s.DeleteBuzzBomb);
}

TNames Plus(TNames names, std::initializer_list<const char*> more)
{
    names.insert(more.begin(), more.end());
    return names;
}

} // namespace

TEST(MainMenuState, TurnCommandsFollowGameBotsAndTurns)
{
    EXPECT_EQ(Allowed(MainMenuState(nullptr, 0)), WithoutGame);
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

    EXPECT_EQ(BuzzBombItems(MainMenuState(nullptr, 0)), "10/00");
    EXPECT_EQ(BuzzBombItems(MainMenuState(&game, 0)), "10/00");
    option->SetCardState(csDealt);
    EXPECT_EQ(BuzzBombItems(MainMenuState(&game, 0)), "11/00");
    option->SetCardState(csDiscarded);
    EXPECT_EQ(BuzzBombItems(MainMenuState(&game, 0)), "10/00");
    game.BotList()->FindByType(btBuzzBomb)->SetInUseFlag(true);
    EXPECT_EQ(BuzzBombItems(MainMenuState(&game, 1)), "00/11");
}

// The turn controls wait for the first turn; the buzz bomb offers only its name, registers,
// hand and notes.
TEST(BotFieldsEnabling, FollowsTheTurnAndTheRobot)
{
    struct Case {
        bool Enable;
        TBotType Robot;
        bool WithTurn;
        const char* Enabled; // Player name, Values, Turn controls, trade (X), Notes, Options
    };
    const Case cases[] = {
        {false, btHammerBot, true, ""},
        {false, btBuzzBomb, true, ""},
        {true, btHammerBot, false, "PVN"},
        {true, btHammerBot, true, "PVTXNO"},
        {true, btBuzzBomb, false, "PN"},
        {true, btBuzzBomb, true, "PTN"},
    };
    for (const Case& c : cases) {
        TGame game;
        if (c.WithTurn)
            game.TurnList()->AddTurn();
        TBotFieldsEnabling e = BotFieldsEnabling(c.Enable, game.BotList()->FindByType(c.Robot), &game);
        const std::pair<bool, char> fields[] = {{e.PlayerName, 'P'}, {e.BotValues, 'V'}, {e.TurnControls, 'T'},
            {e.TradeControls, 'X'}, {e.Notes, 'N'}, {e.OptionFields, 'O'}};
        std::string enabled;
        for (auto [on, letter] : fields)
            if (on)
                enabled += letter;
        EXPECT_EQ(enabled, c.Enabled) << c.Enable << " " << static_cast<int>(c.Robot) << " " << c.WithTurn;
    }
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
