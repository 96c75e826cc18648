#pragma once
#include "model/UsedBoardUnt.h"
#include "render/MapViewUnt.h"
#include "support/ErrorsUnt.h"

#include <QPoint>
#include <QSize>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TBoard;
class TBoardList;
class TChit;
class TChitList;
struct TNewGameSettings;

// The map designer opened with a chit list that lacks the start or one of the flags.
COGLINE_DECLARE_ERROR(EChitNotFound)

// One filled cell of the designer's grid: its own placed board, which the window draws.
struct TDesignCell {
    std::unique_ptr<TUsedBoard> UsedBoard;
};

// What the "Design Map" window does, without the window: a grid of cells indexed [column][row],
// each empty or holding a placed board; the map layout, which holds a copy of every cell's
// placed board; the start and flag chits to place; zoom, the selected cell and chit, and the OK
// state. The chit list and catalogue belong to the caller and outlive the design.
class TMapDesign {
public:
    static constexpr int MinGridSize = 1;
    static constexpr int MaxGridSize = 100;
    static constexpr int StartZoomLevel = 1;
    static constexpr int GridLineWidth = 1;

    // Looks up "Start" and "Flag1" to "Flag<flagCount>" in the chit list (EChitNotFound when one
    // is missing). Those chits are taken off the map: the new grid holds no board yet.
    TMapDesign(TBoardList& boards, TChitList& chits, int flagCount);
    // The chits stop pointing at the layout, which goes with the design.
    ~TMapDesign();
    TMapDesign(const TMapDesign&) = delete;
    TMapDesign& operator=(const TMapDesign&) = delete;

    TBoardList& Boards() const { return FBoards; }

    // ------------------------------------------------------------------------- grid and zoom
    int ColCount() const { return static_cast<int>(FCells.size()); }
    int RowCount() const { return FRowCount; }
    // Both within 1..100. Cells that fall outside lose their boards, also from the layout, and
    // the chits on those boards leave the map.
    void SetGridSize(int cols, int rows);

    int ZoomLevel() const { return FZoomLevel; }
    // Side of one cell: 190 x (zoom + 1) pixels.
    int CellPixels() const;
    void ZoomIn();
    void ZoomOut();
    // Size of the whole grid, each cell followed by a grid line.
    QSize GridExtent() const;
    // The cell of the grid under a point and the point within it; empty on a grid line or
    // outside the grid.
    TGridCellPoint CellAt(QPoint gridPoint) const;

    // The cell's own placed board; none for an empty cell or one outside the grid.
    const TUsedBoard* CellBoard(int col, int row) const;
    const TUsedBoardList& Layout() const { return FLayout; }

    // ------------------------------------------------------------------------- selected cell
    int SelectedCol() const { return FSelectedCol; }
    int SelectedRow() const { return FSelectedRow; }
    void SelectCell(int col, int row);
    // The catalogue board of the selected cell; none for an empty cell.
    const TBoard* SelectedBoard() const;
    // The rotate buttons and the flag list work only on a cell with a board.
    bool SelectedCellHasBoard() const { return CellBoard(FSelectedCol, FSelectedRow) != nullptr; }
    // Puts the board into the selected cell, turned 0, or empties the cell for none ("Select
    // Board"). Chits on a replaced board keep their squares; on a removed one they leave the map.
    void ChooseBoard(const TBoard* board);
    // Turns the selected cell's board by quarter turns (+1 clockwise); chits keep their squares.
    void RotateSelected(int step);

    // A left-button press in the grid: the cell under it becomes the selected one and a flag
    // chit standing on the square under it the selected chit.
    void PressAt(QPoint gridPoint);
    QPoint MouseDownPoint() const { return FMouseDown; }

    // ------------------------------------------------------------------------- chits
    // Start, then Flag1 to FlagN: the chits to place.
    const std::vector<TChit*>& FlagChits() const { return FFlagChits; }
    // One of them by ID; none for any other chit.
    TChit* FlagChit(std::string_view id) const;
    // The flag chit on the square under a grid point; none when there is none.
    TChit* ChitAt(QPoint gridPoint) const;

    TChit* SelectedChit() const { return FlagChit(FSelectedChitID); }
    void SelectChit(std::string_view id);
    // Size and nudge of the selected chit; false when there is none or nothing changed.
    bool SetSelectedChitSize(int percent);
    bool SetSelectedChitShift(int x, int y);

    // The chit goes onto the square under the grid point, or off the map when the point is on
    // no square of a placed board. True when it was placed.
    bool DropChit(TChit& chit, QPoint gridPoint);

    // OK: the start and every flag are on the map.
    bool CanAccept() const;

    // ------------------------------------------------------------------------- result
    // A copy of the layout, with the catalogue.
    std::unique_ptr<TUsedBoardList> CopyLayout() const;
    // A copy of every chit of the chit list, pointing at the given layout.
    std::unique_ptr<TChitList> CopyChits(TUsedBoardList* layout) const;
    // The settings receive both copies.
    void ApplyTo(TNewGameSettings& settings) const;

private:
    TDesignCell* Cell(int col, int row) const;
    // Empties a cell: its board leaves the layout; the chits on it leave the map unless
    // keepChits (a replaced board).
    void ClearCell(int col, int row, bool keepChits);
    void ForChitsOn(const std::string& usedBoardID, const std::function<void(TChit&)>& action) const;

    TBoardList& FBoards;
    TChitList& FChits;
    std::vector<TChit*> FFlagChits;
    // [column][row]
    std::vector<std::vector<std::unique_ptr<TDesignCell>>> FCells;
    int FRowCount = 0;
    TUsedBoardList FLayout;
    int FZoomLevel = StartZoomLevel;
    int FSelectedCol = 0;
    int FSelectedRow = 0;
    std::string FSelectedChitID;
    QPoint FMouseDown;
};
