#include "session/CommandLineUnt.h"

#include "session/ProcessFixture.h"

#include <gtest/gtest.h>

#include <QDir>

#include <optional>

namespace {

TEST(CommandLineTest, AnswersHelpVersionAndTakesOneGameFileOrAnExport)
{
    struct TCase {
        QStringList Arguments;
        bool Exit;
        int ExitCode;
        const char* OutputHas;
        std::string GameFile;
        TCommandLineAction Action = caWindow;
        std::optional<int> Turn = {};
        std::optional<int> Phase = {};
    };
    const std::string here = QDir::currentPath().toStdString();
    const TCase cases[] = {
        {{"cgt"}, false, 0, "", ""},
        {{"cgt", "--help"}, true, 0, "[game.cgx]", ""},
        {{"cgt", "-h"}, true, 0, "--version", ""},
        {{"cgt", "--version"}, true, 0, "Cogline Turn Generator " COGLINE_VERSION, ""},
        // A relative name is taken from the folder the tool was started in.
        {{"cgt", "League.cgx"}, false, 0, "", here + "/League.cgx"},
        {{"cgt", "/games/My League.cgx"}, false, 0, "", "/games/My League.cgx"},
        {{"cgt", "a.cgx", "b.cgx"}, true, 2, "one game file", ""},
        {{"cgt", "--bogus"}, true, 2, "bogus", ""},

        {{"cgt", "--export", "League.cgx"}, false, 0, "", here + "/League.cgx", caExport},
        {{"cgt", "--phase", "0", "--export=/g/L.cgx", "--turn", "12"}, false, 0, "", "/g/L.cgx", caExport, 12, 0},
        // The game's turns and phases decide which numbers exist.
        {{"cgt", "--export", "L.cgx", "--phase", "-1"}, false, 0, "", here + "/L.cgx", caExport, {}, -1},
        {{"cgt", "--pms", "L.cgx"}, false, 0, "", here + "/L.cgx", caPrivateMessages},
        {{"cgt", "--export", "L.cgx", "--turn", "two"}, true, 2, "--turn needs a whole number, not \"two\"", ""},
        {{"cgt", "--export", "L.cgx", "--phase", "2.5"}, true, 2, "--phase needs a whole number, not \"2.5\"", ""},
        {{"cgt", "--turn", "1", "L.cgx"}, true, 2, "go with --export", ""},
        {{"cgt", "--pms", "L.cgx", "--phase", "1"}, true, 2, "go with --export", ""},
        {{"cgt", "--export", "a.cgx", "--pms", "b.cgx"}, true, 2, "either --export or --pms", ""},
        {{"cgt", "--export", "a.cgx", "b.cgx"}, true, 2, "once, after --export", ""},
        {{"cgt", "--export="}, true, 2, "--export needs a game file", ""},
        {{"cgt", "--pms"}, true, 2, "pms", ""},
    };
    for (const TCase& c : cases) {
        const TCommandLine line = ParseCommandLine(c.Arguments);
        const std::string shown = c.Arguments.join(' ').toStdString();
        EXPECT_EQ(line.Exit, c.Exit) << shown;
        EXPECT_EQ(line.ExitCode, c.ExitCode) << shown;
        EXPECT_NE(line.Output.find(c.OutputHas), std::string::npos) << shown << ": " << line.Output;
        EXPECT_EQ(line.GameFile, c.GameFile) << shown;
        if (!line.Exit) {
            EXPECT_EQ(line.Action, c.Action) << shown;
            EXPECT_EQ(line.Turn, c.Turn) << shown;
            EXPECT_EQ(line.Phase, c.Phase) << shown;
        }
    }
    const std::string help = ParseCommandLine({"cgt", "--help"}).Output;
    for (const char* option : {"--export <game.cgx>", "--turn <n>", "--phase <p>", "--pms <game.cgx>"})
        EXPECT_NE(help.find(option), std::string::npos) << option << " in " << help;
}

TEST(CommandLineTest, ExportAndPrivateMessagesAreToldBeforeTheApplicationExists)
{
    const std::pair<QStringList, bool> cases[] = {
        {{"cgt", "--export", "L.cgx"}, true},
        {{"cgt", "-platform", "xcb", "--pms=L.cgx"}, true},
        {{"cgt", "--phase", "1", "L.cgx"}, true},
        {{"cgt", "L.cgx"}, false},
        {{"cgt", "--exporter"}, false},
        // After "--" a file may be called anything.
        {{"cgt", "--", "--export"}, false},
        {{"--export"}, false},
    };
    for (const auto& [arguments, windowless] : cases)
        EXPECT_EQ(RunsWithoutWindows(arguments), windowless) << arguments.join(' ').toStdString();
}

// The small game's first turn, and a second one at phase 3.
using ExportChoiceTest = ProcessTest;

TEST_F(ExportChoiceTest, OnlyTheLastTurnAtAPhaseItHasReached)
{
    NextTurn(*Game);
    GoToPhase(3, 1);
    struct TCase {
        std::optional<int> Turn;
        std::optional<int> Phase;
        int Chosen;
        const char* ErrorHas;
    };
    const TCase cases[] = {
        // The phase reached, not the one viewed.
        {{}, {}, 3, ""},
        {2, 0, 0, ""},
        {{}, 3, 3, ""},
        {1, {}, -1, "Turn 1 cannot be exported: only the last turn of the game \"League\", turn 2, can be."},
        {3, {}, -1, "has no turn 3: its turns are 1 to 2"},
        {0, 0, -1, "has no turn 0"},
        {-1, {}, -1, "has no turn -1"},
        {{}, 4, -1, "Phase 4 of turn 2 cannot be exported yet: the turn has reached phase 3, so give a phase from 0 to 3."},
        {2, 6, -1, "There is no phase 6: a turn has phases 0 to 5."},
        {{}, -1, -1, "There is no phase -1"},
    };
    for (const TCase& c : cases) {
        const TExportPhase chosen = ChooseExportPhase(*Game, c.Turn, c.Phase);
        SCOPED_TRACE(::testing::Message() << c.Turn.value_or(-99) << "/" << c.Phase.value_or(-99));
        EXPECT_EQ(chosen.Phase, c.Chosen);
        if (*c.ErrorHas)
            EXPECT_NE(chosen.Error.find(c.ErrorHas), std::string::npos) << chosen.Error;
        else
            EXPECT_EQ(chosen.Error, "");
    }

    // A damaged file's phase: beyond the last the turn has reached phase 5, below 0 nothing.
    Game->CurrentTurn()->SetCurrentPhaseNumber(9);
    EXPECT_EQ(ChooseExportPhase(*Game, {}, {}).Phase, 5);
    Game->CurrentTurn()->SetCurrentPhaseNumber(-2);
    EXPECT_NE(ChooseExportPhase(*Game, {}, 0).Error.find("stands at phase -2"), std::string::npos);

    TGame bare;
    EXPECT_NE(ChooseExportPhase(bare, {}, {}).Error.find("has no turn yet"), std::string::npos);
}

TEST_F(ExportChoiceTest, PrivateMessagesNeedATurnAndARobotInPlay)
{
    EXPECT_EQ(PrivateMessagesError(*Game), "");
    std::vector<std::string> names;
    for (const TBot* bot : BotsInPlay(*Game))
        names.push_back(bot->BotTypeName());
    EXPECT_EQ(names, (std::vector<std::string> {"Hammer Bot", "Twonky", "Zoom Bot"}));

    TGame bare;
    EXPECT_NE(PrivateMessagesError(bare).find("No robot"), std::string::npos);
    bare.BotList()->FindByType(btTwonky)->SetInUseFlag(true);
    EXPECT_NE(PrivateMessagesError(bare).find("no turn yet"), std::string::npos);
}

} // namespace
