#pragma once
#include "model/DeckUnt.h"

enum TProgramCardKind { ckUnknown, ckBackup, ckMoveOne, ckMoveTwo, ckMoveThree, ckUTurn, ckRotateLeft, ckRotateRight };
const TEnumInfo& ProgramCardKindInfo();
// Display names: "Unknown", "Backup", "Move 1", ... "Rotate Right".
extern const char* const KindNames[8];

class TProgramCardRef : public TCardRef {
    COGLINE_PERSISTENT_CLASS(TProgramCardRef)
};

class TProgramCard : public TCard {
    COGLINE_PERSISTENT_CLASS(TProgramCard)
public:
    TProgramCard();

    TProgramCardKind Kind() const { return FKind; }
    // Also names the card after its kind.
    void SetKind(TProgramCardKind kind);
    int Priority() const { return FPriority; }
    void SetPriority(int priority) { FPriority = priority; }

    // "Move 1 (490)".
    std::string DisplayName() const;
    // Turns are listed by name alone ("U-Turn"); moves with their priority.
    std::string ListingName() const;

private:
    TProgramCardKind FKind = ckUnknown;
    int FPriority = 0;
};

// A bot's hand.
class TProgramCardRefList : public TCardRefList {
    COGLINE_PERSISTENT_CLASS(TProgramCardRefList)
public:
    TProgramCardRefList();
};

// The program deck's draw pile.
class TShuffledProgramCardRefList : public TShuffledCardRefList {
    COGLINE_PERSISTENT_CLASS(TShuffledProgramCardRefList)
public:
    TShuffledProgramCardRefList();
};

class TProgramDeck : public TDeck {
    COGLINE_PERSISTENT_CLASS(TProgramDeck)
public:
    TProgramDeck();
    TProgramCard* Cards(int index) const { return static_cast<TProgramCard*>(TDeck::Cards(index)); }
    TProgramCard* FindCard(std::string_view id) const { return static_cast<TProgramCard*>(TDeck::FindCard(id)); }
};

// Adds a card whose ID is the priority followed by the kind's name without blanks and dashes.
TProgramCard* AddProgramCard(TProgramDeck& deck, TProgramCardKind kind, int priority);
// The reference composition of 84 cards, priorities 10 to 840.
void BuildProgramCards(TProgramDeck& deck);
// Writes the 84 cards to "ProgramDeck.xml" in the folder (trailing "/" expected).
void BuildProgramDeckFile(const std::string& folder);
