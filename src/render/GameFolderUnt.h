#pragma once
#include <string>

// The game's name made fit to be one folder name: separators, characters no folder may hold and
// control characters become "_", a name of dots only has its dots replaced, an empty name becomes
// "Unnamed Game", and it is cut to 255 bytes. A name that is, in any letter case, that of one of
// the tool's own files or folders beside the executable ("Images", "Boards.xml", the program, its
// log), or that ends in " (game)", gets " (game)" appended, so that a game never mixes with the
// tool's files and no two names share a folder. Other names stay as they are.
std::string SafeFolderName(const std::string& gameName);
// The folder the tool writes to (UserFolder), the safe folder name and "/".
std::string GameFolder(const std::string& gameName);
// "<turn>/<tag> - Turn <turn>, Phase <phase>.jpg" in the game folder; the tag is "Full" when x
// or y is -1, else "(x, y)".
std::string PhaseImagePath(const std::string& gameName, int x, int y, int phaseNumber, int turnNumber);
// "Turn <turn>/Score Board Turn <turn>.jpg" in the game folder.
std::string ScoreBoardImagePath(const std::string& gameName, int turnNumber);
