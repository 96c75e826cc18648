// The program itself run as a game master's script runs it, with no display: --export writes
// what the process-turn window's buttons write for the same phase, --pms prints what Make PMs
// shows, and bad input ends non-zero with nothing written.
//
//     test_app [GAME.cgx]
//
// takes the game to work on as its one argument; without one it plays a turn of its own. It
// writes into the game's folder beside the program, as the program does, and removes it again.
#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/ProgramUnt.h"
#include "render/GameFolderUnt.h"
#include "session/TurnCycleUnt.h"
#include "session/WorkflowFixture.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/WindowOutput.h"
#include "windows/frmBotPrivateMessageUnt.h"
#include "windows/frmMainUnt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

#ifdef __SANITIZE_ADDRESS__
// As in every test program: the leak checker must not follow the TLS blocks of Qt's plugins.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif

namespace {

std::string GivenGameFile;

struct TRun {
    int ExitCode = -1;
    std::string Output;
    std::string Errors;
};

// The program with no display at all: no X, no Wayland, no platform chosen.
TRun RunTool(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":intercept_tls_get_addr=0");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(COGLINE_EXECUTABLE), arguments);
    EXPECT_TRUE(process.waitForFinished(300000)) << arguments.join(' ').toStdString();
    TRun run;
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = process.readAllStandardOutput().toStdString();
    run.Errors = process.readAllStandardError().toStdString();
    return run;
}

} // namespace

// The reference data is the program's own, beside both programs.
class AppTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        SetLogFileName("");
        GameFile = GivenGameFile.empty() ? PlayedGame() : GivenGameFile;
        Session.LoadReferenceData();
        Session.OpenGame(GameFile);
        Output = GameFolder(Session.Game()->GameName());
        RemoveOutput();
    }
    void TearDown() override { RemoveOutput(); }

    void RemoveOutput() const { ASSERT_TRUE(QDir(QString::fromStdString(Output)).removeRecursively()); }
    bool OutputExists() const { return QFileInfo::exists(QString::fromStdString(Output)); }

    // A turn played to its last phase with three robots, made once for the whole run.
    std::string PlayedGame()
    {
        static QTemporaryDir folder;
        static std::string file;
        if (!file.empty())
            return file;
        SetRandSeed(4711);
        TGameSession session;
        session.LoadReferenceData();
        session.NewGame(*Settings(session, "Command Line League"));
        TGame& game = *session.Game();
        const TBotType robots[] = {btHammerBot, btTwonky, btZoomBot};
        for (TBotType type : robots)
            game.BotList()->FindByType(type)->SetInUseFlag(true);
        NextTurn(game);
        for (TBotType type : robots) {
            TBot& bot = *game.BotList()->FindByType(type);
            bot.SetPlayerName(BotTypeName(type) + " player");
            bot.SetDamage(static_cast<int>(type) % 4);
            for (int r = 0; r < 5; ++r)
                bot.Registers()->Registers(r)->ProgramWith(*game.ProgramDeck()->FindCard(bot.Hand()->Refs(r)->ID()));
        }
        const TUsedBoard* board = game.UsedBoardList()->Items(0);
        for (int phase = 0; phase <= 5; ++phase) {
            if (phase > 0)
                game.NextPhase();
            int column = 2;
            for (TBotType type : robots) {
                TChit* chit = game.CurrentPhase()->ChitList()->FindByID(BaseChitID(type));
                if (!chit)
                    ADD_FAILURE() << "no chit " << BaseChitID(type);
                else
                    chit->PlaceAt(board, column + phase, 11 - phase);
                ++column;
            }
        }
        game.CurrentTurn()->SetViewingPhaseNumber(5);
        file = folder.filePath("Command Line League.cgx").toStdString();
        session.SaveGame(file);
        return file;
    }

    std::string GameFile;
    std::string Output;
    TGameSession Session;
};

TEST_F(AppTest, ExportWritesWhatTheWindowWritesForTheSamePhase)
{
    TGame& game = *Session.Game();
    ASSERT_GT(game.TurnCount(), 0) << "a game with a turn to export";
    const std::string saved = ReadBytes(GameFile);
    const int current = std::min(game.CurrentPhaseNumber(), 5);
    // By default the phase the turn has reached; the start of the turn named.
    for (std::optional<int> phase : {std::optional<int>(), std::optional<int>(0)}) {
        SCOPED_TRACE(phase ? *phase : -1);
        QStringList arguments = {"--export", QString::fromStdString(GameFile)};
        if (phase)
            arguments << "--phase" << QString::number(*phase);
        const TRun run = RunTool(arguments);
        ASSERT_EQ(run.ExitCode, 0) << run.Errors;
        const TFileSet exported = FilesBelow(Output);
        std::vector<std::string> printed = PrintedLines(run.Output), written;
        for (const auto& [name, bytes] : exported)
            written.push_back(Output + name);
        std::sort(printed.begin(), printed.end());
        EXPECT_EQ(printed, written);
        RemoveOutput();

        Session.OpenGame(GameFile);
        ClickOutputButtons(Session, phase.value_or(current));
        ExpectSameOutput(FilesBelow(Output), exported);
        RemoveOutput();
    }
    EXPECT_EQ(ReadBytes(GameFile), saved);
}

TEST_F(AppTest, PmsPrintsWhatMakePMsShows)
{
    std::vector<std::string> shown;
    THookScope pm(ShowPrivateMessage, [&](const std::string& text) { shown.push_back(text); });
    THookScope quiet(AskSaveChanges, [](const std::string&) { return saDiscard; });
    {
        TGameSession session;
        TfrmMain window(session);
        session.OpenGame(GameFile);
        QAction* makePMs = window.findChild<QAction*>("mniMakePMs");
        ASSERT_NE(makePMs, nullptr);
        ASSERT_TRUE(makePMs->isEnabled()) << "a game whose robots get private messages";
        makePMs->trigger();
    }
    ASSERT_EQ(shown.size(), 1u);
    const TRun run = RunTool({"--pms", QString::fromStdString(GameFile)});
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    EXPECT_TRUE(run.Output == shown[0]) << run.Output;
    EXPECT_FALSE(OutputExists());
}

TEST_F(AppTest, BadInputEndsNonZeroWithAReasonAndWritesNothing)
{
    const int turns = Session.Game()->TurnCount();
    const QString game = QString::fromStdString(GameFile);
    QTemporaryDir folder;
    const QString missing = folder.filePath("Missing.cgx");
    const QString cut = folder.filePath("Cut.cgx");
    const std::string bytes = ReadBytes(GameFile);
    WriteBytes(cut.toStdString(), bytes.substr(0, bytes.size() / 2));
    const std::pair<QStringList, std::string> cases[] = {
        {{"--export", missing}, "does not exist"},
        {{"--pms", missing}, "does not exist"},
        {{"--export", cut}, "cannot be opened"},
        {{"--export", game, "--turn", QString::number(turns + 1)}, Format("no turn %d", turns + 1)},
        {{"--export", game, "--phase", "6"}, "no phase 6"},
        {{"--export", game, "--phase", "six"}, "not \"six\""},
        {{"--turn", "1", game}, "--turn and --phase go with --export"},
    };
    for (const auto& [arguments, says] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const TRun run = RunTool(arguments);
        EXPECT_GT(run.ExitCode, 0);
        EXPECT_EQ(run.Output, "");
        EXPECT_NE(run.Errors.find(says), std::string::npos) << run.Errors;
        EXPECT_FALSE(OutputExists());
    }
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [GAME.cgx]\n", argv[0]);
        return 2;
    }
    if (argc == 2)
        GivenGameFile = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString();
    return RUN_ALL_TESTS();
}
