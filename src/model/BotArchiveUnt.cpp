#include "model/BotArchiveUnt.h"

COGLINE_DEFINE_CLASS(TBotArchive, "BotArchive", TRootObject,
    PropEnum<TBotArchive>("BotType", BotTypeInfo(), &TBotArchive::BotType, &TBotArchive::SetBotType),
    PropInteger<TBotArchive>("X", &TBotArchive::X, &TBotArchive::SetX),
    PropInteger<TBotArchive>("Y", &TBotArchive::Y, &TBotArchive::SetY))
COGLINE_DEFINE_CLASS(TBotArchiveList, "BotArchiveList", TListObject)

// ----------------------------------------------------------------------------- TBotArchive

TBotArchive::TBotArchive()
{
    RegisterChildClass(TUsedBoardRef::StaticClass());
    CreateObject<TUsedBoardRef>();
}

std::string TBotArchive::UsedBoardID() const
{
    TUsedBoardRef* ref = UsedBoardRef();
    return ref ? ref->ID() : std::string();
}

void TBotArchive::SetUsedBoardID(const std::string& id)
{
    TUsedBoardRef* ref = UsedBoardRef();
    if (!ref)
        ref = CreateObject<TUsedBoardRef>();
    ref->SetID(id);
}

// ----------------------------------------------------------------------------- TBotArchiveList

TBotArchiveList::TBotArchiveList()
    : TListObject(TBotArchive::StaticClass())
{
}

TBotArchive* TBotArchiveList::FindByBotType(TBotType type) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (Items(i)->BotType() == type)
            return Items(i);
    return nullptr;
}

TBotArchive* TBotArchiveList::AddArchive(TBotType type)
{
    auto* archive = CreateObject<TBotArchive>();
    archive->SetBotType(type);
    archive->SetID(BotTypeInfo().NameOf(type));
    return archive;
}

// ----------------------------------------------------------------------------- archive commands

TBotArchive* SetBotArchive(TBotArchiveList& archives, TChitList& chits, TChit& chit)
{
    TBotType type = BotTypeOfChitID(chit.ID(), chits);
    if (type == btUnknown)
        return nullptr;
    TBotArchive* archive = archives.FindByBotType(type);
    if (!archive)
        archive = archives.AddArchive(type);
    archive->SetUsedBoardID(chit.UsedBoardID());
    archive->SetX(chit.X());
    archive->SetY(chit.Y());
    if (TChit* marker = chits.FindByID(BaseChitID(type) + BotChitSuffixes[ArchiveSuffixIndex])) {
        marker->BoardRef()->SetID(chit.BoardID());
        marker->UsedBoardRef()->SetID(chit.UsedBoardID());
        marker->SetX(chit.X());
        marker->SetY(chit.Y());
    }
    return archive;
}

bool MoveChitToArchive(const TBotArchive* archive, TChit& chit)
{
    if (!archive || !archive->IsSet())
        return false;
    const TUsedBoardList* layout = chit.UsedBoardList();
    const TUsedBoard* usedBoard = layout ? layout->FindByID(archive->UsedBoardID()) : nullptr;
    if (usedBoard) {
        chit.PlaceAt(usedBoard, archive->X(), archive->Y());
    } else {
        // The board is gone from the map: the chit keeps the reference and so counts as off it.
        chit.UsedBoardRef()->SetID(archive->UsedBoardID());
        chit.BoardRef()->SetID("");
        chit.SetX(archive->X());
        chit.SetY(archive->Y());
    }
    return true;
}
