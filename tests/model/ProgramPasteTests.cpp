#include "model/ProgramPasteUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "common/ProgramGame.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

namespace {

using TIDs = std::vector<std::string>;

const std::string FivePasted = "Move 1 (490)\r\nRotate Left\r\nU-Turn\r\nMove 2 (670)\r\nBackup (430)";

// Turn 2, the Twonky in play with nine cards.
struct TPasteGame : TProgramGame {
    TBot& Twonky = Bot(btTwonky, "Eve");

    TPasteGame()
    {
        Game.TurnList()->AddTurn();
        Game.TurnList()->AddTurn();
        Deal(Twonky, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "80RotateRight", "500Move1", "790Move3",
                         "20UTurn"});
    }
    TIDs Registers() const
    {
        TIDs ids;
        for (int n = 1; n <= 5; ++n)
            ids.push_back(RegisterCard(Twonky, n));
        return ids;
    }
    TIDs Others() const
    {
        TIDs ids;
        for (int i = 0; i < Twonky.ExtraRegisters()->Count(); ++i)
            ids.push_back(Twonky.ExtraRegisters()->Registers(i)->CardID());
        return ids;
    }
};

// The log writes everything, into a folder of the test's own.
struct PasteTest : ::testing::Test {
    TPasteGame G;
    TBot& Bot = G.Twonky;
    QTemporaryDir Dir;
    int LogNumber = 0;

    void SetUp() override { NewLog(); }
    void TearDown() override { SetLogFileName(""); }
    void NewLog()
    {
        SetLogFileName(LogFile());
        Log().SetLevel(1);
    }
    std::string LogFile() const { return Dir.filePath(QString("paste%1.log").arg(LogNumber)).toStdString(); }
    std::string LogText() const { return ReadBytes(LogFile()); }
    // The log holds these messages, in this order.
    void ExpectLogged(const std::vector<std::string>& messages) const
    {
        std::string log = LogText();
        std::size_t at = 0;
        for (const std::string& message : messages) {
            at = log.find("   " + message + "\r\n", at);
            ASSERT_NE(at, std::string::npos) << message << "\nin\n" << log;
        }
    }
};

} // namespace

// ----------------------------------------------------------------------------- success

TEST_F(PasteTest, FiveLinesFillTheRegistersAndAreRecordedInTheNotes)
{
    Bot.SetGameNotes("Earlier.");
    TMessageCapture messages;
    TPasteResult result = AttemptToPasteProgram(G.Game, Bot, FivePasted);
    EXPECT_TRUE(result.Applied);
    EXPECT_EQ(result.Error, "");
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(G.Registers(), (TIDs{"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup"}));
    for (const char* id : {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup"})
        EXPECT_EQ(G.State(id), csRegisterProgrammed) << id;
    for (const char* id : {"80RotateRight", "500Move1", "790Move3", "20UTurn"})
        EXPECT_EQ(G.State(id), csDealt) << id;
    EXPECT_EQ(Bot.GameNotes(), "Earlier.<br><br>Turn 2 (copy/paste)<br>----------<br><br>"
                               "Move 1 (490)<br>Rotate Left<br>U-Turn<br>Move 2 (670)<br>Backup (430)");
    ExpectLogged({"  Pasting: " + FivePasted, "  Found RegisterCards: 5", "  Found OtherRegisterCards: 0"});
}

TEST_F(PasteTest, ACardAndASecondOnOneLineFillARegisterAndOther)
{
    // The card earlier in the hand takes the register though named second (the parser's table
    // holds this order rule on its own).
    const std::string text = "Rotate Right Move 1 (490)\nRotate Left\nU-Turn\nMove 2 (670)\nBackup (430)\n";
    ASSERT_TRUE(AttemptToPasteProgram(G.Game, Bot, text).Applied);
    EXPECT_EQ(G.RegisterCard(Bot, 1), "490Move1");
    ASSERT_EQ(G.Others(), TIDs{"80RotateRight"});
    EXPECT_FALSE(Bot.ExtraRegisters()->Registers(0)->IsLocked());
    // As a drop on "Other" does: programmed, so it leaves the hand list.
    EXPECT_EQ(G.State("80RotateRight"), csRegisterProgrammed);
}

TEST_F(PasteTest, LockedRegistersStayAndTheRestIsReplacedAlsoFromOther)
{
    G.Program(Bot, 5, "20UTurn", true);
    G.Program(Bot, 1, "790Move3");
    G.AddOther(Bot, "500Move1");
    G.AddOther(Bot, "80RotateRight");
    ASSERT_TRUE(AttemptToPasteProgram(G.Game, Bot, "Move 1 (490)\nRotate Left\nRotate Right\nMove 2 (670)\nU-Turn  [Register 5 *LOCKED*]").Applied);
    EXPECT_EQ(G.Registers(), (TIDs{"490Move1", "70RotateLeft", "80RotateRight", "670Move2", "20UTurn"}));
    EXPECT_TRUE(Bot.Registers()->Registers(4)->IsLocked());
    EXPECT_EQ(G.State("20UTurn"), csRegisterLocked);
    // A card moved from "Other" into a register ends programmed.
    EXPECT_EQ(G.State("80RotateRight"), csRegisterProgrammed);
    // The old program went back to the hand; the emptied "Other" entries stay until the turn ends.
    EXPECT_EQ(G.State("790Move3"), csDealt);
    EXPECT_EQ(G.State("500Move1"), csDealt);
    EXPECT_EQ(G.Others(), (TIDs{"", ""}));
}

TEST_F(PasteTest, ALockedOtherCardMustBeNamedAndIsNotAddedTwice)
{
    G.AddOther(Bot, "790Move3", true);
    ASSERT_TRUE(AttemptToPasteProgram(G.Game, Bot, FivePasted + "  Move 3 (790)").Applied);
    EXPECT_EQ(G.Others(), TIDs{"790Move3"});
    EXPECT_TRUE(Bot.ExtraRegisters()->Registers(0)->IsLocked());
    EXPECT_EQ(G.State("790Move3"), csRegisterLocked);
    ExpectLogged({"  Found RegisterCards: 5", "  Found OtherRegisterCards: 1"});
}

TEST_F(PasteTest, AHugeLineOfOneNameTakesEachCardOfThatNameOnce)
{
    const std::string line = Repeated("U-Turn ", 200000);
    ASSERT_TRUE(AttemptToPasteProgram(G.Game, Bot, line + "\nRotate Left\nMove 2 (670)\nBackup (430)\nMove 3 (790)").Applied);
    EXPECT_EQ(G.Registers(), (TIDs{"10UTurn", "70RotateLeft", "670Move2", "430Backup", "790Move3"}));
    EXPECT_EQ(G.Others(), TIDs{"20UTurn"});
}

// ----------------------------------------------------------------------------- rejections

TEST_F(PasteTest, RejectedPastesShowTheirMessageAndChangeNothing)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xff);
    std::string megabyteLine(4 << 20, 'x');
    // Only a text of five lines or more is looked for cards; the log tells how many it found.
    const std::string tooShort = "Pasted string is not a valid program - must contain at least 5 lines";
    const std::string hasFour = "Pasted string is not a valid program.  Has 4 of this bot's Register cards, needs 5.";
    const auto lockRegister = [](int n, const char* id) { return [=](TPasteGame& g) { g.Program(g.Twonky, n, id, true); }; };
    const std::function<void(TPasteGame&)> asDealt = [](TPasteGame&) {};
    const std::string noCard = "\n\nLines that name no card of this bot's hand:";
    struct {
        const char* Name;
        std::function<void(TPasteGame&)> Setup;
        std::string Text;
        std::string Message;
        bool MessageStartsOnly = false;
    } cases[] = {
        {"four lines", asDealt, "Move 1 (490)\r\nRotate Left\r\nU-Turn\r\nMove 2 (670)", tooShort},
        {"four lines and blank ones after", asDealt, "\r\n Move 1 (490)\r\nRotate Left\r\nU-Turn\r\nMove 2 (670)\r\n\r\n \t\r\n", tooShort},
        {"nothing", asDealt, "", tooShort},
        {"one megabyte line", asDealt, megabyteLine, tooShort},
        {"a card not in the hand", asDealt, "Move 1 (490)\nRotate Left\nU-Turn\nMove 2 (670)\nMove 3 (840)",
            hasFour + noCard + "\nLine 5: Move 3 (840)"},
        {"letter case counts", asDealt, "move 1 (490)\nRotate Left\nU-Turn\nMove 2 (670)\nBackup (430)",
            hasFour + noCard + "\nLine 1: move 1 (490)"},
        // A greeting, an empty line and a long line cut to 60 characters, control characters blanked.
        {"what the player wrote instead", asDealt,
            "Hello\x01GM!\n\nMove 1 (490)\n" + Repeated("\xC3\xA9", 70) + "\nU-Turn",
            "Pasted string is not a valid program.  Has 2 of this bot's Register cards, needs 5." + noCard
                + "\nLine 1: Hello GM!\nLine 2: (empty)\nLine 4: " + Repeated("\xC3\xA9", 60) + "..."},
        {"binary bytes", asDealt, binary, "Pasted string is not a valid program.  Has 0 of this bot's Register cards, needs 5." + noCard,
            true},
        {"locked register 5 not matched", lockRegister(5, "20UTurn"), "Move 1 (490)\nRotate Left\nU-Turn\nMove 2 (670)\nMove 3 (790)",
            "Pasted Program does not match on locked register 5."},
        {"locked card on another line", lockRegister(2, "70RotateLeft"), "Rotate Left\nMove 1 (490)\nU-Turn\nMove 2 (670)\nBackup (430)",
            "Pasted Program does not match on locked register 2."},
        {"locked card named twice", lockRegister(5, "790Move3"), "Move 3 (790)\nRotate Left\nU-Turn\nMove 2 (670)\nMove 3 (790)",
            "Pasted Program does not match on locked register 5."},
        {"locked card named for Other", lockRegister(5, "790Move3"),
            "Move 1 (490) Move 3 (790)\nRotate Left\nU-Turn\nMove 2 (670)\nMove 3 (790)", "Pasted Program does not match on locked register 5."},
        {"locked extra card missing", [](TPasteGame& g) { g.AddOther(g.Twonky, "80RotateRight", true); }, FivePasted,
            "Pasted Program does not match on locked extra register.  Locked Program Card 80RotateRight is missing."},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TPasteGame g;
        ++LogNumber;
        NewLog();
        c.Setup(g);
        const std::string before = g.Saved();
        TMessageCapture messages;
        TPasteResult result = AttemptToPasteProgram(g.Game, g.Twonky, c.Text);
        EXPECT_FALSE(result.Applied);
        EXPECT_EQ(c.MessageStartsOnly ? result.Error.substr(0, c.Message.size()) : result.Error, c.Message);
        EXPECT_EQ(messages.Messages(), std::vector<std::string>{result.Error});
        EXPECT_EQ(g.Saved(), before);
        ExpectLogged({"  " + result.Error});
        EXPECT_EQ(LogText().find("  Found RegisterCards:") != std::string::npos, c.Message != tooShort);
    }
}

// ----------------------------------------------------------------------------- lines and parser

TEST(PastedLines, TrimTheTextSplitAtEveryLineEndAndStopEarly)
{
    struct { std::string Text; std::size_t Max; std::vector<std::string> Lines; } cases[] = {
        {"a\r\nb\rc\nd", 9, {"a", "b", "c", "d"}},
        {"  \r\n\r\na \r\n\r\n b  \r\n \t\r\n", 9, {"a ", "", " b"}},
        {"one", 5, {"one"}},
        {"", 5, {}},
        {" \n\r\n\t", 5, {}},
        {"1\n2\n3\n4\n5\n6\n7", 5, {"1", "2", "3", "4", "5"}},
        {"1\n2\n3\n4\n5   \n\n", 5, {"1", "2", "3", "4", "5"}},
        {std::string("a\0b\nc", 5), 5, {std::string("a\0b", 3), "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(PastedLines(c.Text, c.Max), c.Lines);
    }
}

TEST(ParsePastedProgram, RecognisesHandCardsLineByLine)
{
    struct {
        const char* Name;
        std::vector<std::string> Lines;
        std::function<void(TProgramGame&, TBot&)> Setup;
        TIDs Registers;
        TIDs Others;
    } cases[] = {
        {"a line without a card lets the next give two",
            {"hello", "Move 1 (490) Rotate Left", "U-Turn", "Move 2 (670)", "Backup (430)"}, {},
            {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup"}, {}},
        {"a name twice takes two cards of that name", {"U-Turn U-Turn", "", "", "", ""}, {}, {"10UTurn"}, {"20UTurn"}},
        {"further cards of a line go to Other", {"Move 2 (670) Move 1 (490) Backup (430)", "", "", "", ""}, {},
            {"490Move1"}, {"670Move2", "430Backup"}},
        {"lines after the fifth are not read", {"", "", "", "", "", "Move 1 (490)"}, {}, {}, {}},
        {"a name shared with a locked card means the free card",
            {"U-Turn", "Rotate Left", "Move 1 (490)", "Move 2 (670)", "U-Turn"},
            [](TProgramGame& g, TBot& bot) { g.Program(bot, 5, "10UTurn", true); },
            {"20UTurn", "70RotateLeft", "490Move1", "670Move2", "10UTurn"}, {}},
        {"a locked card first, then the line's next card goes to Other",
            {"Backup (430) Rotate Left", "", "", "", ""},
            [](TProgramGame& g, TBot& bot) { g.Program(bot, 1, "430Backup", true); }, {"430Backup"}, {"70RotateLeft"}},
        {"a card without a name is found nowhere", {"x", "", "", "", ""},
            [](TProgramGame& g, TBot&) {
                g.Card("490Move1").SetPriority(0);
                g.Card("490Move1").SetKind(ckUTurn);
                g.Card("490Move1").SetCardName("");
            },
            {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TProgramGame g;
        TBot& bot = g.Bot(btTwitch);
        g.Deal(bot, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "20UTurn"});
        if (c.Setup)
            c.Setup(g, bot);
        const std::string before = g.Saved();
        TPastedProgram program = ParsePastedProgram(bot, &g.Deck(), c.Lines);
        EXPECT_EQ(program.RegisterCards, c.Registers);
        EXPECT_EQ(program.OtherCards, c.Others);
        EXPECT_EQ(g.Saved(), before);
        // Without a deck no card is known.
        EXPECT_TRUE(ParsePastedProgram(bot, nullptr, c.Lines).RegisterCards.empty());
    }
}
