#pragma once
#include "support/HookUnt.h"

class TBoardList;
class TChitList;
struct TNewGameSettings;

// The "New Game" dialog and then the map designer: true when the game master confirmed both.
// The settings receive the name, option sets, archives and flags from the dialog, and the map
// layout and chit list from the designer; on cancel they are left as they were.
extern THook<bool(TNewGameSettings& settings, TBoardList& boards, TChitList& chits)> ExecuteNewGame;
