#pragma once
#include "persist/ObjectsUnt.h"

#include <string>

class TCard;

// One program register of a bot. It names its card by ID only; the card stays in the deck.
class TBotRegister : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBotRegister)
public:
    // ID "-1", empty and unlocked; the list that adds it gives it its number.
    TBotRegister();

    bool IsLocked() const { return FIsLocked; }
    void SetIsLocked(bool locked) { FIsLocked = locked; }
    const std::string& CardID() const { return FCardID; }
    void SetCardID(const std::string& cardID) { FCardID = cardID; }
    bool IsEmpty() const { return FCardID.empty(); }

    // Puts the card in and marks it programmed; the lock flag stays as it is.
    void ProgramWith(TCard& card);
    // Empty and unlocked. The card's state is the caller's business (discard or keep it).
    void Clear();

private:
    bool FIsLocked = false;
    std::string FCardID;
};

class TCustomBotRegisterList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TCustomBotRegisterList)
public:
    TCustomBotRegisterList();

    // Appends a register whose ID is the number as decimal text.
    TBotRegister* AddRegister(int number, bool locked);
    TBotRegister* Registers(int index) const { return static_cast<TBotRegister*>(Items(index)); }
};

// The five program registers, numbered 1 to 5; register n is at index n - 1.
class TBotRegisterList : public TCustomBotRegisterList {
    COGLINE_PERSISTENT_CLASS(TBotRegisterList)
public:
    static constexpr int RegisterCount = 5;
    TBotRegisterList();
};

// Cards programmed through options outside the five registers. Every entry is numbered 0,
// so entries are told apart by position only.
class TBotExtraRegisterList : public TCustomBotRegisterList {
    COGLINE_PERSISTENT_CLASS(TBotExtraRegisterList)
public:
    // An unlocked entry holding the card; the card's state is left to the caller.
    TBotRegister* AddExtraRegister(const TCard& card);
};
