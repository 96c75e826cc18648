#pragma once

// Start-up: a fresh process that shows the main window offscreen and quits, against one that
// shows a bare main window with a menu. Each is the wall time of the whole process.
void ReportStartUp(int runs);

// The child processes: "main" or "bare"; returns the exit code.
int RunStartUpChild(int argc, char** argv, const char* which);
