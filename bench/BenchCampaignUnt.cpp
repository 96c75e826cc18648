#include "BenchCampaignUnt.h"
#include "BenchTimingUnt.h"

#include "model/GameUnt.h"
#include "session/GameSessionUnt.h"
#include "support/NotifyUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/frmMainUnt.h"

#include <QAction>
#include <QCoreApplication>
#include <QListWidget>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void Line(const char* measure, double milliseconds, const char* what)
{
    std::printf("%-16s ours %9.2f ms   (absolute; %s)\n", measure, milliseconds, what);
}

} // namespace

void ReportPlaySteps(const std::string& gameFile, int runs)
{
    RunBenchChild({"--play-steps", QString::fromStdString(gameFile), QString::number(runs)}, "play-steps", 1800000);
}

int RunPlayStepsChild(int argc, char** argv)
{
    TApplication application(argc, argv);
    TMessageCapture quiet;
    const std::string gameFile = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    // The recovery files go to a folder of their own, beside a copy of the game.
    QTemporaryDir dir;
    const std::string copy = dir.path().toStdString() + "/campaign.cgx";
    QFile::copy(QString::fromStdString(gameFile), QString::fromStdString(copy));

    TGameSession session;
    TfrmMain window(session);
    window.show();
    window.OpenGameAtStart(copy);
    TGame* game = session.Game();
    if (!game || !quiet.Messages().empty()) {
        std::printf("play steps       skipped: %s\n", quiet.Messages().empty() ? "the game did not open" : quiet.Messages()[0].c_str());
        return 0;
    }

    // The recovery write: what the window waits for (the game's text copied), and the whole
    // write with the compression on its own thread.
    auto change = [&] {
        session.FinishAutosave();
        session.MarkChanged(gcBotFields);
    };
    const double waited = Time(runs, [&] { session.Autosave(); }, change);
    const double whole = Time(runs,
        [&] {
            session.Autosave();
            session.FinishAutosave();
        },
        change);
    Line("autosave", waited, "the step's own wait: the game's text copied");
    Line("  whole write", whole, "with the compression and the file, on its thread");
    if (!session.FinishAutosave().empty())
        std::printf("autosave failed: %s\n", session.FinishAutosave().c_str());

    // Selecting a robot in the main window, the Program tab shown.
    auto* list = window.findChild<QListWidget*>("lstBotsInPlay");
    window.findChild<QTabWidget*>("pgeBot")->setCurrentIndex(0);
    int row = 0;
    const double select = Time(runs * 4, [&] { list->setCurrentRow(row); }, [&] { row = (row + 1) % std::max(1, list->count()); });
    Line("select robot", select, "the main window, Program tab");

    // Next Turn in the main window: the deal, the window's refresh and the recovery write's wait.
    auto* nextTurn = window.findChild<QAction*>("mniNextTurn");
    const int before = game->TurnCount();
    // Each turn is played to its last phase first, as Next Turn asks.
    const double turn = Time(runs, [&] { nextTurn->trigger(); },
        [&] {
            while (game->NextPhase()) {
            }
            session.MarkChanged(gcPhase);
            session.FinishAutosave();
        });
    Line("next turn", turn, "the main window's command, recovery write included");
    if (game->TurnCount() != before + runs)
        std::printf("next turn did not add the turns\n");
    session.FinishAutosave();
    return 0;
}
