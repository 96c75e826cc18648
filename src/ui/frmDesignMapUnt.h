#pragma once
#include "support/HookUnt.h"

class TBoardList;
class TChitList;
struct TNewGameSettings;

// The "Design Map" window: true when confirmed, and then the settings hold copies of the
// designed layout and of every chit of the list with its place. The chit list is changed in
// place either way (positions, sizes, shifts).
extern THook<bool(TNewGameSettings& settings, TChitList& chits, TBoardList& boards)> DesignMap;
