#include "session/CommandLineUnt.h"

#include <QCommandLineParser>
#include <QFileInfo>

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Cogline Turn Generator: keeps a play-by-forum robot race and makes each turn's pictures and posts."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("game"), QStringLiteral("A game file (*.cgx) to open at start."),
        QStringLiteral("[game.cgx]"));

    TCommandLine result;
    if (!parser.parse(arguments)) {
        result.Exit = true;
        result.ExitCode = 2;
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
    if (files.size() > 1) {
        result.Exit = true;
        result.ExitCode = 2;
        result.Output = "Give at most one game file.\n";
        return result;
    }
    if (!files.isEmpty())
        result.GameFile = QFileInfo(files.front()).absoluteFilePath().toStdString();
    return result;
}
