// The command line's --export and --pms run in the test program: they write what the
// process-turn window's buttons and the main window's Make PMs give for the same game, leave
// the game file as it was, and refuse bad input without writing anything.
#include "windows/ExportUnt.h"

#include "render/GameFolderUnt.h"
#include "session/CommandLineUnt.h"
#include "session/ProcessFixture.h"
#include "windows/MainWindowFixture.h"
#include "windows/WindowOutput.h"
#include "windows/frmBotPrivateMessageUnt.h"

#include <QDir>
#include <QFile>

#include <optional>

namespace {

TCommandLine ExportLine(const std::string& file, std::optional<int> turn = {}, std::optional<int> phase = {})
{
    TCommandLine line;
    line.Action = caExport;
    line.GameFile = file;
    line.Turn = turn;
    line.Phase = phase;
    return line;
}

} // namespace

// A turn played to phase 5 on the small map, a robot moving in each phase, saved to a file;
// a copy saved on the way, at phase 2.
class ExportTest : public ProcessTest {
protected:
    void SetUp() override
    {
        ProcessTest::SetUp();
        for (const char* name : {"PhaseTemplate.txt", "TurnTemplate.txt"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(COGLINE_SOURCE_DIR "/data/") + name, QString::fromStdString(Folder + name)));
        Game->BotList()->FindByType(btZoomBot)->SetPlayerName("Zoe");
        Game->BotList()->FindByType(btHammerBot)->SetDamage(3);
        for (int r = 1; r <= 5; ++r) {
            Program(btZoomBot, r, 100 * r + 10);
            Program(btHammerBot, r, 100 * r + 20);
        }
        Place("HammerBot", 1, 0, 6, 6);
        for (int phase = 0; phase <= LastPhaseNumber; ++phase) {
            GoToPhase(phase, phase);
            Place("ZoomBot", 0, 0, 2 + phase, 11 - phase);
            if (phase == 2)
                Session.SaveGame(Folder + "At Phase 2.cgx");
        }
        Session.SaveGame(GameFile());
    }

    std::string GameFile() const { return Folder + "Played.cgx"; }
    std::string Output() const { return GameFolder("League"); }

    // Every file of the executable's folder: the reference data, the games and their output.
    TFileSet Everything() const { return FilesBelow(Folder); }
};

TEST_F(ExportTest, WritesWhatTheWindowWritesForAPhaseAndTheLastPhaseByDefault)
{
    const std::string saved = ReadBytes(GameFile());
    for (std::optional<int> phase : {std::optional<int>(0), std::optional<int>(3), std::optional<int>()}) {
        SCOPED_TRACE(phase ? *phase : -1);
        Session.OpenGame(GameFile());
        ClickOutputButtons(Session, phase.value_or(LastPhaseNumber));
        const TFileSet window = FilesBelow(Output());
        ASSERT_TRUE(QDir(QString::fromStdString(Output())).removeRecursively());

        int opened = 0;
        THookScope opener(OpenWithDesktop, [&](const std::string&) { return ++opened > 0; });
        const TCommandOutput run = RunWithoutWindows(ExportLine(GameFile(), {}, phase));
        EXPECT_EQ(run.ExitCode, 0) << run.Errors;
        EXPECT_EQ(opened, 0);
        const TFileSet exported = FilesBelow(Output());
        ExpectSameOutput(window, exported);
        // The files written, one per line: the map, the boards, then the reports.
        std::vector<std::string> printed = PrintedLines(run.Output);
        ASSERT_EQ(printed.size(), exported.size());
        EXPECT_TRUE(printed.front().ends_with("/Full - Turn 1, Phase " + std::to_string(phase.value_or(5)) + ".jpg"))
            << printed.front();
        std::sort(printed.begin(), printed.end());
        auto name = exported.begin();
        for (const std::string& path : printed)
            EXPECT_EQ(path, Output() + (name++)->first);
        ASSERT_TRUE(QDir(QString::fromStdString(Output())).removeRecursively());
    }
    // Viewing another phase is never saved.
    EXPECT_EQ(ReadBytes(GameFile()), saved);
}

TEST_F(ExportTest, BadInputExitsWithAReasonAndWritesNothing)
{
    const std::string played = ReadBytes(GameFile());
    WriteBytes(Folder + "Cut.cgx", played.substr(0, played.size() / 2));
    WriteBytes(Folder + "Text.cgx", "a game, they said\r\n");
    TGame bare;
    bare.SetGameName("League");
    bare.SaveToGameFile(Folder + "No Turn.cgx");
    struct TCase {
        TCommandLine Line;
        std::string Says;
    };
    TCommandLine pmsOfBare = ExportLine(Folder + "No Turn.cgx");
    pmsOfBare.Action = caPrivateMessages;
    const TCase cases[] = {
        {ExportLine(Folder + "Missing.cgx"), "\"" + Folder + "Missing.cgx\" does not exist"},
        {ExportLine(Folder), "cannot be opened"},
        {ExportLine(Folder + "Cut.cgx"), "cannot be opened"},
        {ExportLine(Folder + "Text.cgx"), "cannot be opened"},
        {ExportLine(GameFile(), 2), "no turn 2: its only turn is turn 1"},
        {ExportLine(GameFile(), 1, 6), "no phase 6"},
        {ExportLine(Folder + "At Phase 2.cgx", 1, 3), "has reached phase 2, so give a phase from 0 to 2"},
        {ExportLine(Folder + "No Turn.cgx"), "has no turn yet"},
        {pmsOfBare, "No robot"},
    };
    const TFileSet before = Everything();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line.GameFile);
        const TCommandOutput run = RunWithoutWindows(c.Line);
        EXPECT_NE(run.ExitCode, 0);
        EXPECT_EQ(run.Output, "");
        EXPECT_NE(run.Errors.find(c.Says), std::string::npos) << run.Errors;
        EXPECT_TRUE(Everything() == before);
    }

    // A file where the game folder goes: the writing fails with its error.
    WriteBytes(Output().substr(0, Output().size() - 1), "");
    const TCommandOutput blocked = RunWithoutWindows(ExportLine(GameFile()));
    EXPECT_NE(blocked.ExitCode, 0);
    EXPECT_EQ(blocked.Errors.rfind("Exception EFileError: ", 0), 0u) << blocked.Errors;
}

TEST_F(ProgramTabTest, PrivateMessagesAreThoseOfMakePMs)
{
    Bot(btZoomBot).SetPlayerName("Zoe");
    Bot(btTwonky).SetDamage(4);
    const std::string file = Folder + "League.cgx";
    Session->SaveGame(file);
    std::vector<std::string> shown;
    THookScope pm(ShowPrivateMessage, [&](const std::string& text) { shown.push_back(text); });
    Item("mniMakePMs")->trigger();
    ASSERT_EQ(shown.size(), 1u);

    TCommandLine line;
    line.Action = caPrivateMessages;
    line.GameFile = file;
    const TCommandOutput run = RunWithoutWindows(line);
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    EXPECT_EQ(run.Output, shown[0]);
}
