#include "session/ProcessTurnRulesUnt.h"

#include "model/BotArchiveUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/ProgramUnt.h"
#include "model/TurnUnt.h"
#include "render/MapPictureUnt.h"
#include "render/MapViewUnt.h"
#include "support/UtilsUnt.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>

namespace {

TChitList* ViewedChits(TGame& game)
{
    TPhase* phase = game.ViewingPhase();
    return phase ? phase->ChitList() : nullptr;
}

bool SameSquare(const TChit& chit, const TMapSquare& square)
{
    return chit.UsedBoardID() == square.UsedBoard->ID() && chit.X() == square.Node->X()
        && chit.Y() == square.Node->Y();
}

// Sets the current turn's phase for as long as it lives, then puts the old one back.
class TCurrentPhaseScope {
public:
    TCurrentPhaseScope(TTurn& turn, int phase)
        : FTurn(turn)
        , FOld(turn.CurrentPhaseNumber())
    {
        FTurn.SetCurrentPhaseNumber(phase);
    }
    ~TCurrentPhaseScope() { FTurn.SetCurrentPhaseNumber(FOld); }
    TCurrentPhaseScope(const TCurrentPhaseScope&) = delete;
    TCurrentPhaseScope& operator=(const TCurrentPhaseScope&) = delete;

private:
    TTurn& FTurn;
    int FOld;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Phases

std::string PhaseDescription(int current, int viewing)
{
    if (viewing == 0)
        return current == 0 ? "Start of Turn" : "Review of Start of Turn";
    if (viewing == current)
        return Format("Edit Phase %d", viewing);
    if (viewing < current)
        return Format("Review of Phase %d", viewing);
    return Format("Preview of Phase %d", viewing);
}

std::string PhaseCaption(int current) { return Format("Phase %d", current); }

std::string ProcessTurnCaption(TGame& game)
{
    return Format("Process Turn %d - %s", game.TurnCount(), game.GameName().c_str());
}

bool IsPreview(TGame& game) { return game.ViewingPhaseNumber() > game.CurrentPhaseNumber(); }

int ShownPhaseNumber(TGame& game) { return std::min(game.ViewingPhaseNumber(), game.CurrentPhaseNumber()); }

void SetViewingPhase(TGame& game, int phase)
{
    if (TTurn* turn = game.CurrentTurn())
        turn->SetViewingPhaseNumber(std::clamp(phase, 0, LastPhaseNumber));
}

TNextPhaseResult NextPhase(TGame& game, int slider)
{
    TNextPhaseResult result;
    result.Slider = slider;
    if (game.CurrentPhaseNumber() >= LastPhaseNumber || !game.NextPhase())
        return result;
    result.Stepped = true;
    if (slider == game.CurrentPhaseNumber() - 1)
        result.Slider = slider + 1;
    return result;
}

// ---------------------------------------------------------------------------------------------
// List entries

TChitListInfo::TChitListInfo(std::string chitID, TGame& game)
    : FChitID(std::move(chitID))
    , FGame(game)
{
}

TChit* TChitListInfo::GetChit() const
{
    TChitList* chits = ViewedChits(FGame);
    if (!chits)
        return nullptr;
    const std::string id = GetChitID();
    TChit* chit = chits->FindByID(id);
    if (chit && !chit->IsOnMap())
        if (TChit* variant = chits->FindBotChit(id))
            chit = variant;
    return chit;
}

TBotListInfo::TBotListInfo(TBotType botType, TGame& game)
    : TChitListInfo(std::string(), game)
    , FBotType(botType)
{
}

TBot* TBotListInfo::Bot() const
{
    TBotList* bots = Game().BotList();
    return bots ? bots->FindByType(FBotType) : nullptr;
}

std::string TBotListInfo::GetChitID() const { return BaseChitID(FBotType); }

TChit* MovedChit(const TChitListInfo& entry)
{
    TChit* chit = entry.GetChit();
    TChitList* chits = ViewedChits(entry.Game());
    if (!chit || !chits || !chit->IsArchiveMarker() || !dynamic_cast<const TBotListInfo*>(&entry))
        return chit;
    TChit* robot = chits->FindByID(entry.GetChitID());
    return robot ? robot : chit;
}

TBotItems BotItems(TGame& game)
{
    TBotItems items;
    if (TBotList* bots = game.BotList())
        for (int i = 0, n = bots->Count(); i < n; ++i)
            if (bots->Items(i)->InUseFlag())
                items.push_back(std::make_unique<TBotListInfo>(bots->Items(i)->BotType(), game));
    return items;
}

int ShownRegisterIndex(int viewing) { return std::max(0, viewing - 1); }

TProgramCard* ShownCard(TGame& game, const TBot& bot)
{
    TProgramDeck* deck = game.ProgramDeck();
    TBotRegisterList* registers = bot.Registers();
    if (!deck || !registers)
        return nullptr;
    TBotRegister* shown = registers->Registers(ShownRegisterIndex(game.ViewingPhaseNumber()));
    if (!shown || shown->IsEmpty())
        return nullptr;
    return deck->FindCard(shown->CardID());
}

int CompareBotItems(const TBotListInfo& a, const TBotListInfo& b)
{
    const TBot* botA = a.Bot();
    const TBot* botB = b.Bot();
    const TProgramCard* cardA = botA ? ShownCard(a.Game(), *botA) : nullptr;
    const TProgramCard* cardB = botB ? ShownCard(b.Game(), *botB) : nullptr;
    // Wide arithmetic, so that damaged priorities cannot overflow.
    long long result = 0;
    if (cardA && cardB)
        result = static_cast<long long>(cardB->Priority()) - cardA->Priority();
    else if (cardA)
        result = -static_cast<long long>(cardA->Priority());
    else if (cardB)
        result = cardB->Priority();
    else
        result = BotTypeName(a.BotType()).compare(BotTypeName(b.BotType()));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

void SortBotItems(TBotItems& items)
{
    // Insertion sort: at most nine robots, and it stays within bounds even when damaged
    // priorities make the comparison inconsistent.
    for (std::size_t i = 1; i < items.size(); ++i)
        for (std::size_t j = i; j > 0 && CompareBotItems(*items[j], *items[j - 1]) < 0; --j)
            std::swap(items[j], items[j - 1]);
}

std::string BotItemText(const TBotListInfo& item)
{
    std::string text = BotTypeName(item.BotType());
    const TBot* bot = item.Bot();
    if (const TProgramCard* card = bot ? ShownCard(item.Game(), *bot) : nullptr)
        text = Format("%s - %s", text.c_str(), card->DisplayName().c_str());
    return text;
}

std::string OtherItemText(const TChitListInfo& item)
{
    const TChit* chit = item.GetChit();
    return chit ? chit->Description() : std::string();
}

// ---------------------------------------------------------------------------------------------
// Points of the shown map

TUsedBoard* UsedBoardAtPoint(TGame& game, QPoint point, QSize shownSize)
{
    return UsedBoardAtShownPoint(*game.UsedBoardList(), point, shownSize);
}

TMapSquare SquareAtPoint(TGame& game, QPoint point, QSize shownSize)
{
    return SquareAtShownPoint(*game.UsedBoardList(), point, shownSize);
}

std::vector<TChitListInfo*> ChitsAtPoint(
    TGame& game, const std::vector<TChitListInfo*>& entries, QPoint point, QSize shownSize)
{
    std::vector<TChitListInfo*> found;
    if (IsPreview(game))
        return found;
    const TMapSquare square = SquareAtPoint(game, point, shownSize);
    if (!square)
        return found;
    for (TChitListInfo* entry : entries) {
        const TChit* chit = entry ? entry->GetChit() : nullptr;
        if (chit && SameSquare(*chit, square))
            found.push_back(entry);
    }
    return found;
}

TChitListInfo* ChitAtPoint(TGame& game, const std::vector<TChitListInfo*>& entries, QPoint point, QSize shownSize)
{
    std::vector<TChitListInfo*> found = ChitsAtPoint(game, entries, point, shownSize);
    return found.empty() ? nullptr : found.front();
}

std::string MapHint(TGame& game, QPoint point, QSize shownSize)
{
    std::string hint;
    TChitList* chits = ViewedChits(game);
    const TMapSquare square = chits ? SquareAtPoint(game, point, shownSize) : TMapSquare {};
    if (!square)
        return hint;
    for (int i = 0, n = chits->Count(); i < n; ++i) {
        const TChit* chit = chits->Items(i);
        if (!SameSquare(*chit, square))
            continue;
        if (!hint.empty())
            hint += "\r\n";
        hint += chit->Description();
    }
    return hint;
}

// ---------------------------------------------------------------------------------------------
// The editing controls

std::string SaveImagesCaption(TGame& game)
{
    return Format("Save Images for Turn %d Phase %d", game.TurnCount(), game.ViewingPhaseNumber());
}

TChitControls ChitControls(TGame* game, const TChitListInfo* selected)
{
    TChitControls controls;
    if (!game)
        return controls;
    // A previewed phase has no chits of its own yet; nothing in it is edited.
    const TChit* chit = selected && !IsPreview(*game) ? selected->GetChit() : nullptr;
    const auto* botEntry = dynamic_cast<const TBotListInfo*>(selected);
    const bool onMap = chit && chit->X() != -1 && chit->Y() != -1;
    controls.ChitEditing = onMap;
    controls.SizePercent = chit ? chit->ImageSizePercent() : 100;
    controls.Archive = onMap && botEntry;

    TPhase* phase = game->ViewingPhase();
    const TBotArchive* archive = phase && botEntry && phase->ArchiveList()
        ? phase->ArchiveList()->FindByBotType(botEntry->BotType())
        : nullptr;
    if (archive && archive->IsSet()) {
        const TUsedBoard* usedBoard = game->UsedBoardList()->FindByID(archive->UsedBoardID());
        controls.ArchiveBoard
            = usedBoard ? Format("(%d, %d)", usedBoard->X(), usedBoard->Y()) : std::string("unknown grid coords");
        controls.ArchiveCoords = Format("(%d, %d)", archive->X(), archive->Y());
    }

    controls.SaveImagesCaption = SaveImagesCaption(*game);
    // The pictures are those of the viewed phase, which has no chits of its own while previewed.
    controls.SaveImages = game->TurnCount() > 0 && !IsPreview(*game);
    controls.NextPhase = game->CurrentTurn() && game->CurrentPhaseNumber() < LastPhaseNumber;
    return controls;
}

QPoint CenterTweak(const TChit& chit)
{
    // Wide arithmetic: negating the lowest value of a damaged file would overflow.
    return QPoint(ClampToInt(-static_cast<long long>(chit.ImagePixelShiftX())),
        ClampToInt(-static_cast<long long>(chit.ImagePixelShiftY())));
}

// ---------------------------------------------------------------------------------------------
// Commands on the viewed phase

TBotType ArchiveBotType(TGame& game, const TChit& chit)
{
    TChitList* chits = ViewedChits(game);
    return chits ? BotTypeOfChitID(chit.ID(), *chits) : btUnknown;
}

TBotArchive* SetArchive(TPhase& phase, TChit& chit)
{
    if (!phase.ChitList() || !phase.ArchiveList())
        return nullptr;
    return SetBotArchive(*phase.ArchiveList(), *phase.ChitList(), chit);
}

bool MoveToArchive(TPhase& phase, TChit& chit)
{
    if (!phase.ChitList() || !phase.ArchiveList())
        return false;
    const TBotType type = BotTypeOfChitID(chit.ID(), *phase.ChitList());
    return type != btUnknown && MoveChitToArchive(phase.ArchiveList()->FindByBotType(type), chit);
}

TMapPlace DropPlace(TGame& game, QPoint point, QSize shownSize)
{
    TUsedBoard* usedBoard = UsedBoardAtPoint(game, point, shownSize);
    const TMapSquare square = SquareAtPoint(game, point, shownSize);
    if (!usedBoard || !square)
        return {};
    return {usedBoard->ID(), square.Node->X(), square.Node->Y()};
}

void PlaceChit(TGame& game, TChit& chit, const TMapPlace& place)
{
    TUsedBoard* usedBoard = place.OnMap() ? game.UsedBoardList()->FindByID(place.UsedBoardID) : nullptr;
    if (usedBoard)
        chit.PlaceAt(usedBoard, place.X, place.Y);
    else
        chit.TakeOffMap();
}

std::vector<TAddChitItem> AddChitItems(TGame& game)
{
    std::vector<TAddChitItem> items;
    TChitList* chits = ViewedChits(game);
    if (!chits)
        return items;
    for (int i = 0, n = chits->CloneableCount(); i < n; ++i)
        if (const TChit* chit = chits->CloneableAt(i))
            items.push_back({chit->Description(), i, chit->ID()});
    std::stable_sort(items.begin(), items.end(), [](const TAddChitItem& a, const TAddChitItem& b) {
        return QString::fromStdString(a.Caption).compare(QString::fromStdString(b.Caption), Qt::CaseInsensitive) < 0;
    });
    return items;
}

TChit* AddMarker(TPhase& phase, const TUsedBoardList& layout, const std::string& templateID, const TMapPlace& place)
{
    TChitList* chits = phase.ChitList();
    TChit* templateChit = chits ? chits->FindByID(templateID) : nullptr;
    const TUsedBoard* usedBoard = place.OnMap() ? layout.FindByID(place.UsedBoardID) : nullptr;
    const TBoard* board = usedBoard ? usedBoard->Board() : nullptr;
    if (!templateChit || !templateChit->IsCloneable() || !board || !board->NodeAt(place.X, place.Y))
        return nullptr;
    TChit* marker = chits->AddClone(*templateChit);
    marker->PlaceAt(usedBoard, place.X, place.Y);
    return marker;
}

void ToggleChitLayerLimit(TGame& game)
{
    game.SetChitLayerLimit(game.ChitLayerLimit() != -1 ? -1 : HiddenChitLayerLimit);
}

std::string ShowHideCaption(const TGame& game) { return game.ChitLayerLimit() != -1 ? "Show Chits" : "Hide Chits"; }

std::vector<std::string> SaveViewedPhaseImages(TMapRenderer& renderer, TGame& game)
{
    TTurn* turn = game.CurrentTurn();
    if (!turn || IsPreview(game))
        return {};
    // The renderer writes the turn's current phase; for a reviewed phase it is that one for the
    // time of the writing.
    TCurrentPhaseScope scope(*turn, turn->ViewingPhaseNumber());
    return renderer.SaveImages(game);
}

TSavedImagesNote SavedImagesNote(const std::vector<std::string>& files, int turnNumber, int phaseNumber)
{
    TSavedImagesNote note;
    if (files.empty()) {
        note.Text = Format("No pictures were written: Turn %d, Phase %d has not been reached yet.", turnNumber, phaseNumber);
        return note;
    }
    note.Folder = QFileInfo(QString::fromStdString(files.front())).absolutePath().toStdString() + "/";
    note.Text = Format("Saved %d %s of Turn %d, Phase %d in %s", static_cast<int>(files.size()),
        files.size() == 1 ? "picture" : "pictures", turnNumber, phaseNumber, note.Folder.c_str());
    return note;
}
