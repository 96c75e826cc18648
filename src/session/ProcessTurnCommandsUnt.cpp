#include "session/ProcessTurnCommandsUnt.h"

#include "model/BotArchiveUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/TurnUnt.h"
#include "render/MapPictureUnt.h"
#include "session/GameSessionUnt.h"
#include "session/ProcessTurnRulesUnt.h"

namespace {

const char* const ChitEditNames[] = {
    "Move North", "Move South", "Move West", "Move East", "Turn Left", "Turn Right", "Tweak", "Chit Size"};

// Sets the reference's ID, or removes the reference when there was none before.
template <class TRef>
void RestoreRef(TChit& chit, TRef* existing, TRef* (TChit::*make)(), const std::optional<std::string>& id)
{
    if (id)
        (chit.*make)()->SetID(*id);
    else if (existing)
        chit.RemoveObject(existing);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TChitState

TChitState TChitState::Of(const TChit& chit)
{
    TChitState state;
    state.X = chit.X();
    state.Y = chit.Y();
    if (const auto* ref = chit.ObjectOf<TBoardRef>(0))
        state.BoardID = ref->ID();
    if (const auto* ref = chit.ObjectOf<TUsedBoardRef>(0))
        state.UsedBoardID = ref->ID();
    state.SizePercent = chit.ImageSizePercent();
    state.ShiftX = chit.ImagePixelShiftX();
    state.ShiftY = chit.ImagePixelShiftY();
    state.Facing = chit.ChitFacing();
    return state;
}

void TChitState::ApplyTo(TChit& chit) const
{
    chit.SetX(X);
    chit.SetY(Y);
    // The placed board first, as PlaceAt makes them, so that a remade pair saves in that order.
    RestoreRef(chit, chit.ObjectOf<TUsedBoardRef>(0), &TChit::UsedBoardRef, UsedBoardID);
    RestoreRef(chit, chit.ObjectOf<TBoardRef>(0), &TChit::BoardRef, BoardID);
    chit.SetImageSizePercent(SizePercent);
    chit.SetImagePixelShiftX(ShiftX);
    chit.SetImagePixelShiftY(ShiftY);
    chit.SetChitFacing(Facing);
}

// ---------------------------------------------------------------------------------------------
// TPhaseEditCommand

TPhaseEditTarget::TPhaseEditTarget(TGameSession& session)
    : QObject(&session)
{
}

TPhaseEditCommand::TPhaseEditCommand(TGameSession& session, const QString& text)
    : QUndoCommand(text)
    , FSession(session)
{
    if (TGame* game = session.Game()) {
        FTurnIndex = game->LastTurnIndex();
        FPhaseNumber = game->ViewingPhaseNumber();
    }
}

TPhase* TPhaseEditCommand::Phase() const
{
    TGame* game = FSession.Game();
    TTurn* turn = game ? game->TurnList()->Turns(FTurnIndex) : nullptr;
    return turn ? turn->PhaseByNumber(FPhaseNumber) : nullptr;
}

TChit* TPhaseEditCommand::FindChit(const std::string& id) const
{
    TPhase* phase = Phase();
    return phase && phase->ChitList() ? phase->ChitList()->FindByID(id) : nullptr;
}

TPhaseEditTarget* TPhaseEditCommand::Target() const
{
    return FSession.findChild<TPhaseEditTarget*>(QString(), Qt::FindDirectChildrenOnly);
}

void TPhaseEditCommand::FinishPhaseEdit(bool redraw)
{
    if (TPhaseEditTarget* target = Target())
        target->PhaseEdited(FTurnIndex, FPhaseNumber, redraw);
    else
        FSession.MarkChanged(gcChits);
}

// ---------------------------------------------------------------------------------------------
// TChitEditCommand

TChitEditCommand::TChitEditCommand(
    TGameSession& session, const std::string& chitID, TChitEdit edit, QPoint delta)
    : TPhaseEditCommand(session, QString::fromUtf8(ChitEditNames[edit]))
    , FChitID(chitID)
    , FEdit(edit)
    , FDelta(delta)
{
}

void TChitEditCommand::Apply(TChit& chit)
{
    switch (FEdit) {
    case ceMoveNorth:
        chit.MoveNorth();
        break;
    case ceMoveSouth:
        chit.MoveSouth();
        break;
    case ceMoveWest:
        chit.MoveWest();
        break;
    case ceMoveEast:
        chit.MoveEast();
        break;
    case ceRotateLeft:
        chit.RotateLeft();
        break;
    case ceRotateRight:
        chit.RotateRight();
        break;
    case ceTweak:
        chit.Tweak(FDelta.x(), FDelta.y());
        break;
    case ceSize:
        chit.SetSizePercent(FDelta.x());
        break;
    }
}

void TChitEditCommand::Change(TChit& chit, const std::function<void()>& change)
{
    TPhaseEditTarget* target = Target();
    QImage* canvas = target ? target->BeginChitEdit(FTurnIndex, FPhaseNumber, chit) : nullptr;
    TGame* game = FSession.Game();
    if (!canvas || !game) {
        change();
        if (target)
            target->EndChitEdit(chit, QRect());
        else
            FSession.MarkChanged(gcChits);
        return;
    }
    // Where the chit stood is drawn again with every chit that touches it, so that one lying
    // over it is not wiped out with it.
    TMapRenderer& renderer = FSession.Renderer();
    const QRect before = renderer.ChitArea(*game, chit);
    change();
    const QRect redrawn = renderer.RedrawMapArea(*game, FTurnIndex, FPhaseNumber, *canvas, before);
    target->EndChitEdit(chit, redrawn);
}

void TChitEditCommand::redo()
{
    TChit* chit = FindChit(FChitID);
    if (!chit) {
        setObsolete(!FBefore);
        return;
    }
    const bool first = !FBefore;
    if (first)
        FBefore = TChitState::Of(*chit);
    Change(*chit, [this, chit] { Apply(*chit); });
    // An edit that changed nothing (a move of a chit off the map, the same size) is no step.
    if (first && TChitState::Of(*chit) == *FBefore)
        setObsolete(true);
}

void TChitEditCommand::undo()
{
    TChit* chit = FindChit(FChitID);
    if (!chit || !FBefore)
        return;
    Change(*chit, [this, chit] { FBefore->ApplyTo(*chit); });
}

int TChitEditCommand::id() const { return FEdit == ceSize ? 1 : -1; }

bool TChitEditCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const TChitEditCommand*>(other);
    if (!next || next->FEdit != ceSize || FEdit != ceSize || next->FChitID != FChitID
        || next->FTurnIndex != FTurnIndex || next->FPhaseNumber != FPhaseNumber)
        return false;
    FDelta = next->FDelta;
    // Back at the size it started from: the step goes.
    if (FBefore && FBefore->SizePercent == FDelta.x())
        setObsolete(true);
    return true;
}

// ---------------------------------------------------------------------------------------------
// TPlaceChitCommand

TPlaceChitCommand::TPlaceChitCommand(
    TGameSession& session, const QString& text, std::string chitID)
    : TPhaseEditCommand(session, text)
    , FChitID(std::move(chitID))
{
}

TPlaceChitCommand* TPlaceChitCommand::Drop(TGameSession& session, const std::string& chitID, const std::string& usedBoardID, int x, int y)
{
    auto* command = new TPlaceChitCommand(
        session, QString::fromUtf8(usedBoardID.empty() ? "Take Off the Map" : "Place"), chitID);
    command->FUsedBoardID = usedBoardID;
    command->FX = x;
    command->FY = y;
    return command;
}

TPlaceChitCommand* TPlaceChitCommand::MoveToArchive(
    TGameSession& session, const std::string& chitID)
{
    auto* command = new TPlaceChitCommand(session, QString::fromUtf8("Move To Archive"), chitID);
    command->FToArchive = true;
    return command;
}

void TPlaceChitCommand::redo()
{
    TGame* game = FSession.Game();
    TPhase* phase = Phase();
    TChit* chit = FindChit(FChitID);
    if (!game || !phase || !chit) {
        setObsolete(!FBefore);
        return;
    }
    const bool first = !FBefore;
    if (first)
        FBefore = TChitState::Of(*chit);
    if (FToArchive)
        ::MoveToArchive(*phase, *chit);
    else
        PlaceChit(*game, *chit, TMapPlace {FUsedBoardID, FX, FY});
    if (first && TChitState::Of(*chit) == *FBefore)
        setObsolete(true);
    FinishPhaseEdit();
}

void TPlaceChitCommand::undo()
{
    TChit* chit = FindChit(FChitID);
    if (!chit || !FBefore)
        return;
    FBefore->ApplyTo(*chit);
    FinishPhaseEdit();
}

// ---------------------------------------------------------------------------------------------
// TSetArchiveCommand

TSetArchiveCommand::TSetArchiveCommand(TGameSession& session, const std::string& chitID)
    : TPhaseEditCommand(session, QString::fromUtf8("Set Archive"))
    , FChitID(chitID)
{
}

void TSetArchiveCommand::redo()
{
    TPhase* phase = Phase();
    TChit* chit = FindChit(FChitID);
    if (!phase || !chit || !phase->ChitList() || !phase->ArchiveList()) {
        setObsolete(!FDone);
        return;
    }
    const TBotType type = BotTypeOfChitID(chit->ID(), *phase->ChitList());
    if (type == btUnknown) {
        setObsolete(true);
        return;
    }
    if (!FDone) {
        if (const TBotArchive* record = phase->ArchiveList()->FindByBotType(type)) {
            FHadRecord = true;
            FRecordUsedBoardID = record->UsedBoardID();
            FRecordX = record->X();
            FRecordY = record->Y();
        }
        FMarkerID = BaseChitID(type) + BotChitSuffixes[ArchiveSuffixIndex];
        if (const TChit* marker = phase->ChitList()->FindByID(FMarkerID))
            FMarkerBefore = TChitState::Of(*marker);
        FDone = true;
    }
    SetArchive(*phase, *chit);
    // Only the marker shows on the map; without one the labels alone change.
    FinishPhaseEdit(FMarkerBefore.has_value());
}

void TSetArchiveCommand::undo()
{
    TPhase* phase = Phase();
    TChit* chit = FindChit(FChitID);
    if (!FDone || !phase || !chit || !phase->ChitList() || !phase->ArchiveList())
        return;
    TBotArchiveList& archives = *phase->ArchiveList();
    if (TBotArchive* record = archives.FindByBotType(BotTypeOfChitID(chit->ID(), *phase->ChitList()))) {
        if (FHadRecord) {
            record->SetUsedBoardID(FRecordUsedBoardID);
            record->SetX(FRecordX);
            record->SetY(FRecordY);
        } else {
            archives.RemoveObject(record);
        }
    }
    if (TChit* marker = FMarkerBefore ? phase->ChitList()->FindByID(FMarkerID) : nullptr)
        FMarkerBefore->ApplyTo(*marker);
    FinishPhaseEdit(FMarkerBefore.has_value());
}

// ---------------------------------------------------------------------------------------------
// TAddMarkerCommand

TAddMarkerCommand::TAddMarkerCommand(TGameSession& session, const std::string& templateID,
    const std::string& usedBoardID, int x, int y)
    : TPhaseEditCommand(session, QString::fromUtf8("Add Chit"))
    , FTemplateID(templateID)
    , FUsedBoardID(usedBoardID)
    , FX(x)
    , FY(y)
{
}

void TAddMarkerCommand::redo()
{
    TGame* game = FSession.Game();
    TPhase* phase = Phase();
    TChit* marker
        = game && phase ? AddMarker(*phase, *game->UsedBoardList(), FTemplateID, TMapPlace {FUsedBoardID, FX, FY}) : nullptr;
    if (!marker) {
        setObsolete(true);
        return;
    }
    FMarkerID = marker->ID();
    if (TPhaseEditTarget* target = Target())
        target->MarkerAdded(FMarkerID);
    FinishPhaseEdit();
}

void TAddMarkerCommand::undo()
{
    TPhase* phase = Phase();
    TChit* marker = FindChit(FMarkerID);
    if (!phase || !marker)
        return;
    phase->ChitList()->RemoveObject(marker);
    if (TPhaseEditTarget* target = Target())
        target->MarkerRemoved(FMarkerID);
    FinishPhaseEdit();
}
