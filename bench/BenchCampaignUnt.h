#pragma once
#include <string>

// The steps a game master takes while playing a long campaign, on the game file given: the
// recovery write the session makes after each step (the part the window waits for, and the
// whole write on its thread), Next Turn and selecting a robot in the main window. Measured in a
// child process that shows the main window offscreen.
void ReportPlaySteps(const std::string& gameFile, int runs);

// The child process; returns the exit code.
int RunPlayStepsChild(int argc, char** argv);
