#pragma once
#include "model/BotArchiveUnt.h"
#include "model/ChitUnt.h"

// A snapshot of the map in one phase of a turn: every chit as it stood, and the archive squares.
// Its ID is the phase number, "0" to "5".
class TPhase : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TPhase)
public:
    TPhase();

    TChitList* ChitList() const { return ObjectOf<TChitList>(0); }
    TBotArchiveList* ArchiveList() const { return ObjectOf<TBotArchiveList>(0); }
    void ReleasePictures();
    // Replaces the phase's chits by copies of the list's; each copy keeps its source's
    // catalogue and map-layout pointers so that it draws at once.
    void CopyChitsFrom(const TChitList& chits);
    void CopyArchivesFrom(const TBotArchiveList& archives);

private:
    TChitList& EnsureChitList();
    TBotArchiveList& EnsureArchiveList();
};

class TPhaseList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TPhaseList)
public:
    static constexpr int PhaseCount = 6;
    TPhaseList();

    TPhase* Items(int index) const { return static_cast<TPhase*>(TListObject::Items(index)); }
    TPhase* PhaseByNumber(int number) const;
    void ReleasePictures();
};
