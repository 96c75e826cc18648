#pragma once
// The shipped reference data the editor tests work on, as the build writes it beside the test
// program, and the points of the designer's grid where squares show.
#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/UsedBoardUnt.h"
#include "support/UtilsUnt.h"
#include "session/DesignMapRulesUnt.h"

#include <QPoint>

#include <memory>
#include <string>

// One catalogue for the whole test program: its pictures are read once.
inline TBoardList& ShippedBoards()
{
    static TBoardList* boards = [] {
        auto* list = new TBoardList;
        list->LoadFromXMLFile(ExecutableFolder() + "Boards.xml");
        return list;
    }();
    return *boards;
}

// A fresh copy of the chit catalogue, as the main window hands the designer.
inline std::unique_ptr<TChitList> ShippedChits()
{
    auto chits = std::make_unique<TChitList>();
    chits->LoadFromXMLFile(ExecutableFolder() + "Chits.xml");
    return chits;
}

// Where the chit stands: "cell:x,y", or "off".
inline std::string Place(const TChit& chit)
{
    return chit.IsOnMap() ? Format("%s:%d,%d", chit.UsedBoardID().c_str(), chit.X(), chit.Y()) : "off";
}

// The grid point where square (sx, sy) of the board in cell (col, row) shows its centre.
inline QPoint GridPointOfSquare(const TMapDesign& design, int col, int row, int sx, int sy)
{
    const TUsedBoard* usedBoard = design.CellBoard(col, row);
    if (!usedBoard)
        return QPoint(-1, -1);
    const QPoint centre = *usedBoard->SquareCenter(sx, sy);
    const QImage& picture = *usedBoard->Picture();
    const int cell = design.CellPixels();
    const int pitch = cell + TMapDesign::GridLineWidth;
    return QPoint(col * pitch + centre.x() * cell / picture.width(), row * pitch + centre.y() * cell / picture.height());
}
