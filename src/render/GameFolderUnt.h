#pragma once
#include <string>

// The game's name made fit to be one folder name: separators, characters no folder may hold and
// control characters become "_", a name of dots only has its dots replaced, an empty name becomes
// "Unnamed Game", and it is cut to 255 bytes. Names the new-game dialog accepts stay as they are.
std::string SafeFolderName(const std::string& gameName);
// The executable's folder, the safe folder name and "/".
std::string GameFolder(const std::string& gameName);
// "<turn>/<tag> - Turn <turn>, Phase <phase>.jpg" in the game folder; the tag is "Full" when x
// or y is -1, else "(x, y)".
std::string PhaseImagePath(const std::string& gameName, int x, int y, int phaseNumber, int turnNumber);
// "Turn <turn>/Score Board Turn <turn>.jpg" in the game folder.
std::string ScoreBoardImagePath(const std::string& gameName, int turnNumber);
