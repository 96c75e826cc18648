#include "session/DesignMapRulesUnt.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "support/UtilsUnt.h"
#include "session/SettingsUnt.h"

#include <algorithm>

TMapDesign::TMapDesign(TBoardList& boards, TChitList& chits, int flagCount)
    : FBoards(boards)
    , FChits(chits)
{
    std::vector<std::string> ids {"Start"};
    for (int i = 1; i <= flagCount; ++i)
        ids.push_back(Format("Flag%d", i));
    for (const std::string& id : ids) {
        TChit* chit = chits.FindByID(id);
        if (!chit)
            throw EChitNotFound(Format("The chit list has no chit \"%s\" to place on the map.", id.c_str()));
        if (std::find(FFlagChits.begin(), FFlagChits.end(), chit) == FFlagChits.end())
            FFlagChits.push_back(chit);
    }
    for (TChit* chit : FFlagChits) {
        chit->SetBoardList(&FBoards);
        chit->SetUsedBoardList(&FLayout);
        chit->TakeOffMap();
    }
    SetGridSize(MinGridSize, MinGridSize);
}

TMapDesign::~TMapDesign()
{
    for (int i = 0, n = FChits.Count(); i < n; ++i)
        if (FChits.Items(i)->UsedBoardList() == &FLayout)
            FChits.Items(i)->SetUsedBoardList(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Grid and zoom

void TMapDesign::SetGridSize(int cols, int rows)
{
    cols = std::clamp(cols, MinGridSize, MaxGridSize);
    rows = std::clamp(rows, MinGridSize, MaxGridSize);
    for (int col = 0; col < ColCount(); ++col)
        for (int row = 0; row < FRowCount; ++row)
            if (col >= cols || row >= rows)
                ClearCell(col, row, false);
    FCells.resize(static_cast<std::size_t>(cols));
    for (auto& column : FCells)
        column.resize(static_cast<std::size_t>(rows));
    FRowCount = rows;
    SelectCell(FSelectedCol, FSelectedRow);
}

int TMapDesign::CellPixels() const { return ShownCellPixels(FZoomLevel); }

void TMapDesign::ZoomIn() { FZoomLevel = ZoomedIn(FZoomLevel); }

void TMapDesign::ZoomOut() { FZoomLevel = ZoomedOut(FZoomLevel); }

QSize TMapDesign::GridExtent() const { return DesignerGridExtent(ColCount(), RowCount(), CellPixels(), GridLineWidth); }

TGridCellPoint TMapDesign::CellAt(QPoint gridPoint) const
{
    TGridCellPoint cell = DesignerCellAt(gridPoint, CellPixels(), GridLineWidth);
    if (!cell || cell.Col >= ColCount() || cell.Row >= RowCount())
        return {};
    return cell;
}

TDesignCell* TMapDesign::Cell(int col, int row) const
{
    if (col < 0 || row < 0 || col >= ColCount() || row >= FRowCount)
        return nullptr;
    return FCells[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)].get();
}

const TUsedBoard* TMapDesign::CellBoard(int col, int row) const
{
    const TDesignCell* cell = Cell(col, row);
    return cell ? cell->UsedBoard.get() : nullptr;
}

void TMapDesign::ClearCell(int col, int row, bool keepChits)
{
    TDesignCell* cell = Cell(col, row);
    if (!cell)
        return;
    const std::string id = cell->UsedBoard->ID();
    if (!keepChits)
        ForChitsOn(id, [](TChit& chit) { chit.TakeOffMap(); });
    FLayout.RemoveUsedBoard(*cell->UsedBoard);
    FCells[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)].reset();
}

void TMapDesign::ForChitsOn(const std::string& usedBoardID, const std::function<void(TChit&)>& action) const
{
    for (TChit* chit : FFlagChits)
        if (chit->UsedBoardID() == usedBoardID)
            action(*chit);
}

// ---------------------------------------------------------------------------------------------
// The selected cell

void TMapDesign::SelectCell(int col, int row)
{
    FSelectedCol = std::clamp(col, 0, ColCount() - 1);
    FSelectedRow = std::clamp(row, 0, FRowCount - 1);
}

const TBoard* TMapDesign::SelectedBoard() const
{
    const TUsedBoard* usedBoard = CellBoard(FSelectedCol, FSelectedRow);
    return usedBoard ? usedBoard->Board() : nullptr;
}

void TMapDesign::ChooseBoard(const TBoard* board)
{
    const int col = FSelectedCol;
    const int row = FSelectedRow;
    ClearCell(col, row, board != nullptr);
    if (!board)
        return;
    auto cell = std::make_unique<TDesignCell>();
    cell->UsedBoard = std::make_unique<TUsedBoard>(&FBoards, board, col, row);
    TUsedBoard* copy = FLayout.AddUsedBoard(*cell->UsedBoard);
    copy->SetBoardList(&FBoards);
    // The chits stay on their squares, now of the new board.
    ForChitsOn(copy->ID(), [copy](TChit& chit) { chit.PlaceAt(copy, chit.X(), chit.Y()); });
    FCells[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)] = std::move(cell);
}

void TMapDesign::RotateSelected(int step)
{
    TDesignCell* cell = Cell(FSelectedCol, FSelectedRow);
    if (!cell)
        return;
    TUsedBoard& usedBoard = *cell->UsedBoard;
    usedBoard.SetRotationCount(usedBoard.RotationCount() + step);
    FLayout.RemoveUsedBoard(usedBoard);
    FLayout.AddUsedBoard(usedBoard)->SetBoardList(&FBoards);
}

void TMapDesign::PressAt(QPoint gridPoint)
{
    FMouseDown = gridPoint;
    TGridCellPoint cell = CellAt(gridPoint);
    if (!cell)
        return;
    SelectCell(cell.Col, cell.Row);
    if (TChit* chit = ChitAt(gridPoint))
        FSelectedChitID = chit->ID();
}

// ---------------------------------------------------------------------------------------------
// Chits

TChit* TMapDesign::FlagChit(std::string_view id) const
{
    for (TChit* chit : FFlagChits)
        if (chit->ID() == id)
            return chit;
    return nullptr;
}

TChit* TMapDesign::ChitAt(QPoint gridPoint) const
{
    TGridCellPoint cell = CellAt(gridPoint);
    const TUsedBoard* usedBoard = cell ? CellBoard(cell.Col, cell.Row) : nullptr;
    const TBoardNode* node = usedBoard ? DesignerSquareAt(*usedBoard, cell.InCell, CellPixels()) : nullptr;
    if (!node)
        return nullptr;
    for (TChit* chit : FFlagChits)
        if (chit->UsedBoardID() == usedBoard->ID() && chit->X() == node->X() && chit->Y() == node->Y())
            return chit;
    return nullptr;
}

void TMapDesign::SelectChit(std::string_view id)
{
    if (FlagChit(id))
        FSelectedChitID = std::string(id);
}

bool TMapDesign::SetSelectedChitSize(int percent)
{
    TChit* chit = SelectedChit();
    return chit && chit->SetSizePercent(percent);
}

bool TMapDesign::SetSelectedChitShift(int x, int y)
{
    TChit* chit = SelectedChit();
    if (!chit || (chit->ImagePixelShiftX() == x && chit->ImagePixelShiftY() == y))
        return false;
    chit->SetImagePixelShiftX(x);
    chit->SetImagePixelShiftY(y);
    return true;
}

bool TMapDesign::DropChit(TChit& chit, QPoint gridPoint)
{
    TGridCellPoint cell = CellAt(gridPoint);
    const TUsedBoard* usedBoard = cell ? CellBoard(cell.Col, cell.Row) : nullptr;
    const TBoardNode* node = usedBoard ? DesignerSquareAt(*usedBoard, cell.InCell, CellPixels()) : nullptr;
    TUsedBoard* placed = node ? FLayout.FindByID(usedBoard->ID()) : nullptr;
    if (!placed) {
        chit.TakeOffMap();
        return false;
    }
    chit.SetBoardList(&FBoards);
    chit.PlaceAt(placed, node->X(), node->Y());
    return true;
}

bool TMapDesign::CanAccept() const
{
    return std::all_of(FFlagChits.begin(), FFlagChits.end(), [](const TChit* chit) { return chit->IsOnMap(); });
}

// ---------------------------------------------------------------------------------------------
// Result

std::unique_ptr<TUsedBoardList> TMapDesign::CopyLayout() const
{
    auto layout = std::make_unique<TUsedBoardList>();
    for (int i = 0, n = FLayout.Count(); i < n; ++i)
        layout->AddUsedBoard(*FLayout.Items(i));
    layout->SetBoardList(&FBoards);
    return layout;
}

std::unique_ptr<TChitList> TMapDesign::CopyChits(TUsedBoardList* layout) const
{
    auto chits = std::make_unique<TChitList>();
    for (int i = 0, n = FChits.Count(); i < n; ++i)
        chits->AddChitCopy(*FChits.Items(i));
    chits->SetBoardList(&FBoards);
    chits->SetUsedBoardList(layout);
    return chits;
}

void TMapDesign::ApplyTo(TNewGameSettings& settings) const
{
    auto layout = CopyLayout();
    auto chits = CopyChits(layout.get());
    settings.UsedBoardList = std::move(layout);
    settings.ChitList = std::move(chits);
}
