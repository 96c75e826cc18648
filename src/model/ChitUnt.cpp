#include "model/ChitUnt.h"

#include "support/FilePlacesUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <algorithm>
#include <cstdint>

const char* const BotChitSuffixes[BotChitSuffixCount] = {"", "ShutDown", "Virtual", "Destroyed", "Archive"};

const TEnumInfo& ChitFacingInfo()
{
    static const TEnumInfo info{"TChitFacing", {"cfNorth", "cfEast", "cfSouth", "cfWest"}};
    return info;
}

COGLINE_DEFINE_CLASS(TChit, "Chit", TRootObject,
    PropInteger<TChit>("X", &TChit::X, &TChit::SetX),
    PropInteger<TChit>("Y", &TChit::Y, &TChit::SetY),
    PropString<TChit>("RelativeFilePath", &TChit::RelativeFilePath, &TChit::SetRelativeFilePath),
    PropString<TChit>("Description", &TChit::Description, &TChit::SetDescription),
    PropInteger<TChit>("ImageSizePercent", &TChit::ImageSizePercent, &TChit::SetImageSizePercent),
    PropInteger<TChit>("ImagePixelShiftX", &TChit::ImagePixelShiftX, &TChit::SetImagePixelShiftX),
    PropInteger<TChit>("ImagePixelShiftY", &TChit::ImagePixelShiftY, &TChit::SetImagePixelShiftY),
    PropEnum<TChit>("ChitFacing", ChitFacingInfo(), &TChit::ChitFacing, &TChit::SetChitFacing),
    PropInteger<TChit>("DrawLayer", &TChit::DrawLayer, &TChit::SetDrawLayer),
    PropBoolean<TChit>("IsCloneable", &TChit::IsCloneable, &TChit::SetIsCloneable),
    PropBoolean<TChit>("IsClone", &TChit::IsClone, &TChit::SetIsClone))
COGLINE_DEFINE_CLASS(TChitList, "ChitList", TListObject)

// ----------------------------------------------------------------------------- TChit

void TChit::SetDescription(std::string description)
{
    CleanXmlText(description);
    FDescription = std::move(description);
}

TChit::TChit()
{
    RegisterChildClass(TBoardRef::StaticClass());
    RegisterChildClass(TUsedBoardRef::StaticClass());
}

void TChit::SetRelativeFilePath(const std::string& path)
{
    if (path != FRelativeFilePath)
        FPicture = QImage();
    FRelativeFilePath = path;
}

TBoardRef* TChit::BoardRef()
{
    TBoardRef* ref = ObjectOf<TBoardRef>(0);
    return ref ? ref : CreateObject<TBoardRef>();
}

TUsedBoardRef* TChit::UsedBoardRef()
{
    TUsedBoardRef* ref = ObjectOf<TUsedBoardRef>(0);
    return ref ? ref : CreateObject<TUsedBoardRef>();
}

std::string TChit::BoardID() const
{
    TBoardRef* ref = ObjectOf<TBoardRef>(0);
    return ref ? ref->ID() : std::string();
}

std::string TChit::UsedBoardID() const
{
    TUsedBoardRef* ref = ObjectOf<TUsedBoardRef>(0);
    return ref ? ref->ID() : std::string();
}

TBoard* TChit::Board() const
{
    std::string id = BoardID();
    return FBoardList && !id.empty() ? FBoardList->FindByID(id) : nullptr;
}

TUsedBoard* TChit::UsedBoard() const
{
    std::string id = UsedBoardID();
    return FUsedBoardList && !id.empty() ? FUsedBoardList->FindByID(id) : nullptr;
}

void TChit::SetBoard(const TBoard* board)
{
    if (board)
        BoardRef()->SetID(board->ID());
}

void TChit::SetUsedBoard(const TUsedBoard* usedBoard)
{
    if (usedBoard)
        UsedBoardRef()->SetID(usedBoard->ID());
}

void TChit::PlaceAt(const TUsedBoard* usedBoard, int x, int y)
{
    if (!usedBoard) {
        TakeOffMap();
        return;
    }
    UsedBoardRef()->SetID(usedBoard->ID());
    BoardRef()->SetID(usedBoard->BoardID());
    FX = x;
    FY = y;
    if (usedBoard->BoardList())
        FBoardList = usedBoard->BoardList();
    if (TpzCustomPersistentToXMLObject* owner = usedBoard->Owner(); owner && owner->Is<TUsedBoardList>())
        FUsedBoardList = static_cast<TUsedBoardList*>(owner);
}

void TChit::TakeOffMap()
{
    BoardRef()->SetID("");
    UsedBoardRef()->SetID("");
    FX = -1;
    FY = -1;
}

bool TChit::IsOnMap() const { return FX != -1 && FY != -1 && UsedBoard() != nullptr; }

const QImage& TChit::Picture() const
{
    if (FPicture.isNull()) {
        FPicture = ReadPicture(DataFolder() + FRelativeFilePath);
        NoteHeldPicture();
    }
    return FPicture;
}

void TChit::NoteHeldPicture() const
{
    if (TpzCustomPersistentToXMLObject* owner = Owner(); owner && owner->InheritsFrom(TChitList::StaticClass()))
        static_cast<TChitList*>(owner)->NoteHeldPicture();
}

void TChit::ReleasePictures()
{
    FPicture = QImage();
    FSaveUnder = QImage();
}

std::unique_ptr<TChit> TChit::Clone()
{
    auto clone = std::make_unique<TChit>();
    clone->CopyObjectsFrom(*this);
    clone->SetID(ID());
    clone->SetVersion(Version());
    clone->FBoardList = FBoardList;
    clone->FUsedBoardList = FUsedBoardList;
    clone->FRelativeFilePath = FRelativeFilePath;
    clone->FDescription = FDescription;
    clone->FDrawLayer = FDrawLayer;
    clone->FIsCloneable = false;
    clone->FIsClone = true;
    return clone;
}

void TChit::MoveEast()
{
    if (!IsOnMap())
        return;
    if (FX < TBoardNodeList::GridSize)
        ++FX;
    else
        StepToNeighbour(+1, 0);
}

void TChit::MoveWest()
{
    if (!IsOnMap())
        return;
    if (FX >= 2)
        --FX;
    else
        StepToNeighbour(-1, 0);
}

void TChit::MoveNorth()
{
    if (!IsOnMap())
        return;
    if (FY >= 2)
        --FY;
    else
        StepToNeighbour(0, -1);
}

void TChit::MoveSouth()
{
    if (!IsOnMap())
        return;
    if (FY < TBoardNodeList::GridSize)
        ++FY;
    else
        StepToNeighbour(0, +1);
}

void TChit::StepToNeighbour(int dx, int dy)
{
    TUsedBoard* usedBoard = UsedBoard();
    if (!usedBoard)
        return;
    TUsedBoard* next = FUsedBoardList->Neighbour(*usedBoard, dx, dy);
    if (!next) {
        // Off the edge of the map: no entry square is kept for a chit that is nowhere.
        TakeOffMap();
        return;
    }
    UsedBoardRef()->SetID(next->ID());
    BoardRef()->SetID(next->BoardID());
    if (dx >= 1)
        FX = 1;
    else if (dx < 0)
        FX = TBoardNodeList::GridSize;
    else if (dy >= 1)
        FY = 1;
    else if (dy < 0)
        FY = TBoardNodeList::GridSize;
}

void TChit::RotateLeft() { FChitFacing = static_cast<TChitFacing>((FChitFacing + 3) % 4); }

void TChit::RotateRight() { FChitFacing = static_cast<TChitFacing>((FChitFacing + 1) % 4); }

void TChit::Tweak(int dx, int dy)
{
    FImagePixelShiftX = ClampToInt(static_cast<long long>(FImagePixelShiftX) + dx);
    FImagePixelShiftY = ClampToInt(static_cast<long long>(FImagePixelShiftY) + dy);
}

bool TChit::SetSizePercent(int percent)
{
    if (percent == FImageSizePercent)
        return false;
    FImageSizePercent = percent;
    return true;
}

// ----------------------------------------------------------------------------- TChitList

TChitList::TChitList()
    : TListObject(TChit::StaticClass())
{
}

void TChitList::SortObjects()
{
    TListObject::SortObjects();
    SortByDrawLayer();
}

void TChitList::SortByDrawLayer()
{
    SortObjectsBy([](const TpzCustomPersistentToXMLObject* a, const TpzCustomPersistentToXMLObject* b) {
        if (!a->Is<TChit>() || !b->Is<TChit>())
            return 0;
        int la = static_cast<const TChit*>(a)->DrawLayer();
        int lb = static_cast<const TChit*>(b)->DrawLayer();
        return la < lb ? -1 : (la > lb ? 1 : 0);
    });
}

TChit* TChitList::AddChit(const std::string& id, const std::string& description, const std::string& relativeFilePath)
{
    TChit chit;
    chit.SetID(id);
    chit.SetDescription(description);
    chit.SetRelativeFilePath(relativeFilePath);
    return AddChitCopy(chit);
}

TChit* TChitList::AddChitCopy(TChit& chit)
{
    auto* copy = static_cast<TChit*>(AddCopy(chit, TChit::StaticClass()));
    copy->SetBoardList(chit.BoardList());
    copy->SetUsedBoardList(chit.UsedBoardList());
    return copy;
}

TChit* TChitList::AddClone(TChit& templateChit)
{
    std::unique_ptr<TChit> clone = templateChit.Clone();
    const std::string prefix = templateChit.ID() + "_";
    // 64-bit so that a clone numbered at the top of the 32-bit range cannot overflow the next.
    std::int64_t highest = 0;
    for (int i = 0, n = Count(); i < n; ++i) {
        const TChit* chit = Items(i);
        if (chit->IsClone() && chit->ID().compare(0, prefix.size(), prefix) == 0)
            highest = std::max<std::int64_t>(highest, ParseLeadingInteger(std::string_view(chit->ID()).substr(prefix.size())));
    }
    std::int64_t number = highest + 1;
    clone->SetID(prefix + std::to_string(number));
    clone->SetDescription(templateChit.Description() + " " + std::to_string(number));
    return AddChitCopy(*clone);
}

int TChitList::CloneableCount() const
{
    int count = 0;
    for (int i = 0, n = Count(); i < n; ++i)
        count += Items(i)->IsCloneable() ? 1 : 0;
    return count;
}

TChit* TChitList::CloneableAt(int index) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (Items(i)->IsCloneable() && index-- == 0)
            return Items(i);
    return nullptr;
}

int TChitList::CloneCount() const
{
    int count = 0;
    for (int i = 0, n = Count(); i < n; ++i)
        count += Items(i)->IsClone() ? 1 : 0;
    return count;
}

TChit* TChitList::CloneAt(int index) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (Items(i)->IsClone() && index-- == 0)
            return Items(i);
    return nullptr;
}

void TChitList::SetBoardList(TBoardList* boardList)
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->SetBoardList(boardList);
}

void TChitList::SetUsedBoardList(TUsedBoardList* usedBoardList)
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->SetUsedBoardList(usedBoardList);
}

void TChitList::ReleasePictures()
{
    if (!FMayHoldPictures)
        return;
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->ReleasePictures();
    FMayHoldPictures = false;
}

TChit* TChitList::FindBotChit(const std::string& baseID) const
{
    for (const char* suffix : BotChitSuffixes) {
        TChit* chit = FindByID(baseID + suffix);
        if (chit && chit->IsOnMap())
            return chit;
    }
    return nullptr;
}

int TChitList::BotIndexOfChit(const TChit* chit, const TBotList& bots) const
{
    if (!chit)
        return -1;
    for (int i = 0, n = bots.Count(); i < n; ++i) {
        const std::string base = BaseChitID(bots.Items(i)->BotType());
        for (const char* suffix : BotChitSuffixes) {
            const TChit* found = FindByID(base + suffix);
            if (found && found->ID() == chit->ID())
                return i;
        }
    }
    return -1;
}

void TChitList::ShowBotsInState(const TBotList& bots)
{
    for (int i = 0, n = bots.Count(); i < n; ++i) {
        const TBot* bot = bots.Items(i);
        const std::string base = BaseChitID(bot->BotType());
        TChit* shown = FindBotChit(base);
        // The archive marker marks where the robot re-enters; it never stands for the robot.
        if (!shown || shown->IsArchiveMarker())
            continue;
        const char* wanted = BotChitSuffixes[0];
        if (bot->BotActivityLevel() == alShutDown)
            wanted = BotChitSuffixes[1];
        else if (bot->BotState() == bsVirtual)
            wanted = BotChitSuffixes[2];
        else if (bot->Damage() >= 10)
            wanted = BotChitSuffixes[3];
        TChit* incoming = FindByID(base + wanted);
        if (!incoming || incoming == shown)
            continue;
        incoming->SetX(shown->X());
        incoming->SetY(shown->Y());
        incoming->BoardRef()->SetID(shown->BoardID());
        incoming->UsedBoardRef()->SetID(shown->UsedBoardID());
        incoming->SetBoardList(shown->BoardList());
        incoming->SetUsedBoardList(shown->UsedBoardList());
        shown->TakeOffMap();
    }
}

// ----------------------------------------------------------------------------- robot chit IDs

TBotType BotTypeOfChitID(std::string_view chitID, const TChitList& chits)
{
    for (int type = btUnknown; type <= btBuzzBomb; ++type) {
        const std::string base = BaseChitID(static_cast<TBotType>(type));
        for (const char* suffix : BotChitSuffixes) {
            const TChit* found = chits.FindByID(base + suffix);
            if (found && found->ID() == chitID)
                return static_cast<TBotType>(type);
        }
    }
    return btUnknown;
}

std::string BaseChitIDOfChit(std::string_view chitID, const TChitList& chits)
{
    TBotType type = BotTypeOfChitID(chitID, chits);
    return type == btUnknown ? std::string() : BaseChitID(type);
}

// ----------------------------------------------------------------------------- built-in table

void BuildChitList(TChitList& list)
{
    list.AddChit("Start", "Start", "Images/Start.jpg");
    for (int i = 1; i <= 6; ++i) {
        std::string id = Format("Flag%d", i);
        list.AddChit(id, Format("Flag %d", i), "Images/Flags/" + id + ".jpg");
    }
    for (int type = btHammerBot; type <= btZoomBot; ++type) {
        auto botType = static_cast<TBotType>(type);
        list.AddChit(BaseChitID(botType), BotTypeName(botType), Format("Images/%s.jpg", BotTypeName(botType).c_str()));
    }
}

void BuildChitListFile(const std::string& folder)
{
    TChitList list;
    BuildChitList(list);
    list.SaveToXMLFile(folder + "Chits.xml");
}
