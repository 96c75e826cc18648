#pragma once
#include <string>
#include <vector>

struct TCommandLine;
class TGameSession;

// The tool run from the command line without a window: --export and --pms. A game master's
// script makes a turn's forum output from the game file alone.

// What such a run gives back: the text for standard output, the messages for standard error
// and the exit status.
struct TCommandOutput {
    int ExitCode = 0;
    std::string Output;
    std::string Errors;
};

// Writes what the process-turn window's Save Images, Phase Report and, at phase 5, Turn Report
// write for the phase of the open game's last turn, through the same code, opening nothing. The
// phase becomes the viewed one; the game is not saved. Returns the files in the order written.
// At phase 5 it waits the moment the score board stays up to write its picture again.
std::vector<std::string> ExportPhase(TGameSession& session, int phase);

// Runs --export or --pms on a session of its own: the reference catalogues, then the game file,
// which is read and never written. A game that cannot give what the line asks for writes nothing.
TCommandOutput RunWithoutWindows(const TCommandLine& line);
