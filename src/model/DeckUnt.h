#pragma once
#include "persist/ObjectsUnt.h"

#include <set>

enum TCardState { csAvailable, csDiscarded, csDealt, csRegisterProgrammed, csRegisterLocked };
const TEnumInfo& CardStateInfo();
using TCardStates = TEnumSet<TCardState>;

// A reference to a card: its own ID is the ID of the card it names.
class TCardRef : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TCardRef)
};

// A card of a deck; the deck owns it, everything else holds its ID.
class TCard : public TCardRef {
    COGLINE_PERSISTENT_CLASS(TCard)
public:
    const std::string& CardName() const { return FCardName; }
    void SetCardName(const std::string& name) { FCardName = name; }
    TCardState CardState() const { return FCardState; }
    void SetCardState(TCardState state) { FCardState = state; }
    void Discard() { FCardState = csDiscarded; }

private:
    std::string FCardName;
    TCardState FCardState = csAvailable;
};

// An ordered list of card references.
class TCardRefList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TCardRefList)
public:
    explicit TCardRefList(const TClass& refClass);

    const TClass& RefClass() const { return *FRefClass; }
    TCardRef* AddRef(const TpzCustomPersistentToXMLObject& card);
    TCardRef* AddRefByID(const std::string& id);
    void DeleteRefByID(std::string_view id);
    TCardRef* Refs(int index) const { return static_cast<TCardRef*>(Items(index)); }
    TCardRef* FindRef(std::string_view id) const { return static_cast<TCardRef*>(FindByID(id)); }

private:
    const TClass* FRefClass;
};

// The draw pile of a deck: references to available cards, the first on top.
class TShuffledCardRefList : public TCardRefList {
    COGLINE_PERSISTENT_CLASS(TShuffledCardRefList)
public:
    using TCardRefList::TCardRefList;
};

// Owns its cards and at most one draw pile (made by the first shuffle, saved last).
class TDeck : public TListObject {
    COGLINE_PERSISTENT_CLASS(TDeck)
public:
    TDeck(const TClass& cardClass, const TClass& shuffledListClass);

    const TClass& CardClass() const { return *FCardClass; }
    const TClass& ShuffledListClass() const { return *FShuffledListClass; }

    TCard* Cards(int index) const { return static_cast<TCard*>(Items(index)); }
    TCard* FindCard(std::string_view id) const { return static_cast<TCard*>(FindByID(id)); }
    int AvailableCount() const;
    TCard* AvailableCard(int n) const;
    TShuffledCardRefList* ShuffledList() const;
    void ResetStates(TCardStates states);

    void BuildShuffledList();
    void Reshuffle() { BuildShuffledList(); }
    void ShuffleAll();
    void ShuffleDiscards();
    // The top card of the pile, now dealt; none (after telling the game master) when the deck
    // has nothing left even after shuffling the discards back in.
    TCard* DealCard();
    void CopyCardsFrom(TDeck& deck) { CopyObjectsFrom(deck, FCardClass); }

private:
    const TClass* FCardClass;
    const TClass* FShuffledListClass;
};
