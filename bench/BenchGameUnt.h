#pragma once
#include "model/BoardUnt.h"
#include "model/GameUnt.h"

#include <memory>

// A large game as a long campaign has it: both option sets, eight robots in use with hands,
// locked registers and options, a 3 x 3 map of turned boards, about 60 chits per phase and
// 40 turns of six phases. Board and chit catalogues come from the executable's folder when
// the shipped files are there, else from the built-in tables.
struct TBenchGame {
    std::unique_ptr<TBoardList> Boards;
    std::unique_ptr<TChitList> Catalogue;
    std::unique_ptr<TGame> Game;
};

TBenchGame MakeBenchGame(int turns = 40, int chitsPerPhase = 60);
