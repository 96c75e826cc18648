#include "session/CommandLineUnt.h"

#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "session/MainWindowRulesUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "session/ReportUnt.h"
#include "support/UtilsUnt.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString ExportName = QStringLiteral("export");
const QString PrivateMessagesName = QStringLiteral("pms");
const QString TurnName = QStringLiteral("turn");
const QString PhaseName = QStringLiteral("phase");

TCommandLine Refused(const std::string& text)
{
    TCommandLine result;
    result.Exit = true;
    result.ExitCode = CommandLineErrorExitCode;
    result.Output = text + "\n";
    return result;
}

// A number option's value; none with the reason in error when it is not a whole number.
std::optional<int> NumberOption(const QCommandLineParser& parser, const QString& name, std::string& error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const QString text = parser.value(name);
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok) {
        error = Format("--%s needs a whole number, not \"%s\".", name.toStdString().c_str(), text.toStdString().c_str());
        return std::nullopt;
    }
    return number;
}

std::string GameName(const TGame& game) { return "\"" + game.GameName() + "\""; }

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Cogline Turn Generator: keeps a play-by-forum robot race and makes each turn's pictures and posts."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption({ExportName,
        QStringLiteral("Writes what the process-turn window's Save Images, Phase Report and (at phase 5) Turn Report "
                       "write for a phase of the game's last turn into the game folder, and prints the files written, "
                       "one per line. Opens no window and needs no display."),
        QStringLiteral("game.cgx")});
    parser.addOption({TurnName,
        QStringLiteral("With --export: the turn, which can only be the game's last turn (the default)."),
        QStringLiteral("n")});
    parser.addOption({PhaseName,
        QStringLiteral("With --export: the phase, from 0 (the start of the turn) to the phase the turn has reached "
                       "(the default)."),
        QStringLiteral("p")});
    parser.addOption({PrivateMessagesName,
        QStringLiteral("Prints the private messages of every robot in play, as Make PMs builds them."),
        QStringLiteral("game.cgx")});
    parser.addPositionalArgument(QStringLiteral("game"), QStringLiteral("A game file (*.cgx) to open at start."),
        QStringLiteral("[game.cgx]"));

    TCommandLine result;
    if (!parser.parse(arguments)) {
        result.Exit = true;
        result.ExitCode = CommandLineErrorExitCode;
        result.Output = parser.errorText().toStdString() + "\n";
        return result;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.Exit = true;
        result.Output = parser.helpText().toStdString();
        return result;
    }
    if (parser.isSet(version)) {
        result.Exit = true;
        result.Output = "Cogline Turn Generator " COGLINE_VERSION "\n";
        return result;
    }
    const QStringList files = parser.positionalArguments();
    const bool exporting = parser.isSet(ExportName);
    const bool messages = parser.isSet(PrivateMessagesName);
    if (exporting && messages)
        return Refused("Give either --export or --pms, not both.");
    if ((exporting || messages) && !files.isEmpty())
        return Refused(Format("Give the game file once, after --%s.", exporting ? "export" : "pms"));
    if (!exporting && (parser.isSet(TurnName) || parser.isSet(PhaseName)))
        return Refused("--turn and --phase go with --export.");
    if (files.size() > 1)
        return Refused("Give at most one game file.");

    QString file = files.isEmpty() ? QString() : files.front();
    if (exporting || messages) {
        result.Action = exporting ? caExport : caPrivateMessages;
        file = parser.value(exporting ? ExportName : PrivateMessagesName);
        if (file.isEmpty())
            return Refused(Format("--%s needs a game file.", exporting ? "export" : "pms"));
    }
    std::string error;
    result.Turn = NumberOption(parser, TurnName, error);
    if (error.empty())
        result.Phase = NumberOption(parser, PhaseName, error);
    if (!error.empty())
        return Refused(error);
    if (!file.isEmpty())
        result.GameFile = QFileInfo(file).absoluteFilePath().toStdString();
    return result;
}

bool RunsWithoutWindows(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        // What follows "--" is a file name, whatever it looks like.
        if (argument == QLatin1String("--"))
            return false;
        // --turn and --phase belong to --export: a line that has them wrongly is told so
        // without a display too.
        for (const QString& name : {ExportName, PrivateMessagesName, TurnName, PhaseName}) {
            const QString option = QStringLiteral("--") + name;
            if (argument == option || argument.startsWith(option + QLatin1Char('=')))
                return true;
        }
    }
    return false;
}

TExportPhase ChooseExportPhase(TGame& game, std::optional<int> turn, std::optional<int> phase)
{
    TExportPhase result;
    const int turns = game.TurnCount();
    if (turns == 0) {
        result.Error = Format("The game %s has no turn yet: there is nothing to export.", GameName(game).c_str());
        return result;
    }
    if (turn && *turn != turns) {
        result.Error = *turn >= 1 && *turn < turns
            ? Format("Turn %d cannot be exported: only the last turn of the game %s, turn %d, can be.", *turn,
                  GameName(game).c_str(), turns)
            : turns == 1
            ? Format("The game %s has no turn %d: its only turn is turn 1.", GameName(game).c_str(), *turn)
            : Format("The game %s has no turn %d: its turns are 1 to %d, and only the last one can be exported.",
                  GameName(game).c_str(), *turn, turns);
        return result;
    }
    // The window views phases 0 to 5 and writes one once the turn has reached it; a damaged file
    // can put the turn anywhere.
    const int current = game.CurrentPhaseNumber();
    const int reached = std::min(current, LastPhaseNumber);
    if (reached < 0) {
        result.Error = Format("Turn %d of the game %s stands at phase %d, which does not exist: no phase can be exported.",
            turns, GameName(game).c_str(), current);
        return result;
    }
    const int chosen = phase.value_or(reached);
    if (chosen < 0 || chosen > LastPhaseNumber) {
        result.Error = Format("There is no phase %d: a turn has phases 0 to %d.", chosen, LastPhaseNumber);
        return result;
    }
    if (chosen > reached) {
        result.Error = Format("Phase %d of turn %d cannot be exported yet: the turn has reached phase %d, so give a phase "
                              "from 0 to %d.",
            chosen, turns, reached, reached);
        return result;
    }
    result.Phase = chosen;
    return result;
}

std::vector<const TBot*> BotsInPlay(const TGame& game)
{
    // The robots the score board lists are those in play, in the same order.
    const std::vector<TBot*> bots = ScoreBoardBots(game);
    return {bots.begin(), bots.end()};
}

std::string PrivateMessagesError(TGame& game)
{
    const int inPlay = static_cast<int>(BotsInPlay(game).size());
    if (MakePMsAllowed(&game, inPlay))
        return std::string();
    if (inPlay == 0)
        return Format("No robot of the game %s is in play: there is no private message to make.", GameName(game).c_str());
    return Format("The game %s has no turn yet: the private messages are made for a turn.", GameName(game).c_str());
}
