#pragma once
#include "model/ChitUnt.h"
#include "model/OptionUnt.h"
#include "model/UsedBoardUnt.h"
#include "support/EnumSetUnt.h"

#include <memory>
#include <string>

using TOptionSourceSet = TEnumSet<TOptionSource>;

// What the new-game dialog and the map designer choose and NewGame reads. The settings own the
// layout and chit list the designer hands back, so that nothing is left behind whichever way
// the new-game flow ends.
struct TNewGameSettings {
    std::string GameName;
    // The option sets whose decks go into the game.
    TOptionSourceSet OptionSources;
    // Lives given to every robot.
    int ArchivesPerBot = 0;
    // None until the map designer is confirmed.
    std::unique_ptr<TUsedBoardList> UsedBoardList;
    std::unique_ptr<TChitList> ChitList;
    int FlagCount = 0;
};
