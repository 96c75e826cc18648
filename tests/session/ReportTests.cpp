// The report templates filled byte for byte: the fields and their order of replacement, the
// end-of-file character, line ends, the robots' programs and damage, the map's picture tags,
// token registration, and the files written for the process-turn window.
#include "session/ReportUnt.h"
#include "support/TextUnt.h"

#include "model/BoardUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "model/TurnUnt.h"
#include "model/UsedBoardUnt.h"
#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "common/ProgramGame.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

namespace {

struct TCell {
    int X;
    int Y;
};

class ReportTest : public ::testing::Test {
protected:
    ReportTest()
    {
        BuildBoardList(Boards);
        BuildProgramCards(*Game.CreateObject<TProgramDeck>());
        Game.SetGameName("League");
        Game.SetBoardList(&Boards);
    }

    void StartTurns(int turns, int viewing)
    {
        for (int i = 0; i < turns; ++i)
            Game.TurnList()->AddTurn();
        Game.CurrentTurn()->SetViewingPhaseNumber(viewing);
    }

    TBot& Bot(TBotType type, const std::string& player)
    {
        TBot& bot = *Game.BotList()->FindByType(type);
        bot.SetInUseFlag(true);
        bot.SetPlayerName(player);
        return bot;
    }

    void Program(TBot& bot, int r, int priority) { ProgramPriority(Game, bot, r, priority); }

    void Layout(const std::vector<TCell>& cells)
    {
        for (const TCell& cell : cells) {
            TUsedBoard placed(&Boards, Boards.Items(0), cell.X, cell.Y);
            Game.UsedBoardList()->AddUsedBoard(placed);
        }
    }

    std::string Generate(const std::string& templateText)
    {
        TBaseReport report(Game);
        return report.GenerateText(templateText);
    }

    TBoardList Boards;
    TGame Game;
};

} // namespace

TEST_F(ReportTest, FieldsAndTemplateTextByteForByte)
{
    struct TCase {
        const char* Name;
        int Turns;
        int Viewing;
        std::string Template;
        std::string Expected;
    };
    const TCase cases[] = {
        {"both numbers", 3, 2, "Turn <%TurnNbr%>, phase <%PhaseNbr%>", "Turn 3, phase 2\r\n"},
        {"another case is left", 3, 2, "<%turnnbr%> <%TURNNBR%>", "<%turnnbr%> <%TURNNBR%>\r\n"},
        {"a field twice", 12, 0, "<%TurnNbr%><%TurnNbr%>", "1212\r\n"},
        {"unknown fields stay", 1, 0, "<%Nothing%> <%TurnNbr <%%>", "<%Nothing%> <%TurnNbr <%%>\r\n"},
        {"placeholders", 1, 0, "<%BotMoves%>|<%BoardEffects%>|<%BotEffects%>",
            "[Insert bot movements]|[Insert board effects]|[Insert bot effects]\r\n"},
        {"score board", 3, 5, "<%ScoreBoard%>", "[img]Score Board Turn 3.jpg[/img]\r\n"},
        {"no turn yet", 0, 0, "<%TurnNbr%>:<%PhaseNbr%>:<%ScoreBoard%>", "0::[img]Score Board Turn 0.jpg[/img]\r\n"},
        {"every line end becomes CR LF", 1, 0, "a\nb\rc\r\n\r\nd", "a\r\nb\r\nc\r\n\r\nd\r\n"},
        {"empty template", 1, 0, "", ""},
        {"end-of-file character alone on the last line", 1, 0, "A\r\nB\r\n\x1a", "A\r\nB\r\n"},
        {"end-of-file character after the last line's text", 1, 0, "A\r\nB\x1a", "A\r\nB\r\n"},
        {"only the first one of the last line goes", 1, 0, "A\r\n\x1a" "B\x1a", "A\r\nB\x1a\r\n"},
        {"earlier lines keep theirs", 1, 0, "\x1a\r\nB", "\x1a\r\nB\r\n"},
        {"a last line that is only the character, then a line end", 1, 0, "A\n\x1a\n", "A\r\n"},
        {"Windows-1252 template", 1, 0, "Caf\xe9 <%TurnNbr%>", "Caf\xc3\xa9 1\r\n"},
        {"byte-order mark", 1, 0, "\xef\xbb\xbf<%TurnNbr%>", "1\r\n"},
        {"no robot damaged leaves an empty line", 1, 0, "Damage\r\n<%BotDamage%>\r\nEnd", "Damage\r\n\r\nEnd\r\n"},
        {"no robot in use", 1, 0, "<%BotProgram%>", "\r\n"},
    };
    for (const TCase& c : cases) {
        TGame game;
        BuildProgramCards(*game.CreateObject<TProgramDeck>());
        game.SetGameName("League");
        for (int i = 0; i < c.Turns; ++i)
            game.TurnList()->AddTurn();
        if (c.Turns > 0)
            game.CurrentTurn()->SetViewingPhaseNumber(c.Viewing);
        TBaseReport report(game);
        EXPECT_EQ(report.GenerateText(c.Template), c.Expected) << c.Name;
    }
}

TEST_F(ReportTest, BotProgramListsTheRobotsInTheWindowsOrderWithEmptyRegistersLast)
{
    StartTurns(1, 2);
    TBot& hammer = Bot(btHammerBot, "Hal");
    TBot& zoom = Bot(btZoomBot, "Zoe");
    TBot& twonky = Bot(btTwonky, "Tom");
    TBot& spin = Bot(btSpinBot, "Sam");
    Game.BotList()->FindByType(btTwitch)->SetPlayerName("not in play");
    Program(hammer, 2, 500);
    Program(zoom, 2, 670);
    Program(twonky, 1, 490); // another register: nothing in the one phase 2 shows
    spin.Registers()->Registers(1)->SetCardID("NotInTheDeck");
    EXPECT_EQ(Generate("<%BotProgram%>"),
        "Zoe (Zoom Bot) : Move 2 (670)\r\n"
        "Hal (Hammer Bot) : Move 1 (500)\r\n"
        "Sam (Spin Bot) : \r\n"
        "Tom (Twonky) : \r\n\r\n");

    // The start of the turn shows the cards of register 1, like phase 1.
    Game.CurrentTurn()->SetViewingPhaseNumber(0);
    const std::string start = Generate("<%BotProgram%>");
    Game.CurrentTurn()->SetViewingPhaseNumber(1);
    EXPECT_EQ(start, Generate("<%BotProgram%>"));
    EXPECT_EQ(start.substr(0, start.find("\r\n")), "Tom (Twonky) : Move 1 (490)");
}

TEST_F(ReportTest, FieldsWrittenByAFieldAreFilledOnlyByFieldsLaterInTheOrder)
{
    StartTurns(4, 3);
    Bot(btZoomBot, "Turn <%TurnNbr%> in <%PhaseNbr%> <%BotProgram%> <%turnnbr%>");
    EXPECT_EQ(Generate("<%BotProgram%>"), "Turn 4 in <%PhaseNbr%> <%BotProgram%> <%turnnbr%> (Zoom Bot) : \r\n\r\n");
    // Damage comes after the map: a map field in a name is left, a score board field is filled.
    Bot(btHammerBot, "<%Map%><%ScoreBoard%>").SetDamage(3);
    EXPECT_EQ(Generate("<%BotDamage%>"), "<%Map%>[img]Score Board Turn 4.jpg[/img] (Hammer Bot) : 3\r\n\r\n");
    // A line end in a player's name is a line end of the file.
    Game.BotList()->FindByType(btHammerBot)->SetPlayerName("A\nB");
    EXPECT_EQ(Generate("<%BotDamage%>"), "A\r\nB (Hammer Bot) : 3\r\n\r\n");
}

TEST_F(ReportTest, BotDamageListsDamagedRobotsInPlayInBotListOrder)
{
    StartTurns(1, 0);
    Bot(btZoomBot, "Zoe").SetDamage(4);
    Bot(btTwonky, "Tom");
    Bot(btSpinBot, "Sam").SetDamage(1);
    Game.BotList()->FindByType(btHammerBot)->SetDamage(7); // not in play
    EXPECT_EQ(Generate("<%BotDamage%>"), "Sam (Spin Bot) : 1\r\nZoe (Zoom Bot) : 4\r\n\r\n");
}

TEST_F(ReportTest, MapGivesOneLineOfPictureTagsPerColumn)
{
    struct TCase {
        const char* Name;
        std::vector<TCell> Cells;
        std::string Expected;
    };
    const TCase cases[] = {
        {"one column of two rows", {{0, 0}, {0, 1}},
            "[bigimg](0, 0) - Turn 3, Phase 2.jpg[/bigimg][bigimg](0, 1) - Turn 3, Phase 2.jpg[/bigimg]\r\n"},
        {"two columns of one row", {{1, 0}, {0, 0}},
            "[bigimg](0, 0) - Turn 3, Phase 2.jpg[/bigimg]\r\n[bigimg](1, 0) - Turn 3, Phase 2.jpg[/bigimg]\r\n"},
        {"an empty cell adds nothing", {{0, 0}, {1, 0}, {0, 1}},
            "[bigimg](0, 0) - Turn 3, Phase 2.jpg[/bigimg][bigimg](0, 1) - Turn 3, Phase 2.jpg[/bigimg]\r\n"
            "[bigimg](1, 0) - Turn 3, Phase 2.jpg[/bigimg]\r\n"},
        {"an empty column still ends its line", {{0, 0}, {2, 0}},
            "[bigimg](0, 0) - Turn 3, Phase 2.jpg[/bigimg]\r\n\r\n[bigimg](2, 0) - Turn 3, Phase 2.jpg[/bigimg]\r\n"},
        {"no map", {}, ""},
        {"a cell holding two boards, and one off the grid", {{0, 0}, {0, 0}, {-1, 0}},
            "[bigimg](0, 0) - Turn 3, Phase 2.jpg[/bigimg]\r\n"},
        {"a damaged file's far-off board", {{0, 0}, {2000000000, 3}},
            "[bigimg](0, 0) - Turn 3, Phase 2.jpg[/bigimg]" + Repeated("\r\n", MaxReportMapColumns)},
    };
    for (const TCase& c : cases) {
        TGame game;
        game.SetGameName("League");
        for (int i = 0; i < 3; ++i)
            game.TurnList()->AddTurn();
        game.CurrentTurn()->SetViewingPhaseNumber(2);
        for (const TCell& cell : c.Cells) {
            TUsedBoard placed(&Boards, Boards.Items(0), cell.X, cell.Y);
            game.UsedBoardList()->AddUsedBoard(placed);
        }
        TBaseReport report(game);
        // The template's own line end follows the field's last one.
        EXPECT_EQ(report.GenerateText("<%Map%>"), c.Expected + "\r\n") << c.Name;
    }
}

TEST(Report, AddTokenReplacesAnyCaseAndAppendsEveryHandlerRunningOncePerGenerate)
{
    std::map<std::string, int> calls;
    auto handler = [&calls](const char* text) {
        return [&calls, text](const std::string& name, TRootObject* context, std::string& value) {
            ++calls[name];
            value = context ? text : "no context";
        };
    };
    TGame context;
    TReport report(&context);
    report.AddToken("mapx", handler("lower"));
    report.AddToken("Other", handler("other <%MAPX%>"));
    report.AddToken("MapX", handler("mixed"));
    report.AddToken("MAPX", handler("upper"));
    std::vector<std::string> names;
    for (const TReportToken& token : report.Tokens())
        names.push_back(token.Name);
    EXPECT_EQ(names, (std::vector<std::string> {"Other", "MAPX"}));
    // Other now comes first, so the field it writes is filled by MAPX.
    EXPECT_EQ(report.GenerateText("<%MAPX%> <%mapx%> <%Other%>"), "upper <%mapx%> other upper\r\n");
    EXPECT_EQ(report.GenerateText("nothing"), "nothing\r\n");
    EXPECT_EQ(calls, (std::map<std::string, int> {{"MAPX", 2}, {"Other", 2}}));

    TReport empty(nullptr);
    empty.AddToken("F", handler("x"));
    EXPECT_EQ(empty.GenerateText("<%F%>"), "no context\r\n");
}

TEST(Report, ReplacingIsOnePassAndLineEndsAreNormalised)
{
    EXPECT_EQ(ReplaceAll("<%A%><%A%>x<%A%", "<%A%>", "<%A%><%A%>"), "<%A%><%A%><%A%><%A%>x<%A%");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReportFileText("a\r\r\nb\n\rc"), "a\r\n\r\nb\r\n\r\nc\r\n");
    EXPECT_EQ(ReportFileText(std::string("a\0b", 3)), std::string("a\0b\r\n", 5));
}

// Reports written beside a temporary executable, as the process-turn window writes them.
class ReportFileTest : public ReportTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        Folder = FDir.path().toStdString() + "/";
        SetExecutableFolder(Folder);
        SetLogFileName("");
        StartTurns(3, 2);
        Layout({{0, 0}});
        Bot(btZoomBot, "Zoe").SetDamage(2);
    }

    std::string Folder;

private:
    QTemporaryDir FDir;
    TExecutableFolderScope FFolderScope;
};

TEST_F(ReportFileTest, PhaseAndTurnReportsFillTheirTemplatesIntoTheGameFolder)
{
    WriteBytes(Folder + "PhaseTemplate.txt", "Turn <%TurnNbr%>, Phase <%PhaseNbr%>\n<%BotDamage%>");
    WriteBytes(Folder + "TurnTemplate.txt", "End of turn <%TurnNbr%>\r\n<%ScoreBoard%>\r\n\x1a");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder + "League")));

    EXPECT_EQ(PhaseReportFileName(Game), Folder + "League/Turn 3, Phase 2.txt");
    EXPECT_EQ(WritePhaseReport(Game), Folder + "League/Turn 3, Phase 2.txt");
    EXPECT_EQ(ReadBytes(Folder + "League/Turn 3, Phase 2.txt"), "Turn 3, Phase 2\r\nZoe (Zoom Bot) : 2\r\n\r\n");

    EXPECT_EQ(WriteTurnReport(Game), Folder + "League/Turn 3.txt");
    EXPECT_EQ(ReadBytes(Folder + "League/Turn 3.txt"), "End of turn 3\r\n[img]Score Board Turn 3.jpg[/img]\r\n");

    // A missing template still writes its report, empty, over the old one.
    QFile::remove(QString::fromStdString(Folder + "TurnTemplate.txt"));
    EXPECT_EQ(WriteTurnReport(Game), Folder + "League/Turn 3.txt");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Folder + "League/Turn 3.txt")));
    EXPECT_EQ(ReadBytes(Folder + "League/Turn 3.txt"), "");
}

TEST_F(ReportFileTest, AReportThatCannotBeWrittenRaisesAndKeepsTheOldFile)
{
    TBaseReport report(Game);
    WriteBytes(Folder + "template.txt", "<%TurnNbr%>");
    // No game folder yet: the file system's error reaches the caller.
    EXPECT_THROW(report.Generate(Folder + "template.txt", Folder + "Missing/Turn 3.txt"), EFileError);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Folder + "Missing/Turn 3.txt")));
    // A template that is a folder cannot be read.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder + "folder.txt")));
    WriteBytes(Folder + "out.txt", "old");
    EXPECT_THROW(report.Generate(Folder + "folder.txt", Folder + "out.txt"), EFileError);
    EXPECT_EQ(ReadBytes(Folder + "out.txt"), "old");
    EXPECT_EQ(report.Generate(Folder + "template.txt", Folder + "out.txt"), "3\r\n");
    EXPECT_EQ(ReadBytes(Folder + "out.txt"), "3\r\n");
}
