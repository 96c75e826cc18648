#pragma once
#include "model/UsedBoardUnt.h"

#include <QPoint>
#include <QSize>

// How the windows show a map or a board grid at a zoom level, and which square lies under a
// point of what they show. Plain functions, so that the rules are tested without a window.

// Pixels of one map cell as shown at a zoom level: 190 x (zoom + 1). The process-turn map starts
// at zoom 0, the map designer at 1.
constexpr int ShownCellBase = 190;
int ShownCellPixels(int zoomLevel);
// Zoom in has no limit; zoom out stops at 0.
int ZoomedIn(int zoomLevel);
int ZoomedOut(int zoomLevel);

// ---------------------------------------------------------------------------------------------
// The process-turn window's map

// The scrollable area: ColCount x RowCount shown cells.
QSize ShownMapArea(int colCount, int rowCount, int zoomLevel);
// ColCount x RowCount cells of cellPixels.
QSize CellsArea(int colCount, int rowCount, int cellPixels);
// The zoom that shows the whole map in the viewport: the largest whole cell that fits both ways,
// one pixel at least.
int FittedCellPixels(int colCount, int rowCount, QSize viewport);
// Leaving that zoom: "+" goes to the first zoom level whose cells are larger than cellPixels,
// "-" to the last whose cells are smaller (0 at least).
int ZoomLevelAbove(int cellPixels);
int ZoomLevelBelow(int cellPixels);
// The size the full-scale map picture is shown at, kept in proportion: the image control's
// size when the scrolling area's client is larger both ways; otherwise the control's width
// with the height in proportion, or, when that is taller than the client, the control's
// height with the width in proportion.
QSize ShownMapSize(QSize controlSize, QSize clientSize, int colCount, int rowCount);
// The placed board under a point of the map shown at shownSize; none off the boards.
TUsedBoard* UsedBoardAtShownPoint(const TUsedBoardList& layout, QPoint point, QSize shownSize);
// The square under a point of the map shown at shownSize; empty off the squares.
TMapSquare SquareAtShownPoint(const TUsedBoardList& layout, QPoint point, QSize shownSize);

// ---------------------------------------------------------------------------------------------
// The map designer's grid: cells of cellPixels square, each followed by a grid line.

// The extent of the scrolling area: (cell + line) x columns by (cell + line) x rows.
QSize DesignerGridExtent(int colCount, int rowCount, int cellPixels, int gridLineWidth);

struct TGridCellPoint {
    int Col = -1;
    int Row = -1;
    // The point within the cell.
    QPoint InCell;
    explicit operator bool() const { return Col >= 0 && Row >= 0; }
};
// The cell under a point of the grid and the point within it; empty on a grid line or outside.
TGridCellPoint DesignerCellAt(QPoint gridPoint, int cellPixels, int gridLineWidth);
// The square of the placed board under a point within its cell, the cell showing the board's
// turned picture stretched to cellPixels square; none when the board does not resolve.
TBoardNode* DesignerSquareAt(const TUsedBoard& usedBoard, QPoint inCell, int cellPixels);
