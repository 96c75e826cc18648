#pragma once
#include <string>

class TBot;
class TGame;
class TListObject;

// Which menu commands the game state allows, before the window masks out what it cannot run
// yet. Game is none before a game is made or opened.
struct TMainMenuState {
    bool OpenGame = false;
    bool SaveGame = false;
    bool Exit = false;
    bool NewGame = false;
    bool AddBot = false;
    bool NextTurn = false;
    bool MakePMs = false;
    bool ProcessTurn = false;
    // Exactly one of the two buzz bomb commands is shown; it carries Ctrl+Z.
    bool AddBuzzBombVisible = false;
    bool AddBuzzBomb = false;
    bool DeleteBuzzBombVisible = false;
    bool DeleteBuzzBomb = false;
    bool ScoreBoard = false;
    bool ShuffleProgramCards = false;
    bool ShuffleOptionCards = false;
    bool ProgramCards = false;
    bool OptionCards = false;
    bool BoardEditor = false;
};

// A game, a bot in use, and either no turn yet or the last turn processed to phase 5.
bool NextTurnAllowed(TGame* game);
// A game with a bot in use and at least one turn.
bool ProcessTurnAllowed(TGame* game);
// Lines in the bots-in-play list, a game and at least one turn.
bool MakePMsAllowed(TGame* game, int botsInPlayLines);
TMainMenuState MainMenuState(TGame* game, int botsInPlayLines);

// Which bot fields a call of SetBotFieldsEnabled enables. The buzz bomb offers only its player
// name, registers, hand, New Hand, Make PM and notes; the turn controls wait for the first turn.
struct TBotFieldsEnabling {
    bool PlayerName = false;
    // Lives, max cards, damage, state, activity and flag.
    bool BotValues = false;
    // The five registers, the hand list, New Hand and Make PM.
    bool TurnControls = false;
    // The "Other" list, Trade Hand, Copy Prog., the option list, "+", "-" and Trade Option.
    bool TradeControls = false;
    bool Notes = false;
    // Passed on to SetBotOptionFieldsEnabled.
    bool OptionFields = false;
};
TBotFieldsEnabling BotFieldsEnabling(bool enable, const TBot* selectedBot, TGame* game);

// Loads a reference list from its file. Returns empty text when the whole file was read and
// entries were loaded, else a message for the game master that names the file and says whether
// it is missing, unreadable, damaged (with where parsing stopped) or empty; the list keeps
// whatever was read before the damage.
std::string LoadReferenceFile(TListObject& list, const std::string& fileName);
