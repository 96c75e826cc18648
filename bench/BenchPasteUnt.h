#pragma once

// A player's answer of megabytes pasted into the main window, and the robot selected again
// afterwards, each against filling the notes memo with the same text; and ReplaceAll on 1, 4 and
// 16 MB of notes, per megabyte.
void ReportPaste(int runs);

// The child process that drives the main window; returns the exit code.
int RunPasteChild(int argc, char** argv);
