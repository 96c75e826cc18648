#include "session/MainWindowRulesUnt.h"

#include "model/GameUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <QFileInfo>

#include <exception>

namespace {

int BotsInUse(TGame* game)
{
    return game && game->BotList() ? game->BotList()->InUseCount() : 0;
}

} // namespace

bool NextTurnAllowed(TGame* game)
{
    return game && BotsInUse(game) > 0 && (game->TurnCount() == 0 || game->CurrentPhaseNumber() == 5);
}

bool ProcessTurnAllowed(TGame* game)
{
    return game && BotsInUse(game) > 0 && game->TurnCount() > 0;
}

bool MakePMsAllowed(TGame* game, int botsInPlayLines)
{
    return botsInPlayLines > 0 && game && game->TurnCount() > 0;
}

TMainMenuState MainMenuState(TGame* game, int botsInPlayLines)
{
    TMainMenuState s;
    bool withGame = game != nullptr;
    s.OpenGame = true;
    s.Exit = true;
    s.NewGame = true;
    s.BoardEditor = true;
    s.SaveGame = withGame;
    s.AddBot = withGame;
    s.ScoreBoard = withGame;
    s.ShuffleProgramCards = withGame;
    s.ShuffleOptionCards = withGame;
    s.ProgramCards = withGame;
    s.OptionCards = withGame;
    s.NextTurn = NextTurnAllowed(game);
    s.ProcessTurn = ProcessTurnAllowed(game);
    s.MakePMs = MakePMsAllowed(game, botsInPlayLines);

    TBot* buzzBomb = withGame && game->BotList() ? game->BotList()->FindByType(btBuzzBomb) : nullptr;
    s.AddBuzzBombVisible = !buzzBomb || !buzzBomb->InUseFlag();
    if (s.AddBuzzBombVisible) {
        // Only a player who holds the Buzz Bomb option can launch one.
        TOptionCard* option = withGame && game->OptionDeck() ? game->OptionDeck()->FindCard("BuzzBomb") : nullptr;
        s.AddBuzzBomb = option && option->CardState() == csDealt;
    }
    s.DeleteBuzzBombVisible = !s.AddBuzzBombVisible;
    s.DeleteBuzzBomb = s.DeleteBuzzBombVisible;
    return s;
}

TBotFieldsEnabling BotFieldsEnabling(bool enable, const TBot* selectedBot, TGame* game)
{
    bool notBuzzBomb = !selectedBot || selectedBot->BotType() != btBuzzBomb;
    bool x = enable && notBuzzBomb;
    bool t = enable && game && game->TurnCount() > 0;
    bool tx = t && notBuzzBomb;
    TBotFieldsEnabling e;
    e.PlayerName = enable;
    e.BotValues = x;
    e.TurnControls = t;
    e.TradeControls = tx;
    e.Notes = enable;
    e.OptionFields = tx;
    return e;
}

std::string LoadReferenceFile(TListObject& list, const std::string& fileName)
{
    QFileInfo info(QString::fromStdString(fileName));
    if (!info.exists())
        return Format("The reference file \"%s\" is missing.", fileName.c_str());
    TXmlParseResult parsed;
    try {
        parsed = list.ReadFromXMLFile(fileName);
    } catch (const std::exception& error) {
        return Format("The reference file \"%s\" could not be read: %s", fileName.c_str(), error.what());
    }
    // One typo must not silently cost the entries after it.
    if (!parsed.Complete)
        return Format("The reference file \"%s\" is damaged: parsing stopped at %s. Only what came before was loaded (%d %s).",
            fileName.c_str(), parsed.Where().c_str(), list.Count(), list.Count() == 1 ? "entry" : "entries");
    if (list.Count() == 0)
        return Format("The reference file \"%s\" holds no entries.", fileName.c_str());
    return std::string();
}
