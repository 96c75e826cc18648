#pragma once
#include <string>

// Game files made to take memory or time: small on disk, each opened and saved in a fresh
// process of its own, which reports the time and the peak memory of the open and of the save.
// Beside them the largest realistic game (60 turns, eight robots) with its size, elements and
// objects, against which the caps are set.
//   cogline_bench --hostile [names...]   (all files when no name is given)
int ReportHostileFiles(int argc, char** argv);

// The child: opens the file, saves it to the second name; returns the exit code.
int RunHostileChild(const std::string& fileName, const std::string& saveName);
