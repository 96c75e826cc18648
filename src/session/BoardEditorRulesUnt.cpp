#include "session/BoardEditorRulesUnt.h"

#include "model/BoardUnt.h"
#include "render/ChitDrawUnt.h"
#include "render/MapViewUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/UtilsUnt.h"

#include <cctype>

// ---------------------------------------------------------------------------------------------
// Keys

TEditDirection SchemeDirection(std::string_view scheme, int key)
{
    // Letter keys arrive as their capital; only plain printable characters can be in a scheme.
    if (key == Qt::Key_Period)
        key = '.';
    if (key < 0x20 || key > 0x7e)
        return edNone;
    const auto c = static_cast<unsigned char>(key);
    for (int letter : {std::tolower(c), std::toupper(c)}) {
        const std::size_t at = scheme.find(static_cast<char>(letter));
        if (at != std::string_view::npos && at < 4)
            return static_cast<TEditDirection>(edUp + static_cast<int>(at));
    }
    return edNone;
}

TEditKey TranslateEditKey(std::string_view scheme, int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier))
        return {};
    // Shift turns the period key into ">" on common layouts; it is still the period key.
    if (key == Qt::Key_Greater && (modifiers & Qt::ShiftModifier))
        key = Qt::Key_Period;
    const TEditDirection direction = SchemeDirection(scheme, key);
    if (direction == edNone)
        return {};
    if (modifiers & Qt::ControlModifier)
        return {etNode, direction};
    if (modifiers & Qt::ShiftModifier)
        return {etLine, direction};
    return {etChit, direction};
}

// ---------------------------------------------------------------------------------------------
// The catalogue

int UneditedBoardCount(const TBoardList& boards)
{
    int count = 0;
    for (int i = 0, n = boards.Count(); i < n; ++i)
        count += boards.Items(i)->IsUnedited();
    return count;
}

std::string BoardEditorCaption(const TBoardList& boards)
{
    return Format("Edit Board Nodes - %d / %d unedited", UneditedBoardCount(boards), boards.Count());
}

std::string ZoomInCaption(int zoomLevel) { return zoomLevel == 0 ? "+" : Format("+ (%d)", zoomLevel); }

QRect FittedPictureRect(QSize picture, QSize area)
{
    if (picture.isEmpty() || area.isEmpty())
        return QRect();
    const QSize shown = picture.scaled(area, Qt::KeepAspectRatio);
    return QRect(QPoint((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2), shown);
}

// ---------------------------------------------------------------------------------------------
// The editor

namespace {

// One step in a direction: (dx, dy) with y growing downwards.
QPoint Step(TEditDirection direction)
{
    switch (direction) {
    case edUp: return QPoint(0, -1);
    case edDown: return QPoint(0, 1);
    case edLeft: return QPoint(-1, 0);
    case edRight: return QPoint(1, 0);
    case edNone: break;
    }
    return QPoint(0, 0);
}

// Centres come from a file and may sit at the end of the range.
void NudgeCentre(TBoardNode& node, QPoint step)
{
    node.SetImageCenterX(ClampToInt(static_cast<long long>(node.ImageCenterX()) + step.x()));
    node.SetImageCenterY(ClampToInt(static_cast<long long>(node.ImageCenterY()) + step.y()));
}

} // namespace

TBoardEditor::TBoardEditor(TBoardList& boards)
    : FBoards(boards)
{
    FTestChit.SetID("TestChit");
    FTestChit.SetRelativeFilePath(TestChitPath);
    FLayout.SetBoardList(&FBoards);
    KeepSavedCentres();
}

TBoardEditor::~TBoardEditor() = default;

void TBoardEditor::ChooseBoard(TBoard* board)
{
    FBoard = board;
    FPicture = QImage();
    FTestChit.SaveUnder() = QImage();
    FLayout.ClearObjects();
    if (!board) {
        FTestChit.TakeOffMap();
        return;
    }
    TUsedBoard placed(&FBoards, board, 0, 0);
    const TUsedBoard* usedBoard = FLayout.AddUsedBoard(placed);
    FLayout.SetBoardList(&FBoards);
    FTestChit.PlaceAt(usedBoard, 1, 1);
    // A copy: the chit is drawn on it, never on the catalogue's picture.
    FPicture = board->Picture().copy();
    DrawTestChit();
}

bool TBoardEditor::BoardIsUnedited() const { return FBoard && FBoard->IsUnedited(); }

void TBoardEditor::DrawTestChit() { DrawChit(FNotes, FTestChit, FPicture, false, -1, -1); }

QRect TBoardEditor::ChitRect() const
{
    const QImage& under = FTestChit.SaveUnder();
    return under.isNull() ? QRect() : QRect(FTestChit.SaveUnderAt(), under.size());
}

template <class TChange>
QRect TBoardEditor::RedrawChit(TChange change)
{
    const QRect before = ChitRect();
    change();
    return before.united(ChitRect());
}

QRect TBoardEditor::Move(TEditDirection direction)
{
    if (!FBoard)
        return QRect();
    const QPoint step = Step(direction);
    const int x = FTestChit.X() + step.x();
    const int y = FTestChit.Y() + step.y();
    if (step.isNull() || x < 1 || x > TBoardNodeList::GridSize || y < 1 || y > TBoardNodeList::GridSize)
        return QRect();
    return RedrawChit([this, direction] {
        switch (direction) {
        case edUp: MoveNorth(FNotes, FTestChit, FPicture, false); break;
        case edDown: MoveSouth(FNotes, FTestChit, FPicture, false); break;
        case edLeft: MoveWest(FNotes, FTestChit, FPicture, false); break;
        case edRight: MoveEast(FNotes, FTestChit, FPicture, false); break;
        case edNone: break;
        }
    });
}

QRect TBoardEditor::Turn(bool clockwise)
{
    if (!FBoard)
        return QRect();
    return RedrawChit([this, clockwise] {
        if (clockwise)
            RotateRight(FNotes, FTestChit, FPicture, false);
        else
            RotateLeft(FNotes, FTestChit, FPicture, false);
    });
}

QRect TBoardEditor::NudgeNode(TEditDirection direction)
{
    TBoardNode* node = FBoard ? FBoard->NodeAt(FTestChit.X(), FTestChit.Y()) : nullptr;
    if (!node || direction == edNone)
        return QRect();
    return RedrawChit([this, node, direction] {
        EraseChit(FTestChit, FPicture, false);
        NudgeCentre(*node, Step(direction));
        DrawTestChit();
    });
}

QRect TBoardEditor::NudgeLine(TEditDirection direction)
{
    if (!FBoard || !FBoard->Nodes() || direction == edNone)
        return QRect();
    const QPoint step = Step(direction);
    const bool row = step.y() != 0;
    return RedrawChit([this, step, row] {
        EraseChit(FTestChit, FPicture, false);
        TBoardNodeList& nodes = *FBoard->Nodes();
        for (int i = 0, n = nodes.Count(); i < n; ++i) {
            TBoardNode& node = *nodes.Items(i);
            if (row ? node.Y() == FTestChit.Y() : node.X() == FTestChit.X())
                NudgeCentre(node, step);
        }
        DrawTestChit();
    });
}

QRect TBoardEditor::Apply(TEditKey key)
{
    switch (key.Target) {
    case etChit: return Move(key.Direction);
    case etNode: return NudgeNode(key.Direction);
    case etLine: return NudgeLine(key.Direction);
    case etNone: break;
    }
    return QRect();
}

void TBoardEditor::SetSchemeIndex(int index)
{
    if (index >= 0 && index < static_cast<int>(BoardEditorSchemes.size()))
        FSchemeIndex = index;
}

void TBoardEditor::ZoomIn() { FZoomLevel = ZoomedIn(FZoomLevel); }

void TBoardEditor::ZoomOut() { FZoomLevel = ZoomedOut(FZoomLevel); }

int TBoardEditor::ScrollExtent() const { return ClampToInt(static_cast<long long>(ZoomStepPixels) * FZoomLevel); }

// ---------------------------------------------------------------------------------------------
// Saving

namespace {

// Calls the action with every node of the catalogue, in order.
template <class TAction>
void ForEachNode(const TBoardList& boards, TAction action)
{
    for (int b = 0, boardCount = boards.Count(); b < boardCount; ++b)
        if (TBoardNodeList* nodes = boards.Items(b)->Nodes())
            for (int i = 0, n = nodes->Count(); i < n; ++i)
                action(*nodes->Items(i));
}

} // namespace

void TBoardEditor::KeepSavedCentres()
{
    FSavedCentres.clear();
    ForEachNode(FBoards, [this](const TBoardNode& node) { FSavedCentres.emplace_back(node.ImageCenterX(), node.ImageCenterY()); });
}

bool TBoardEditor::HasUnsavedChanges() const
{
    std::size_t i = 0;
    bool changed = false;
    ForEachNode(FBoards, [&](const TBoardNode& node) {
        changed = changed || i >= FSavedCentres.size()
            || FSavedCentres[i] != std::make_pair(node.ImageCenterX(), node.ImageCenterY());
        ++i;
    });
    return changed || i != FSavedCentres.size();
}

void TBoardEditor::Save()
{
    // Beside the executable in a build tree; in the user's folder for an installed copy, where
    // it takes precedence over the shipped catalogue.
    FBoards.SaveToXMLFile(UserFolder() + "Boards.xml");
    KeepSavedCentres();
}

void TBoardEditor::DiscardChanges()
{
    EraseChit(FTestChit, FPicture, false);
    std::size_t i = 0;
    ForEachNode(FBoards, [&](TBoardNode& node) {
        if (i < FSavedCentres.size()) {
            node.SetImageCenterX(FSavedCentres[i].first);
            node.SetImageCenterY(FSavedCentres[i].second);
        }
        ++i;
    });
    DrawTestChit();
}
