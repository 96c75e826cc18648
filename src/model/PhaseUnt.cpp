#include "model/PhaseUnt.h"

COGLINE_DEFINE_CLASS(TPhase, "Phase", TRootObject)
COGLINE_DEFINE_CLASS(TPhaseList, "PhaseList", TListObject)

TPhase::TPhase()
{
    RegisterChildClass(TChitList::StaticClass());
    RegisterChildClass(TBotArchiveList::StaticClass());
    CreateObject<TChitList>();
    CreateObject<TBotArchiveList>();
}

// A damaged file can leave a phase without one of its lists; it gets a new, empty one.
TChitList& TPhase::EnsureChitList()
{
    TChitList* list = ChitList();
    return list ? *list : *CreateObject<TChitList>();
}

TBotArchiveList& TPhase::EnsureArchiveList()
{
    TBotArchiveList* list = ArchiveList();
    return list ? *list : *CreateObject<TBotArchiveList>();
}

void TPhase::ReleasePictures()
{
    if (TChitList* list = ChitList())
        list->ReleasePictures();
}

void TPhase::CopyChitsFrom(const TChitList& chits)
{
    TChitList& own = EnsureChitList();
    if (&own == &chits)
        return;
    if (own.Count() > 0)
        own.ClearObjects();
    for (int i = 0, n = chits.Count(); i < n; ++i)
        own.AddChitCopy(*chits.Items(i));
}

void TPhase::CopyArchivesFrom(const TBotArchiveList& archives)
{
    TBotArchiveList& own = EnsureArchiveList();
    if (&own == &archives)
        return;
    if (own.Count() > 0)
        own.ClearObjects();
    own.CopyObjectsFrom(const_cast<TBotArchiveList&>(archives), &TBotArchive::StaticClass());
}

TPhaseList::TPhaseList()
    : TListObject(TPhase::StaticClass())
{
    for (int i = 0; i < PhaseCount; ++i)
        CreateObject<TPhase>()->SetID(std::to_string(i));
}

TPhase* TPhaseList::PhaseByNumber(int number) const
{
    return static_cast<TPhase*>(FindByID(std::to_string(number)));
}

void TPhaseList::ReleasePictures()
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->ReleasePictures();
}
