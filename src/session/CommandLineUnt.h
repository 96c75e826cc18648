#pragma once
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class TBot;
class TGame;

// What the command line asks for. A game file given as the one argument is opened at start, so
// that a double-click on a .cgx in the file manager opens it in the tool. --export and --pms
// make a turn's output from a game file without opening a window.
enum TCommandLineAction {
    // The main window, with the game file when one is given.
    caWindow,
    // --export: the pictures and reports of a phase of the last turn.
    caExport,
    // --pms: the private messages of every robot in play, to standard output.
    caPrivateMessages,
};

struct TCommandLine {
    TCommandLineAction Action = caWindow;
    // The game file to open (an absolute path); empty to start without a game.
    std::string GameFile;
    // --turn and --phase of --export, when given.
    std::optional<int> Turn;
    std::optional<int> Phase;
    // --help, --version or a wrong command line: print Output and end with ExitCode at once.
    bool Exit = false;
    int ExitCode = 0;
    std::string Output;
};

// The exit status of a command line the tool cannot follow, and of a game that cannot give
// what it asks for.
constexpr int CommandLineErrorExitCode = 2;
constexpr int GameErrorExitCode = 1;

// The arguments as the application has them, the program's name first.
TCommandLine ParseCommandLine(const QStringList& arguments);
// Whether the arguments ask for work without windows (they name --export, --pms, --turn or
// --phase), told before the application that parses them exists: it has to be made for the right
// display.
bool RunsWithoutWindows(const QStringList& arguments);

// The phase of the last turn that --export writes, or why there is none: the process-turn window
// writes the pictures of its last turn only, of a phase it has reached.
struct TExportPhase {
    int Phase = -1;
    std::string Error;
};
TExportPhase ChooseExportPhase(TGame& game, std::optional<int> turn, std::optional<int> phase);

// The robots of the main window's list of robots in play, in its order (that of the bot list).
std::vector<const TBot*> BotsInPlay(const TGame& game);
// Why Make PMs has nothing to make for the game; empty when it has.
std::string PrivateMessagesError(TGame& game);
