#include "model/BoardUnt.h"
#include "model/PrivateMessageUnt.h"
#include "common/ProgramGame.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A placed board at map cell (1, 0) of a board described as "Conveyor Alley", and turn 1.
struct ArchiveGame : TProgramGame {
    TBoardList Boards;
    ArchiveGame()
    {
        TBoard* board = Boards.AddBoard("B7", "Images/b7.jpg");
        board->SetDescription("Conveyor Alley");
        Game.SetBoardList(&Boards);
        TUsedBoard placed(&Boards, board, 1, 0);
        Game.UsedBoardList()->AddUsedBoard(placed);
        Game.TurnList()->AddTurn();
    }
    TBotArchive& Archive(TBotType type, const std::string& usedBoard, int x, int y)
    {
        TBotArchive* archive = Game.CurrentPhase()->ArchiveList()->AddArchive(type);
        archive->SetUsedBoardID(usedBoard);
        archive->SetX(x);
        archive->SetY(y);
        return *archive;
    }
    void Option(TBot& bot, const char* name, int quantity = -1, TOptionFacing facing = ofNone)
    {
        TOptionCard option;
        option.SetCardName(name);
        option.SetQuantity(quantity);
        option.SetOptionFacing(facing);
        bot.Options()->AddOptionCopy(option);
    }
};

struct PMCase { const char* Name; std::function<void(ArchiveGame&, TBot&)> Setup; std::string Expected; };

// Every message of these examples opens with the player, the turn and the robot, and ends with
// the archive location after a blank line.
const std::string Head = "Alice\r\nTurn 3 (Spin Bot)\r\n\r\n";
const std::string AtStart = "\r\nArchive Location: Start\r\n";

const PMCase PMCases[] = {
    {"NineCardsNoDamage",
        [](ArchiveGame& g, TBot& bot) {
            g.Deal(bot, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "790Move3", "80RotateRight", "500Move1", "20UTurn"});
        },
        Head + "Move 1 (490)\r\nRotate Left\r\nU-Turn\r\nMove 2 (670)\r\nBackup (430)\r\nMove 3 (790)\r\nRotate Right\r\n"
               "Move 1 (500)\r\nU-Turn\r\n" + AtStart},
    {"DamageSixWithRegistersFourAndFiveLocked",
        [](ArchiveGame& g, TBot& bot) {
            g.Deal(bot, {"20UTurn", "680Move2"});
            g.Program(bot, 4, "20UTurn", true);
            g.Program(bot, 5, "680Move2", true);
            bot.SetDamage(6);
            g.Deal(bot, {"490Move1", "90RotateLeft", "440Backup"});
        },
        Head + "Move 1 (490)\r\nRotate Left\r\nBackup (440)\r\nU-Turn  [Register 4 *LOCKED*]\r\n"
               "Move 2 (680)  [Register 5 *LOCKED*]\r\n" + Repeated("damaged\r\n", 6) + AtStart},
    {"OneOptionOtherEntriesAndAnArchiveOffTheMap",
        [](ArchiveGame& g, TBot& bot) {
            g.Deal(bot, {"490Move1", "110RotateLeft", "30UTurn", "670Move2", "800Move3", "450Backup"});
            g.AddOther(bot, "110RotateLeft", true);
            g.AddOther(bot, "120RotateRight"); // copied from another robot
            bot.ExtraRegisters()->AddRegister(0, false); // emptied by a paste: not written
            g.Option(bot, "Brakes");
            g.Archive(btSpinBot, "1_0", -1, -1);
        },
        Head + "Move 1 (490)\r\nU-Turn\r\nMove 2 (670)\r\nMove 3 (800)\r\nBackup (450)\r\n"
               "Rotate Left  [Register ?? *LOCKED* / Option]\r\nRotate Right  [Register ?? *LOCKED* / Option]\r\n"
               "\r\nYour option:  \r\nBrakes\r\n" + AtStart},
    {"OptionsWithDetailsAndAnArchiveOnTheMap",
        [](ArchiveGame& g, TBot& bot) {
            g.Deal(bot, {"490Move1", "500Move1", "510Move1", "520Move1", "530Move1"});
            bot.SetDamage(4);
            // Two options already make the plural.
            g.Option(bot, "Flywheel", 2);
            g.Option(bot, "Mini Howitzer", 5, ofFront);
            g.Archive(btSpinBot, "1_0", 3, 7);
        },
        Head + "Move 1 (490)\r\nMove 1 (500)\r\nMove 1 (510)\r\nMove 1 (520)\r\nMove 1 (530)\r\n"
               "damaged\r\ndamaged\r\ndamaged\r\ndamaged\r\n\r\nYour options:  \r\n"
               "Flywheel (2), Mini Howitzer (5, Front)\r\n\r\nArchive Location: (3, 7) on Conveyor Alley (2, 1)\r\n"},
    // Fixes beyond the plain count: a locked card that is not in the hand must not cut the
    // list short, and IDs that name no card are written as they stand.
    {"EveryHandCardWithALockedCardOutsideTheHandAndUnknownIDs",
        [](ArchiveGame& g, TBot& bot) {
            bot.SetMaxCards(10);
            g.Deal(bot, {"490Move1", "500Move1", "510Move1", "520Move1", "530Move1", "540Move1", "550Move1", "560Move1",
                            "570Move1"});
            bot.Hand()->AddRefByID("999Lost");
            g.Program(bot, 1, "840Move3", true); // copied from another robot: not in this hand
            bot.Registers()->Registers(1)->SetCardID("888Gone");
            bot.Registers()->Registers(1)->SetIsLocked(true);
        },
        Head + "Move 3 (840)  [Register 1 *LOCKED*]\r\n888Gone  [Register 2 *LOCKED*]\r\nMove 1 (490)\r\nMove 1 (500)\r\n"
               "Move 1 (510)\r\nMove 1 (520)\r\nMove 1 (530)\r\nMove 1 (540)\r\nMove 1 (550)\r\n\r\nFrom option(s)\r\n"
               "Move 1 (560)\r\nMove 1 (570)\r\n999Lost\r\n" + AtStart},
};

} // namespace

TEST(PrivateMessage, ExamplesAreWrittenByteForByte)
{
    for (const PMCase& c : PMCases) {
        SCOPED_TRACE(c.Name);
        ArchiveGame g;
        TBot& bot = g.Bot(btSpinBot, "Alice");
        c.Setup(g, bot);
        EXPECT_EQ(bot.BuildPrivateMessage(3, g.Game.ProgramDeck(), &g.Game), c.Expected);
    }
}

TEST(PrivateMessage, ArchiveLocationIsStartUnlessTheRecordLiesOnAPlacedBoard)
{
    struct { const char* Name; std::function<void(ArchiveGame&)> Setup; const char* Expected; } cases[] = {
        {"no record", [](ArchiveGame&) {}, "Start"},
        {"another robot's record", [](ArchiveGame& g) { g.Archive(btTwonky, "1_0", 3, 7); }, "Start"},
        {"X of -1", [](ArchiveGame& g) { g.Archive(btSpinBot, "1_0", -1, 7); }, "Start"},
        {"Y of -1", [](ArchiveGame& g) { g.Archive(btSpinBot, "1_0", 3, -1); }, "Start"},
        {"no placed board", [](ArchiveGame& g) { g.Archive(btSpinBot, "", 3, 7); }, "Start"},
        {"placed board gone from the map", [](ArchiveGame& g) { g.Archive(btSpinBot, "4_4", 3, 7); }, "Start"},
        {"set in the turn before",
            [](ArchiveGame& g) {
                g.Archive(btSpinBot, "1_0", 3, 7);
                while (g.Game.NextPhase()) {
                }
                g.Game.NextTurn();
            },
            "(3, 7) on Conveyor Alley (2, 1)"},
        {"board missing from the catalogue",
            [](ArchiveGame& g) {
                g.Archive(btSpinBot, "1_0", 5, 6);
                g.Game.SetBoardList(nullptr);
            },
            "(5, 6) on  (2, 1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ArchiveGame g;
        c.Setup(g);
        EXPECT_EQ(ArchiveLocationText(*g.Game.BotList()->FindByType(btSpinBot), &g.Game), c.Expected);
    }
    TGame noTurn;
    EXPECT_EQ(ArchiveLocationText(*noTurn.BotList()->FindByType(btSpinBot), &noTurn), "Start");
    EXPECT_EQ(ArchiveLocationText(*noTurn.BotList()->FindByType(btSpinBot), nullptr), "Start");
}

TEST(PrivateMessage, MakePMsFollowsEveryMessageWithTheSeparator)
{
    TProgramGame g;
    g.Game.TurnList()->AddTurn();
    g.Game.TurnList()->AddTurn();
    TBot& hammer = g.Bot(btHammerBot, "Ann");
    TBot& spin = g.Bot(btSpinBot, "Ben");
    g.Deal(hammer, {"490Move1"});
    g.Deal(spin, {"10UTurn"});
    const std::string separator = "\r\n\r\n-------------------\r\n\r\n";
    EXPECT_EQ(MakePMs(g.Game, {&hammer, &spin}), MakePM(g.Game, hammer) + separator + MakePM(g.Game, spin) + separator);
    EXPECT_EQ(MakePM(g.Game, spin), "Ben\r\nTurn 2 (Spin Bot)\r\n\r\nU-Turn\r\n\r\nArchive Location: Start\r\n");
    EXPECT_EQ(MakePMs(g.Game, {}), "");
}

TEST(PrivateMessage, AbsurdDamageFromAFileStaysBounded)
{
    TProgramGame g;
    TBot& bot = g.Bot(btTwitch, "Dee");
    g.Deal(bot, {"490Move1", "500Move1"});
    bot.SetDamage(INT32_MAX);
    std::string pm = bot.BuildPrivateMessage(1, g.Game.ProgramDeck(), &g.Game);
    EXPECT_LT(pm.size(), 2000u);
    EXPECT_NE(pm.find("Move 1 (490)\r\nMove 1 (500)\r\ndamaged\r\ndamaged\r\n"), std::string::npos);
    bot.SetDamage(INT32_MIN);
    pm = bot.BuildPrivateMessage(1, g.Game.ProgramDeck(), &g.Game);
    EXPECT_EQ(pm.find("damaged"), std::string::npos);
    EXPECT_NE(pm.find("Move 1 (490)\r\nMove 1 (500)\r\n\r\nArchive"), std::string::npos);
}
