#include "model/TurnUnt.h"

COGLINE_DEFINE_CLASS(TTurn, "Turn", TRootObject,
    PropInteger<TTurn>("TurnNumber", &TTurn::TurnNumber, &TTurn::SetTurnNumber),
    PropInteger<TTurn>("CurrentPhaseNumber", &TTurn::CurrentPhaseNumber, &TTurn::SetCurrentPhaseNumber),
    PropInteger<TTurn>("ViewingPhaseNumber", &TTurn::ViewingPhaseNumber, &TTurn::SetViewingPhaseNumber))
COGLINE_DEFINE_CLASS(TTurnList, "TurnList", TListObject)

TTurn::TTurn()
{
    RegisterChildClass(TPhaseList::StaticClass());
    CreateObject<TPhaseList>();
}

void TTurn::SetTurnNumber(int number)
{
    FTurnNumber = number;
    if (ID().empty())
        SetID(std::to_string(number));
}

TPhase* TTurn::PhaseByNumber(int number) const
{
    TPhaseList* phases = PhaseList();
    return phases ? phases->PhaseByNumber(number) : nullptr;
}

void TTurn::ReleasePictures()
{
    // Phases still in the file have never been drawn.
    if (HasPendingChildren())
        return;
    if (TPhaseList* phases = PhaseList())
        phases->ReleasePictures();
}

TTurnList::TTurnList()
    : TListObject(TTurn::StaticClass())
{
}

TTurn* TTurnList::AddTurn()
{
    auto* turn = CreateObject<TTurn>();
    int count = Count();
    if (count >= 2) {
        TTurn* previous = Turns(count - 2);
        TPhase* lastPhase = previous->PhaseByNumber(5);
        TPhase* firstPhase = turn->PhaseByNumber(0);
        if (lastPhase && lastPhase->ChitList() && firstPhase)
            firstPhase->CopyChitsFrom(*lastPhase->ChitList());
        // A robot's archive stays where it was until it is set again, like its marker chit.
        if (lastPhase && lastPhase->ArchiveList() && firstPhase)
            firstPhase->CopyArchivesFrom(*lastPhase->ArchiveList());
        turn->SetTurnNumber(previous->TurnNumber() + 1);
        if (TPhaseList* phases = previous->PhaseList())
            for (int i = 0, n = phases->Count(); i < n; ++i)
                if (TPhase* phase = phases->PhaseByNumber(i))
                    phase->ReleasePictures();
    } else {
        turn->SetTurnNumber(1);
    }
    return turn;
}

void TTurnList::ReleasePicturesExceptLast()
{
    for (int i = 0, n = Count(); i < n - 1; ++i)
        Turns(i)->ReleasePictures();
}
