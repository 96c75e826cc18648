// Until the new-game, designer, add-bot and option dialogs land, their hooks answer as a game
// master who cancels. Tests replace them as they will the real dialogs.
#include "ui/frmAddBotUnt.h"
#include "ui/frmDesignMapUnt.h"
#include "ui/frmNewGameUnt.h"
#include "ui/frmSelectBotOption.h"

THook<bool(TNewGameSettings&, TBoardList&, TChitList&)> ExecuteNewGame(
    [](TNewGameSettings&, TBoardList&, TChitList&) { return false; });
THook<bool(TNewGameSettings&, TChitList&, TBoardList&)> DesignMap(
    [](TNewGameSettings&, TChitList&, TBoardList&) { return false; });
THook<bool(TGame&)> AddBots([](TGame&) { return false; });
THook<TBot*(TGame&, const TBot*, const TClass&)> SelectBot(
    [](TGame&, const TBot*, const TClass&) -> TBot* { return nullptr; });
THook<TOptionCard*(TBot&)> GetBotOption([](TBot&) -> TOptionCard* { return nullptr; });
