#pragma once
#include "model/ChitUnt.h"
#include "model/UsedBoardUnt.h"
#include "model/BotUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "model/TurnUnt.h"
#include "xml/XmlUnt.h"

#include <functional>

class TBoardList;

// Everything a game file holds: decks, robots, map, chits and the turn history.
class TGame : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TGame)
public:
    TGame();

    int BotArchiveMax() const { return FBotArchiveMax; }
    // Gives every robot that many lives, except while the game is being read from a file.
    void SetBotArchiveMax(int lives);
    const std::string& GameName() const { return FGameName; }
    // Text fields keep their clean form (XmlCleanText), which the game file gives back exactly.
    void SetGameName(std::string name);
    int FlagCount() const { return FFlagCount; }
    void SetFlagCount(int count) { FFlagCount = count; }

    TBoardList* BoardList() const { return FBoardList; }
    void SetBoardList(TBoardList* boardList);
    int ChitLayerLimit() const { return FChitLayerLimit; }
    void SetChitLayerLimit(int limit) { FChitLayerLimit = limit; }

    TProgramDeck* ProgramDeck() const { return ObjectOf<TProgramDeck>(0); }
    TOptionDeck* OptionDeck() const { return ObjectOf<TOptionDeck>(0); }
    TBotList* BotList() const { return ObjectOf<TBotList>(0); }
    TChitList* ChitList() const { return ObjectOf<TChitList>(0); }
    // These two are made, empty, when the game has none.
    TTurnList* TurnList();
    TUsedBoardList* UsedBoardList();

    void SetProgramDeck(TProgramDeck& deck);
    void SetChitList(TChitList& chits);
    // Adds the deck's cards to the game's one option deck (a copy of the deck when it has none).
    void AddOptionDeck(TOptionDeck& deck);
    void ApplyLivesToBots();

    int TurnCount();
    int LastTurnIndex() { return TurnCount() - 1; }
    // The current turn is the last one; none before the first turn.
    TTurn* CurrentTurn();
    int CurrentPhaseNumber();
    int ViewingPhaseNumber();
    TPhase* CurrentPhase();
    TPhase* ViewingPhase();

    // Starts the next turn: activity changes, cards return, the deck is shuffled and dealt.
    void NextTurn();
    // Moves the current turn on by one phase; false at phase 5 or without a turn.
    bool NextPhase();
    void ReleasePictures();

    void SaveToGameFile(const std::string& fileName);
    // The text SaveToGameFile compresses, whole: a copy of the game that another thread may
    // compress and write while this one goes on changing the game. Older turns still in the text
    // they were read from are in it by reference to that text, which never changes. EFileError,
    // naming the file, when it passes what opening accepts.
    TTextPieces GameFileText(const std::string& fileName);
    // Refuses a file whose text cannot be parsed to its end (EParseError saying where parsing
    // stopped; the game is left as it was, or without children when the damage lies in an older
    // turn) or that is too large to be a real game (ELoadLimitError). Builds the game's header and
    // its current turn; each older turn is parsed alone, and built from the kept text when first
    // used, which cannot fail.
    void LoadFromGameFile(const std::string& fileName);
    // Builds the older turns that are still waiting, at a time of the caller's choosing.
    void BuildPendingTurns();

protected:
    // Reads the game, then gives every chit the catalogue and the map layout again.
    void LoadFromXMLDoc(const TXMLDoc& doc) override;
    // An older turn built on first use: its chits get what the load and SetBoardList gave.
    void DescendantChildrenBuilt(TpzCustomPersistentToXMLObject& descendant) override;

private:
    // The game's own chit list, then that of every phase of every built turn; a turn still
    // waiting gets its chits' pointers when it is built.
    void ForEachChitList(const std::function<void(TChitList&)>& action);
    static void ForEachChitListOf(TTurn& turn, const std::function<void(TChitList&)>& action);
    void GiveChitsTheirPointers();

    int FBotArchiveMax = 0;
    std::string FGameName;
    int FFlagCount = 0;
    TBoardList* FBoardList = nullptr;
    int FChitLayerLimit = -1;
};

// Puts a lower cap on the elements a save may write while it lives (the parser's cap otherwise),
// so that tests reach it without a game of millions of elements.
class TSaveElementLimitScope {
public:
    explicit TSaveElementLimitScope(std::size_t limit);
    ~TSaveElementLimitScope();
    TSaveElementLimitScope(const TSaveElementLimitScope&) = delete;
    TSaveElementLimitScope& operator=(const TSaveElementLimitScope&) = delete;

private:
    std::size_t FPrevious;
};
