#include "BenchPasteUnt.h"
#include "BenchTimingUnt.h"

#include "model/BotUnt.h"
#include "model/DeckUnt.h"
#include "model/GameUnt.h"
#include "model/UsedBoardUnt.h"
#include "support/NotifyUnt.h"
#include "support/TextUnt.h"
#include "windows/ApplicationUnt.h"
#include "session/GameSessionUnt.h"
#include "session/ProgramRulesUnt.h"
#include "session/SettingsUnt.h"
#include "windows/frmMainUnt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QShortcut>
#include <QTabWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Milliseconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A forum page as a player might paste it below the program: lines of about 60 characters.
std::string ForumPage(std::size_t bytes)
{
    std::string page;
    page.reserve(bytes + 80);
    for (int n = 0; page.size() < bytes; ++n)
        page += "Re: Turn 12 - quote from another player, post number " + std::to_string(n) + "\r\n";
    return page;
}

void ReportReplaceAll(int runs)
{
    // Milliseconds per megabyte at growing sizes: a linear pass keeps them alike, a pass that
    // moves the rest of the text at every match grows them with the size.
    std::printf("%-16s", "ReplaceAll");
    for (std::size_t megabytes : {1u, 4u, 16u}) {
        const std::string notes = ReplaceAll(ForumPage(megabytes << 20), "\r\n", "<br>");
        const double size = static_cast<double>(notes.size()) / (1 << 20);
        std::vector<double> ours;
        for (int i = 0; i < runs; ++i) {
            auto start = std::chrono::steady_clock::now();
            std::string shown = ReplaceAll(notes, "<br>", "\r\n");
            ours.push_back(Milliseconds(start) / size);
            if (shown.size() < notes.size() / 2)
                std::printf("ReplaceAll lost text\n");
        }
        std::printf(" %2zu MB %6.2f ms/MB ", megabytes, Median(ours));
    }
    std::printf("\n");
}
} // namespace

void ReportPaste(int runs)
{
    ReportReplaceAll(runs);
    RunBenchChild({"--paste", QString::number(runs)}, "paste", 600000);
}

int RunPasteChild(int argc, char** argv)
{
    TApplication application(argc, argv);
    TMessageCapture quiet;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    TGameSession session;
    TfrmMain window(session);
    window.show();
    if (!session.BoardList() || session.BoardList()->Count() == 0) {
        std::printf("paste            skipped: the reference files are not beside the program\n");
        return 0;
    }
    TNewGameSettings settings;
    settings.GameName = "Bench";
    settings.ArchivesPerBot = 3;
    settings.FlagCount = 1;
    settings.UsedBoardList = std::make_unique<TUsedBoardList>();
    TUsedBoard board(session.BoardList(), session.BoardList()->Items(0), 0, 0);
    settings.UsedBoardList->AddUsedBoard(board);
    settings.UsedBoardList->SetBoardList(session.BoardList());
    settings.ChitList = std::make_unique<TChitList>();
    session.NewGame(settings);
    TGame& game = *session.Game();
    for (TBotType type : {btZoomBot, btTwonky})
        game.BotList()->FindByType(type)->SetInUseFlag(true);
    session.MarkChanged(gcInPlay);
    window.findChild<QAction*>("mniNextTurn")->trigger();
    auto* list = window.findChild<QListWidget*>("lstBotsInPlay");
    auto* paste = window.findChild<QShortcut*>("scPasteProgram");
    auto* memo = window.findChild<QPlainTextEdit*>("mmoNotes");
    const std::string page = ForumPage(7u << 20);

    std::vector<double> pastes, reselections, notesShown, fills;
    auto* tabs = window.findChild<QTabWidget*>("pgeBot");
    auto* notesTab = window.findChild<QWidget*>("tabNotes");
    for (int i = 0; i < runs; ++i) {
        // The Program tab is shown while the game master pastes.
        tabs->setCurrentIndex(0);
        list->setCurrentRow(0);
        TBot& bot = *game.BotList()->FindByType(btZoomBot);
        bot.SetGameNotes("");
        list->setCurrentRow(1);
        std::string answer;
        for (int c = 0; c < 5; ++c)
            answer += game.ProgramDeck()->FindCard(bot.Hand()->Refs(c)->ID())->ListingName() + "\r\n";
        answer += page;
        QApplication::clipboard()->setText(QString::fromStdString(answer));
        QApplication::processEvents();

        auto start = std::chrono::steady_clock::now();
        emit paste->activated();
        pastes.push_back(Milliseconds(start));
        if (bot.GameNotes().size() < page.size())
            std::printf("the paste was refused\n");

        list->setCurrentRow(0);
        start = std::chrono::steady_clock::now();
        list->setCurrentRow(1);
        reselections.push_back(Milliseconds(start));
        // And with the notes in view: the memo is filled.
        list->setCurrentRow(0);
        tabs->setCurrentWidget(notesTab);
        start = std::chrono::steady_clock::now();
        list->setCurrentRow(1);
        notesShown.push_back(Milliseconds(start));

        QPlainTextEdit fresh;
        start = std::chrono::steady_clock::now();
        fresh.setPlainText(QString::fromStdString(NotesToMemoText(bot.GameNotes())));
        fills.push_back(Milliseconds(start));
        if (memo->document()->characterCount() != fresh.document()->characterCount())
            std::printf("the memo does not show the notes\n");
        for (int r = 0; r < 5; ++r)
            bot.Registers()->Registers(r)->Clear();
    }
    const double fill = Median(fills);
    std::printf("%-16s ours %9.2f ms   reference %9.2f ms   ratio %5.2f   (7 MB answer; reference: filling the memo)\n",
        "paste", Median(pastes), fill, Median(pastes) / fill);
    std::printf("%-16s ours %9.2f ms   reference %9.2f ms   ratio %5.2f\n", "  reselect", Median(reselections), fill,
        Median(reselections) / fill);
    std::printf("%-16s ours %9.2f ms   reference %9.2f ms   ratio %5.2f\n", "  notes shown", Median(notesShown), fill,
        Median(notesShown) / fill);
    // The game was never saved: what the session kept of it for recovery goes with the run.
    session.DiscardRecovery();
    return 0;
}
