#include "windows/ExportUnt.h"

#include "model/GameUnt.h"
#include "model/PrivateMessageUnt.h"
#include "session/CommandLineUnt.h"
#include "session/GameSessionUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "session/ReportUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/frmScoreBoardUnt.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <exception>

namespace {

// Lets the score board finish as it does over the process-turn window: its timer writes the
// picture again and closes it. Runs the events until that timer has fired.
void WaitForScoreBoard(QPointer<TfrmScoreBoard>& board)
{
    const auto* timer = board ? board->findChild<QTimer*>(QStringLiteral("tmrSaveAndExit")) : nullptr;
    while (board && timer && timer->isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (board)
        QCoreApplication::sendPostedEvents(board, QEvent::DeferredDelete);
    // A picture that failed to be written again leaves the board up.
    delete board.data();
}

// The score board shows on no screen: the offscreen platform's remarks that it cannot size or
// raise a window are no news to whoever reads the run's messages. Every other message passes.
class TQuietWindowRemarks {
public:
    TQuietWindowRemarks() { Previous() = qInstallMessageHandler(Handle); }
    ~TQuietWindowRemarks() { qInstallMessageHandler(Previous()); }
    TQuietWindowRemarks(const TQuietWindowRemarks&) = delete;
    TQuietWindowRemarks& operator=(const TQuietWindowRemarks&) = delete;

private:
    static QtMessageHandler& Previous()
    {
        static QtMessageHandler previous = nullptr;
        return previous;
    }
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support")))
            return;
        if (Previous())
            Previous()(type, context, text);
    }
};

// The messages of the core and the errors of events for as long as it lives go to the run's
// error text; a failed event fails the run.
class TOutputScope {
public:
    explicit TOutputScope(TCommandOutput& output)
        : FOutput(output)
        , FMessages(SetMessageHandler([this](const std::string& text) { FOutput.Errors += text + "\n"; }))
        , FEventErrors(TApplication::SetErrorHandler([this](QObject*, const std::exception& error) {
            FOutput.Errors += ApplicationErrorText(error) + "\n";
            FOutput.ExitCode = GameErrorExitCode;
        }))
    {
    }
    ~TOutputScope()
    {
        TApplication::SetErrorHandler(std::move(FEventErrors));
        SetMessageHandler(std::move(FMessages));
    }
    TOutputScope(const TOutputScope&) = delete;
    TOutputScope& operator=(const TOutputScope&) = delete;

private:
    TCommandOutput& FOutput;
    TMessageHandler FMessages;
    TApplicationErrorHandler FEventErrors;
};

void Fail(TCommandOutput& output, const std::string& text)
{
    output.Errors += text + "\n";
    output.ExitCode = GameErrorExitCode;
}

} // namespace

std::vector<std::string> ExportPhase(TGameSession& session, int phase)
{
    TGame& game = *session.Game();
    SetViewingPhase(game, phase);
    // The order of the window's buttons: the pictures first, since the reports name them and
    // the phase report needs the game folder they make.
    std::vector<std::string> files = SaveViewedPhaseImages(session.Renderer(), game);
    files.push_back(WritePhaseReport(game));
    if (phase == LastPhaseNumber) {
        // The owner the process-turn window is to the score board; never shown. Should the
        // report fail, the board goes with it.
        QWidget owner;
        TQuietWindowRemarks quiet;
        TTurnReportFiles turn = WriteTurnReportFiles(game, &owner);
        WaitForScoreBoard(turn.ScoreBoard);
        files.push_back(turn.ScoreBoardPicture);
        files.push_back(turn.Report);
    }
    return files;
}

TCommandOutput RunWithoutWindows(const TCommandLine& line)
{
    TCommandOutput output;
    TOutputScope scope(output);
    const QFileInfo file(QString::fromStdString(line.GameFile));
    if (!file.exists()) {
        Fail(output, Format("The game file \"%s\" does not exist.", line.GameFile.c_str()));
        return output;
    }
    TGameSession session;
    try {
        session.LoadCatalogues();
        for (const std::string& problem : session.TakeLoadProblems())
            output.Errors += problem + "\n";
        session.OpenGame(line.GameFile);
    } catch (const std::exception& error) {
        Fail(output, Format("The game file \"%s\" cannot be opened: %s", line.GameFile.c_str(), error.what()));
        return output;
    }
    try {
        TGame& game = *session.Game();
        if (line.Action == caPrivateMessages) {
            const std::string refused = PrivateMessagesError(game);
            if (!refused.empty())
                Fail(output, refused);
            else
                output.Output = MakePMs(game, BotsInPlay(game));
            return output;
        }
        const TExportPhase chosen = ChooseExportPhase(game, line.Turn, line.Phase);
        if (!chosen.Error.empty()) {
            Fail(output, chosen.Error);
            return output;
        }
        for (const std::string& written : ExportPhase(session, chosen.Phase))
            output.Output += written + "\n";
    } catch (const std::exception& error) {
        Fail(output, ApplicationErrorText(error));
    }
    return output;
}
