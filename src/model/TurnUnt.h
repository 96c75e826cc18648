#pragma once
#include "model/PhaseUnt.h"

// One turn played: its number and the six phase snapshots. Its ID is its number.
class TTurn : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TTurn)
public:
    TTurn();

    int TurnNumber() const { return FTurnNumber; }
    // Also gives the turn its ID, once.
    void SetTurnNumber(int number);
    int CurrentPhaseNumber() const { return FCurrentPhaseNumber; }
    void SetCurrentPhaseNumber(int number) { FCurrentPhaseNumber = number; }
    int ViewingPhaseNumber() const { return FViewingPhaseNumber; }
    void SetViewingPhaseNumber(int number) { FViewingPhaseNumber = number; }

    TPhaseList* PhaseList() const { return ObjectOf<TPhaseList>(0); }
    TPhase* PhaseByNumber(int number) const;
    void ReleasePictures();

protected:
    // An older turn's phases are built on first use, the last turn's (the current one) at once.
    // Nothing a phase reads can fail or make objects through a property.
    bool DefersChildren(bool lastOfItsKind) const override { return !lastOfItsKind; }

private:
    int FTurnNumber = 0;
    int FCurrentPhaseNumber = 0;
    int FViewingPhaseNumber = 0;
};

// The turns in the order played; the last is the current one.
class TTurnList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TTurnList)
public:
    TTurnList();

    TTurn* Turns(int index) const { return static_cast<TTurn*>(Items(index)); }
    // Appends the next turn; its phase 0 starts as the previous turn's phase 5.
    TTurn* AddTurn();
    void ReleasePicturesExceptLast();
};
