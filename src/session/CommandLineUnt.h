#pragma once
#include <QStringList>

#include <string>

// What the command line asks for. A game file given as the one argument is opened at start, so
// that a double-click on a .cgx in the file manager opens it in the tool.
struct TCommandLine {
    // The game file to open at start; empty to start without a game.
    std::string GameFile;
    // --help, --version or a wrong command line: print Output and end with ExitCode at once.
    bool Exit = false;
    int ExitCode = 0;
    std::string Output;
};

// The arguments as the application has them, the program's name first.
TCommandLine ParseCommandLine(const QStringList& arguments);
