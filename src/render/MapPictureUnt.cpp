#include "render/MapPictureUnt.h"

#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/TurnUnt.h"
#include "model/UsedBoardUnt.h"
#include "render/ChitDrawUnt.h"
#include "render/GameFolderUnt.h"
#include "render/JpegWriterUnt.h"
#include "render/PictureFileUnt.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <QPainter>
#include <QRect>
#include <QRegion>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace {

void NoteIf(TDrawNotes* notes, const std::string& text)
{
    if (notes)
        notes->Note(text);
}

const QImage* BoardPictureOf(TDrawNotes* notes, const TUsedBoard& usedBoard)
{
    try {
        const QImage* picture = usedBoard.Picture();
        return picture && !picture->isNull() ? picture : nullptr;
    } catch (const EImageError& e) {
        NoteIf(notes, Format("Board %s is not drawn: %s", usedBoard.BoardID().c_str(), e.what()));
        return nullptr;
    }
}

// ----------------------------------------------------------------------------- phases

// A phase made ready for drawing: chits in layer order, robots shown in their state, and the
// slot of every chit (by list position).
struct TPreparedPhase {
    TChitList* Chits = nullptr;
    std::vector<int> Slots;
};

bool IsInnerSquare(int x, int y)
{
    const int grid = TBoardNodeList::GridSize;
    return x > 1 && x < grid && y > 1 && y < grid;
}

TPreparedPhase PreparePhase(TPhase* phase, const TBotList* bots)
{
    TPreparedPhase prepared;
    if (!phase || !phase->ChitList())
        return prepared;
    TChitList& chits = *phase->ChitList();
    prepared.Chits = &chits;
    chits.SortByDrawLayer();
    if (bots)
        chits.ShowBotsInState(*bots);
    const int count = chits.Count();
    prepared.Slots.assign(static_cast<std::size_t>(count), -1);
    if (!bots)
        return prepared;

    // Archive markers of several robots on one inner square share it: each robot's place in
    // the square's list is its marker's slot. Markers on the outer ring stay centred.
    std::map<std::string, std::vector<int>> squares;
    std::vector<std::pair<std::string, int>> markers(static_cast<std::size_t>(count), {std::string(), -1});
    for (int i = 0; i < count; ++i) {
        const TChit* chit = chits.Items(i);
        // The robot last: finding it searches the list for each robot's chits.
        const std::string usedBoardID = chit->UsedBoardID();
        if (usedBoardID.empty() || !IsInnerSquare(chit->X(), chit->Y()) || !chit->IsArchiveMarker())
            continue;
        const int robot = chits.BotIndexOfChit(chit, *bots);
        if (robot < 0)
            continue;
        std::string key = Format("%s-%d,%d", usedBoardID.c_str(), chit->X(), chit->Y());
        std::vector<int>& robots = squares[key];
        if (std::find(robots.begin(), robots.end(), robot) == robots.end())
            robots.push_back(robot);
        markers[static_cast<std::size_t>(i)] = {std::move(key), robot};
    }
    for (int i = 0; i < count; ++i) {
        const auto& [key, robot] = markers[static_cast<std::size_t>(i)];
        if (robot < 0)
            continue;
        const std::vector<int>& robots = squares[key];
        auto found = std::find(robots.begin(), robots.end(), robot);
        prepared.Slots[static_cast<std::size_t>(i)]
            = found == robots.end() ? -1 : static_cast<int>(found - robots.begin());
    }
    return prepared;
}

void DrawPreparedChits(TDrawNotes& notes, const TPreparedPhase& prepared, QImage& boardPicture, const std::string& usedBoardID, int layerLimit)
{
    if (!prepared.Chits)
        return;
    for (int i = 0, n = prepared.Chits->Count(); i < n; ++i) {
        TChit* chit = prepared.Chits->Items(i);
        if (chit->UsedBoardID() == usedBoardID)
            DrawChit(notes, *chit, boardPicture, false, layerLimit, prepared.Slots[static_cast<std::size_t>(i)]);
    }
}

// ----------------------------------------------------------------------------- the map

// The full-scale map: cell size, the cells drawn (cut down to the limits) and each placed
// board's turned picture (none when it cannot be drawn).
struct TMapPlan {
    QSize Cell;
    int Cols = 0;
    int Rows = 0;
    std::vector<const QImage*> Pictures;

    QSize PictureSize() const { return QSize(Cols * Cell.width(), Rows * Cell.height()); }
    bool InPicture(const TUsedBoard& usedBoard) const
    {
        return usedBoard.X() >= 0 && usedBoard.Y() >= 0 && usedBoard.X() < Cols && usedBoard.Y() < Rows;
    }
    // Opaque, of the map picture's format and exactly the cell's size.
    bool FillsCell(const QImage& picture) const
    {
        return picture.size() == Cell && picture.format() == QImage::Format_RGB32;
    }
};

TMapPlan PlanMap(TDrawNotes* notes, const TUsedBoardList& layout)
{
    TMapPlan plan;
    const int count = layout.Count();
    plan.Pictures.assign(static_cast<std::size_t>(count), nullptr);
    int cellWidth = 0;
    int cellHeight = 0;
    for (int i = 0; i < count; ++i) {
        if (const QImage* picture = BoardPictureOf(notes, *layout.Items(i))) {
            plan.Pictures[static_cast<std::size_t>(i)] = picture;
            cellWidth = std::max(cellWidth, picture->width());
            cellHeight = std::max(cellHeight, picture->height());
        }
    }
    plan.Cell = QSize(cellWidth, cellHeight);
    if (cellWidth <= 0 || cellHeight <= 0)
        return plan;

    const long long wantedCols = layout.ColCount();
    const long long wantedRows = layout.RowCount();
    long long cols = std::min<long long>(wantedCols, MaxMapPictureSide / cellWidth);
    long long rows = std::min<long long>(wantedRows, MaxMapPictureSide / cellHeight);
    const long long cellPixels = static_cast<long long>(cellWidth) * cellHeight;
    if (cols * rows * cellPixels > MaxMapPicturePixels) {
        rows = std::max<long long>(1, std::min(rows, MaxMapPicturePixels / (cols * cellPixels)));
        if (cols * rows * cellPixels > MaxMapPicturePixels)
            cols = MaxMapPicturePixels / cellPixels;
    }
    if (cols < wantedCols || rows < wantedRows)
        NoteIf(notes, Format("The map of %lld x %lld cells of %d x %d pixels is too large to draw; only the first %lld x %lld "
                    "cells are drawn.",
            wantedCols, wantedRows, cellWidth, cellHeight, cols, rows));
    plan.Cols = static_cast<int>(cols);
    plan.Rows = static_cast<int>(rows);
    return plan;
}

TPhase* PhaseOf(TGame& game, int turnIndex, int phaseNumber)
{
    TTurn* turn = game.TurnList()->Turns(turnIndex);
    return turn ? turn->PhaseByNumber(phaseNumber) : nullptr;
}

// A placed board's turned picture with the phase's chits on it; null when it cannot be drawn.
QImage DrawnBoard(TDrawNotes& notes, const TMapPlan& plan, const TPreparedPhase& prepared, const TUsedBoardList& layout, int index, int layerLimit)
{
    const QImage* picture = plan.Pictures[static_cast<std::size_t>(index)];
    if (!picture)
        return QImage();
    // Shares the cached pixels until the first chit is drawn on it.
    QImage board = *picture;
    DrawPreparedChits(notes, prepared, board, layout.Items(index)->ID(), layerLimit);
    return board;
}

// The phase's chits on one placed board, drawn straight into its cell of a map picture.
void DrawPreparedChitsInCell(TDrawNotes& notes, const TPreparedPhase& prepared, QImage& picture, const QRect& cell,
    const std::string& usedBoardID, int layerLimit)
{
    if (!prepared.Chits)
        return;
    for (int i = 0, n = prepared.Chits->Count(); i < n; ++i) {
        TChit* chit = prepared.Chits->Items(i);
        if (chit->UsedBoardID() == usedBoardID)
            DrawChitInCell(
                notes, *chit, picture, cell.topLeft(), cell, layerLimit, prepared.Slots[static_cast<std::size_t>(i)]);
    }
}

// Makes the picture the given size, reusing its memory when it has that size already and no one
// else holds it: bringing fresh memory of a map's size into use costs several times what
// drawing into it does. Null, and false, for no size or no memory (noted with the map's size).
bool MakeMapPicture(TDrawNotes& notes, QSize size, QSize mapSize, QImage& picture)
{
    if (size.isEmpty()) {
        picture = QImage();
        return false;
    }
    if (picture.size() == size && picture.format() == QImage::Format_RGB32 && picture.isDetached())
        return true;
    picture = QImage(); // the old memory goes before the new comes
    picture = QImage(size, QImage::Format_RGB32);
    if (picture.isNull())
        notes.Note(Format("There is not enough memory for a map picture of %d x %d pixels.", mapSize.width(), mapSize.height()));
    return !picture.isNull();
}

QColor BackgroundColour() { return QColor::fromRgb(MapBackground); }

// A board with its chits already on it into its cell less the cell's last column and row,
// which show the background like the empty cells.
void PutDrawnBoard(QImage& picture, const QRect& whole, const QImage& board, QSize cellSize)
{
    const QRect cell(whole.topLeft(), whole.size() - QSize(1, 1));
    QPainter painter(&picture);
    if (board.hasAlphaChannel())
        painter.fillRect(cell, BackgroundColour());
    // A board of the cell's size is copied as it is, its last column and row under the seam:
    // so the map shows every pixel where the board has it, and a chit drawn or erased on the
    // map lands exactly where it was drawn on the board. Smaller boards are stretched.
    if (board.size() == cellSize)
        painter.drawImage(cell.topLeft(), board, QRect(QPoint(0, 0), cell.size()));
    else
        painter.drawImage(cell, board);
}

// The seam at the right and bottom of a cell that shows a board.
void PaintSeams(QPainter& painter, const QRect& cell)
{
    painter.fillRect(QRect(cell.right(), cell.top(), 1, cell.height()), BackgroundColour());
    painter.fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), BackgroundColour());
}

// Copies the part of a board of the cell's size and format that lies under a rectangle of its cell.
void CopyBoardPart(QImage& picture, const QRect& cell, const QImage& board, const QRect& part)
{
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    const std::size_t rowBytes = static_cast<std::size_t>(part.width()) * 4;
    const int left = part.left() - cell.left();
    for (int y = part.top(); y <= part.bottom(); ++y)
        std::memcpy(bits + y * stride + static_cast<qsizetype>(part.left()) * 4,
            board.constScanLine(y - cell.top()) + static_cast<qsizetype>(left) * 4, rowBytes);
}

// Puts boards into a picture of whole rows of cells of the map, from a first row on: the whole
// map, or one row of cells while the map is written. Every pixel is written once, so the
// picture need not be cleared first.
class TMapAssembler {
public:
    TMapAssembler(const TMapPlan& plan, QImage& picture, int firstRow)
        : FPlan(plan)
        , FPicture(picture)
        , FFirstRow(firstRow)
        , FRows(picture.height() / plan.Cell.height())
        , FDrawn(static_cast<std::size_t>(plan.Cols) * static_cast<std::size_t>(FRows), false)
    {
    }

    QImage& Picture() { return FPicture; }
    bool Holds(const TUsedBoard& usedBoard) const
    {
        return FPlan.InPicture(usedBoard) && usedBoard.Y() >= FFirstRow && usedBoard.Y() < FFirstRow + FRows;
    }
    QRect CellOf(const TUsedBoard& usedBoard) const { return CellRect(usedBoard.X(), usedBoard.Y() - FFirstRow); }

    // A board of the cell's size and format, every pixel copied, so that the chits drawn on it
    // next cover and keep exactly what they would on the board's own picture. The seam goes
    // over its last column and row when the rows are finished.
    void PutWhole(const TUsedBoard& usedBoard, const QImage& board)
    {
        const QRect cell = CellOf(usedBoard);
        uchar* bits = FPicture.bits();
        const qsizetype stride = FPicture.bytesPerLine();
        const std::size_t rowBytes = static_cast<std::size_t>(cell.width()) * 4;
        for (int y = 0; y < cell.height(); ++y)
            std::memcpy(bits + (cell.top() + y) * stride + static_cast<qsizetype>(cell.left()) * 4, board.constScanLine(y), rowBytes);
        FDrawn[Index(cell.left() / FPlan.Cell.width(), cell.top() / FPlan.Cell.height())] = true;
    }

    // Any other board with its chits already on it (see PutDrawnBoard).
    void Put(const TUsedBoard& usedBoard, const QImage& board)
    {
        if (board.isNull() || !Holds(usedBoard))
            return;
        const QRect whole = CellOf(usedBoard);
        PutDrawnBoard(FPicture, whole, board, FPlan.Cell);
        FDrawn[Index(whole.left() / FPlan.Cell.width(), whole.top() / FPlan.Cell.height())] = true;
    }

    // The empty cells and the seams of the others.
    void Finish()
    {
        QPainter painter(&FPicture);
        for (int y = 0; y < FRows; ++y) {
            for (int x = 0; x < FPlan.Cols; ++x) {
                const QRect cell = CellRect(x, y);
                if (!FDrawn[Index(x, y)])
                    painter.fillRect(cell, BackgroundColour());
                else
                    PaintSeams(painter, cell);
            }
        }
    }

private:
    // Cell (x, y) of this picture, y counted from its first row.
    QRect CellRect(int x, int y) const
    {
        return QRect(x * FPlan.Cell.width(), y * FPlan.Cell.height(), FPlan.Cell.width(), FPlan.Cell.height());
    }
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(FPlan.Cols) + static_cast<std::size_t>(x);
    }

    const TMapPlan& FPlan;
    QImage& FPicture;
    int FFirstRow;
    int FRows;
    std::vector<bool> FDrawn;
};

// A placed board with the phase's chits into its cell. A board that fills its cell with opaque
// pixels of the picture's own format is copied in and its chits drawn on the picture, which
// gives the same pixels as drawing them on a copy of the board and putting that in; any other
// board is drawn on a copy first.
void PutBoard(TDrawNotes& notes, TMapAssembler& assembler, const TMapPlan& plan, const TPreparedPhase& prepared,
    const TUsedBoardList& layout, int index, int layerLimit)
{
    const QImage* picture = plan.Pictures[static_cast<std::size_t>(index)];
    if (!picture)
        return;
    const TUsedBoard& usedBoard = *layout.Items(index);
    if (plan.FillsCell(*picture)) {
        assembler.PutWhole(usedBoard, *picture);
        DrawPreparedChitsInCell(notes, prepared, assembler.Picture(), assembler.CellOf(usedBoard), usedBoard.ID(), layerLimit);
    } else {
        assembler.Put(usedBoard, DrawnBoard(notes, plan, prepared, layout, index, layerLimit));
    }
}

// The notes of each board, handed on in layout order whatever order the boards are drawn in
// (also when drawing stops on an error).
class TNotesByBoard {
public:
    TNotesByBoard(TDrawNotes& target, int count)
        : FTarget(target)
        , FNotes(static_cast<std::size_t>(count))
    {
    }
    ~TNotesByBoard()
    {
        for (auto& held : FNotes)
            if (held)
                held->Notes.PassTo(FTarget);
    }
    TNotesByBoard(const TNotesByBoard&) = delete;
    TNotesByBoard& operator=(const TNotesByBoard&) = delete;

    TDrawNotes& Of(int index)
    {
        auto& held = FNotes[static_cast<std::size_t>(index)];
        if (!held)
            held = std::make_unique<THeld>();
        return held->Notes;
    }

private:
    // Kept inside a drawing call, so that nothing is shown from here.
    struct THeld {
        TDrawNotes Notes;
        TDrawNotes::TScope Hold {Notes};
    };
    TDrawNotes& FTarget;
    std::vector<std::unique_ptr<THeld>> FNotes;
};

// Writes the map file and the files of the boards in it one row of cells at a time. A row whose
// boards all fill their cells goes through in strips of a few rows: the boards' rows are copied
// into the strip, the chits drawn into it band by band, and the strip handed to the encoders
// of the boards and the map while it is still in the processor's cache. Any other row is drawn
// whole first. Board files show every chit; when the map hides chits the boards are drawn again
// for it, so that the chits keep what they covered on the map.
class TMapFileWriter {
public:
    TMapFileWriter(TDrawNotes& mapNotes, TNotesByBoard& notes, const TMapPlan& plan, const TPreparedPhase& prepared,
        const TUsedBoardList& layout, int layerLimit, std::vector<std::optional<std::string>>& boardFiles)
        : FMapNotes(mapNotes)
        , FNotes(notes)
        , FPlan(plan)
        , FPrepared(prepared)
        , FLayout(layout)
        , FLayerLimit(layerLimit)
        , FBoardFiles(boardFiles)
        , FDrawn(boardFiles.size(), false)
        , FMap(plan.PictureSize().width(), plan.PictureSize().height(), QImage::Format_RGB32,
              QImage(1, 1, QImage::Format_RGB32))
    {
    }

    // Whether the board was drawn into the map (and its file written).
    bool Drawn(int index) const { return FDrawn[static_cast<std::size_t>(index)]; }

    // The map file; none when memory for a row of cells ran out (noted).
    std::optional<std::string> Write()
    {
        for (int row = 0; row < FPlan.Rows; ++row) {
            const std::vector<int> boards = BoardsInRow(row);
            const bool strips = std::all_of(boards.begin(), boards.end(),
                [this](int i) { return FPlan.FillsCell(*FPlan.Pictures[static_cast<std::size_t>(i)]); });
            if (!(strips ? WriteInStrips(boards) : WriteWhole(row, boards)))
                return std::nullopt;
        }
        return FMap.Finish();
    }

private:
    // Rows per strip: two rows of 16-pixel blocks.
    static constexpr int StripRows = 32;

    struct TBoardInRow {
        int Index = 0;
        const QImage* Picture = nullptr;
        int Left = 0;
        std::unique_ptr<TJpegWriter> File;
        std::vector<TChitDraw> Every;
        std::vector<TChitDraw> Shown;
    };

    // The placed boards of a row of cells that can be drawn, in layout order.
    std::vector<int> BoardsInRow(int row) const
    {
        std::vector<int> boards;
        for (int i = 0, n = FLayout.Count(); i < n; ++i) {
            const TUsedBoard& usedBoard = *FLayout.Items(i);
            if (FPlan.Pictures[static_cast<std::size_t>(i)] && FPlan.InPicture(usedBoard) && usedBoard.Y() == row)
                boards.push_back(i);
        }
        return boards;
    }

    std::vector<TChitDraw> PrepareChits(TDrawNotes& notes, QSize band, const QRect& cell, const std::string& usedBoardID, int layerLimit) const
    {
        std::vector<TChitDraw> draws;
        if (!FPrepared.Chits)
            return draws;
        for (int i = 0, n = FPrepared.Chits->Count(); i < n; ++i) {
            TChit* chit = FPrepared.Chits->Items(i);
            if (chit->UsedBoardID() != usedBoardID)
                continue;
            if (std::optional<TChitDraw> draw = PrepareChitInCell(
                    notes, *chit, band, cell.topLeft(), cell, layerLimit, FPrepared.Slots[static_cast<std::size_t>(i)]))
                draws.push_back(std::move(*draw));
        }
        return draws;
    }

    bool WriteInStrips(const std::vector<int>& indexes)
    {
        const int width = FPlan.Cell.width();
        const int height = FPlan.Cell.height();
        const QSize band(FPlan.Cols * width, height);
        QImage strip;
        if (!MakeMapPicture(FMapNotes, QSize(band.width(), StripRows), FPlan.PictureSize(), strip))
            return false;
        std::vector<TBoardInRow> boards;
        std::vector<bool> filled(static_cast<std::size_t>(FPlan.Cols), false);
        for (int i : indexes) {
            const TUsedBoard& usedBoard = *FLayout.Items(i);
            TBoardInRow board;
            board.Index = i;
            board.Picture = FPlan.Pictures[static_cast<std::size_t>(i)];
            board.Left = usedBoard.X() * width;
            const QRect cell(board.Left, 0, width, height);
            TDrawNotes& notes = FNotes.Of(i);
            board.Every = PrepareChits(notes, band, cell, usedBoard.ID(), -1);
            if (FLayerLimit != -1)
                board.Shown = PrepareChits(notes, band, cell, usedBoard.ID(), FLayerLimit);
            board.File = std::make_unique<TJpegWriter>(width, height, QImage::Format_RGB32, *board.Picture);
            filled[static_cast<std::size_t>(usedBoard.X())] = true;
            FDrawn[static_cast<std::size_t>(i)] = true;
            boards.push_back(std::move(board));
        }

        uchar* bits = strip.bits();
        const qsizetype stride = strip.bytesPerLine();
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
        auto copyRows = [&](const TBoardInRow& board, int top, int rows) {
            for (int y = 0; y < rows; ++y)
                std::memcpy(bits + y * stride + static_cast<qsizetype>(board.Left) * 4, board.Picture->constScanLine(top + y), rowBytes);
        };
        for (int top = 0; top < height; top += StripRows) {
            const int rows = std::min(StripRows, height - top);
            for (TBoardInRow& board : boards) {
                copyRows(board, top, rows);
                for (TChitDraw& draw : board.Every)
                    DrawChitInBand(draw, strip, top, FLayerLimit == -1);
                board.File->WriteRows(bits + static_cast<qsizetype>(board.Left) * 4, stride, rows);
            }
            if (FLayerLimit != -1) {
                for (TBoardInRow& board : boards) {
                    copyRows(board, top, rows);
                    for (TChitDraw& draw : board.Shown)
                        DrawChitInBand(draw, strip, top, true);
                }
            }
            // The empty cells, and the seams at the right and bottom of the others.
            for (int x = 0; x < FPlan.Cols; ++x) {
                const bool lastRow = top + rows == height;
                for (int y = 0; y < rows; ++y) {
                    auto* line = reinterpret_cast<QRgb*>(bits + y * stride) + static_cast<qsizetype>(x) * width;
                    if (!filled[static_cast<std::size_t>(x)] || (lastRow && y == rows - 1))
                        std::fill(line, line + width, MapBackground);
                    else
                        line[width - 1] = MapBackground;
                }
            }
            FMap.WriteRows(bits, stride, rows);
        }
        for (TBoardInRow& board : boards) {
            // Drawn for the board's file and again for the map, a chit keeps the place of the
            // first drawing and the pixels of the second, as if drawn on a copy of the board.
            if (FLayerLimit != -1)
                for (const TChitDraw& draw : board.Every)
                    KeepChitPlace(draw);
            for (TChitDraw& draw : FLayerLimit == -1 ? board.Every : board.Shown)
                KeepChitDraw(draw);
            FBoardFiles[static_cast<std::size_t>(board.Index)] = board.File->Finish();
        }
        return true;
    }

    // A row with a board that is drawn on a copy first (see-through or not of the cell's size).
    bool WriteWhole(int row, const std::vector<int>& indexes)
    {
        const QSize size(FPlan.PictureSize().width(), FPlan.Cell.height());
        QImage band;
        if (!MakeMapPicture(FMapNotes, size, FPlan.PictureSize(), band))
            return false;
        TMapAssembler assembler(FPlan, band, row);
        for (int i : indexes) {
            const TUsedBoard& usedBoard = *FLayout.Items(i);
            const QImage* picture = FPlan.Pictures[static_cast<std::size_t>(i)];
            FDrawn[static_cast<std::size_t>(i)] = true;
            TDrawNotes& notes = FNotes.Of(i);
            if (FPlan.FillsCell(*picture)) {
                const QRect cell = assembler.CellOf(usedBoard);
                assembler.PutWhole(usedBoard, *picture);
                DrawPreparedChitsInCell(notes, FPrepared, band, cell, usedBoard.ID(), -1);
                TJpegWriter file(cell.width(), cell.height(), QImage::Format_RGB32, *picture);
                file.WriteRows(band, cell.left(), cell.top(), cell.height());
                FBoardFiles[static_cast<std::size_t>(i)] = file.Finish();
                if (FLayerLimit != -1)
                    PutBoard(notes, assembler, FPlan, FPrepared, FLayout, i, FLayerLimit);
                continue;
            }
            const QImage board = DrawnBoard(notes, FPlan, FPrepared, FLayout, i, -1);
            FBoardFiles[static_cast<std::size_t>(i)] = EncodeJpeg(board);
            assembler.Put(usedBoard, FLayerLimit == -1 ? board : DrawnBoard(notes, FPlan, FPrepared, FLayout, i, FLayerLimit));
        }
        assembler.Finish();
        FMap.WriteRows(band, 0, 0, band.height());
        return true;
    }

    TDrawNotes& FMapNotes;
    TNotesByBoard& FNotes;
    const TMapPlan& FPlan;
    const TPreparedPhase& FPrepared;
    const TUsedBoardList& FLayout;
    int FLayerLimit;
    std::vector<std::optional<std::string>>& FBoardFiles;
    std::vector<bool> FDrawn;
    TJpegWriter FMap;
};

} // namespace

QSize MapPictureSize(const TUsedBoardList& layout) { return PlanMap(nullptr, layout).PictureSize(); }

void TMapRenderer::DrawPhaseChits(
    TPhase& phase, QImage& boardPicture, const TUsedBoard& usedBoard, int layerLimit, const TBotList* bots)
{
    TDrawNotes::TScope scope(FNotes);
    DrawPreparedChits(FNotes, PreparePhase(&phase, bots), boardPicture, usedBoard.ID(), layerLimit);
}

QImage TMapRenderer::BoardPictureWithChits(const TUsedBoard& usedBoard, const std::vector<TChit*>& chits)
{
    TDrawNotes::TScope scope(FNotes);
    const QImage* picture = BoardPictureOf(&FNotes, usedBoard);
    if (!picture)
        return QImage();
    QImage board = *picture;
    for (TChit* chit : chits)
        if (chit && chit->UsedBoardID() == usedBoard.ID())
            DrawChit(FNotes, *chit, board, false, -1, -1);
    return board;
}

QImage TMapRenderer::BuildMapPicture(TGame& game, int turnIndex, int phaseNumber)
{
    QImage map;
    BuildMapPicture(game, turnIndex, phaseNumber, map);
    return map;
}

void TMapRenderer::BuildMapPicture(TGame& game, int turnIndex, int phaseNumber, QImage& into)
{
    TDrawNotes::TScope scope(FNotes);
    const TUsedBoardList& layout = *game.UsedBoardList();
    const TMapPlan plan = PlanMap(&FNotes, layout);
    const TPreparedPhase prepared = PreparePhase(PhaseOf(game, turnIndex, phaseNumber), game.BotList());
    if (!MakeMapPicture(FNotes, plan.PictureSize(), plan.PictureSize(), into))
        return;
    TMapAssembler assembler(plan, into, 0);
    for (int i = 0, n = layout.Count(); i < n; ++i)
        if (assembler.Holds(*layout.Items(i)))
            PutBoard(FNotes, assembler, plan, prepared, layout, i, game.ChitLayerLimit());
    assembler.Finish();
}

// ----------------------------------------------------------------------------- part of the map again

namespace {

// The cells of a map picture as a redraw of part of it sees them: which placed board each cell
// shows, and whether it is copied in with its chits drawn on the map (the chits' places are known
// on the map) or drawn on a copy first (the cell is drawn again whole).
struct TCellMap {
    const TMapPlan* Plan = nullptr;
    // Layout index per cell, -1 for an empty cell; false when two boards share a cell or an ID,
    // which only a damaged file does.
    std::vector<int> Boards;
    bool Plain = true;

    TCellMap(const TMapPlan& plan, const TUsedBoardList& layout)
        : Plan(&plan)
        , Boards(static_cast<std::size_t>(plan.Cols) * static_cast<std::size_t>(plan.Rows), -1)
    {
        std::set<std::string> ids;
        for (int i = 0, n = layout.Count(); i < n; ++i) {
            const TUsedBoard& usedBoard = *layout.Items(i);
            if (!plan.Pictures[static_cast<std::size_t>(i)] || !plan.InPicture(usedBoard))
                continue;
            int& board = Boards[Index(usedBoard.X(), usedBoard.Y())];
            if (board >= 0 || !ids.insert(usedBoard.ID()).second)
                Plain = false;
            board = i;
        }
    }

    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(Plan->Cols) + static_cast<std::size_t>(x);
    }
    QRect Rect(int x, int y) const
    {
        return QRect(x * Plan->Cell.width(), y * Plan->Cell.height(), Plan->Cell.width(), Plan->Cell.height());
    }
    int BoardAt(int x, int y) const { return Boards[Index(x, y)]; }
    // The board's picture fills the cell: its chits are drawn on the map itself.
    bool Fills(int x, int y) const
    {
        const int board = BoardAt(x, y);
        return board >= 0 && Plan->FillsCell(*Plan->Pictures[static_cast<std::size_t>(board)]);
    }
    // The cell with the board the chit stands on, when the map shows that board.
    std::optional<QPoint> CellOfChit(const TUsedBoardList& layout, const TChit& chit) const
    {
        const std::string id = chit.UsedBoardID();
        if (id.empty())
            return std::nullopt;
        const TUsedBoard* usedBoard = layout.FindByID(id);
        if (!usedBoard || !Plan->InPicture(*usedBoard))
            return std::nullopt;
        const int board = BoardAt(usedBoard->X(), usedBoard->Y());
        if (board < 0 || layout.Items(board) != usedBoard)
            return std::nullopt;
        return QPoint(usedBoard->X(), usedBoard->Y());
    }
    // Where a chit keeps pixels from on the map: within its cell, or the whole cell of a board
    // drawn on a copy; empty when it keeps none there.
    QRect KeptRect(TChit& chit) const
    {
        const QPoint cell = chit.SaveUnderCell();
        if (chit.SaveUnder().isNull() || cell.x() < 0 || cell.y() < 0 || cell.x() >= Plan->Cols || cell.y() >= Plan->Rows)
            return QRect();
        if (BoardAt(cell.x(), cell.y()) >= 0 && !Fills(cell.x(), cell.y()))
            return Rect(cell.x(), cell.y());
        return KeptChitRect(chit, Plan->Cell).intersected(Rect(cell.x(), cell.y()));
    }
};

} // namespace

QRect TMapRenderer::ChitArea(TGame& game, TChit& chit)
{
    TDrawNotes::TScope scope(FNotes);
    const TMapPlan plan = PlanMap(&FNotes, *game.UsedBoardList());
    if (plan.PictureSize().isEmpty())
        return QRect();
    return TCellMap(plan, *game.UsedBoardList()).KeptRect(chit);
}

QRect TMapRenderer::RedrawMapArea(TGame& game, int turnIndex, int phaseNumber, QImage& map, const QRect& area)
{
    TDrawNotes::TScope scope(FNotes);
    const TUsedBoardList& layout = *game.UsedBoardList();
    const TMapPlan plan = PlanMap(&FNotes, layout);
    const TCellMap cells(plan, layout);
    if (plan.PictureSize().isEmpty() || map.size() != plan.PictureSize() || map.format() != QImage::Format_RGB32
        || !cells.Plain) {
        BuildMapPicture(game, turnIndex, phaseNumber, map);
        return map.rect();
    }
    const TPreparedPhase prepared = PreparePhase(PhaseOf(game, turnIndex, phaseNumber), game.BotList());
    const int layerLimit = game.ChitLayerLimit();
    const int count = prepared.Chits ? prepared.Chits->Count() : 0;

    // Where each chit is drawn now; a chit on a board drawn on a copy counts as its whole cell.
    struct TPlaced {
        QRect Rect;
        std::optional<QPoint> Cell;
        bool Included = false;
    };
    std::vector<TPlaced> placed(static_cast<std::size_t>(count));
    QRegion region(area.intersected(map.rect()));
    for (int i = 0; i < count; ++i) {
        TChit& chit = *prepared.Chits->Items(i);
        TPlaced& place = placed[static_cast<std::size_t>(i)];
        place.Cell = cells.CellOfChit(layout, chit);
        if (place.Cell) {
            const QRect cell = cells.Rect(place.Cell->x(), place.Cell->y());
            const int slot = prepared.Slots[static_cast<std::size_t>(i)];
            if (cells.Fills(place.Cell->x(), place.Cell->y())) {
                place.Rect = ChitRectInCell(FNotes, chit, map.size(), cell.topLeft(), cell, layerLimit, slot);
            } else {
                const QRect board = plan.Pictures[static_cast<std::size_t>(cells.BoardAt(place.Cell->x(), place.Cell->y()))]->rect();
                if (!ChitRectInCell(FNotes, chit, board.size(), QPoint(0, 0), board, layerLimit, slot).isEmpty())
                    place.Rect = cell;
            }
        }
        // A chit drawn elsewhere than it was (another archive slot, another robot's state, a
        // change behind the window's back) is put right at both places.
        const QRect kept = cells.KeptRect(chit);
        if (kept != place.Rect) {
            region += kept;
            region += place.Rect;
        }
    }

    // Every chit that touches what is drawn again is drawn again whole, and with it all that
    // touches it, down to the bare boards: a cell drawn on a copy is drawn again whole.
    std::vector<bool> wholeCell(cells.Boards.size(), false);
    for (bool grown = true; grown;) {
        grown = false;
        for (TPlaced& place : placed) {
            if (!place.Included && !place.Rect.isEmpty() && region.intersects(place.Rect)) {
                place.Included = true;
                region += place.Rect;
                grown = true;
            }
        }
        for (int y = 0; y < plan.Rows; ++y)
            for (int x = 0; x < plan.Cols; ++x) {
                const QRect cell = cells.Rect(x, y);
                if (cells.BoardAt(x, y) >= 0 && !cells.Fills(x, y) && !wholeCell[cells.Index(x, y)] && region.intersects(cell)) {
                    wholeCell[cells.Index(x, y)] = true;
                    region += cell;
                    grown = true;
                }
            }
    }
    if (region.isEmpty())
        return QRect();

    // The bare cells under the region, the chits in layer order, the seams last, as a whole
    // drawing of the map does.
    std::vector<QRect> touched;
    for (int y = 0; y < plan.Rows; ++y) {
        for (int x = 0; x < plan.Cols; ++x) {
            const QRect cell = cells.Rect(x, y);
            if (!region.intersects(cell))
                continue;
            const int board = cells.BoardAt(x, y);
            if (board < 0) {
                QPainter painter(&map);
                for (const QRect& part : region.intersected(cell))
                    painter.fillRect(part, BackgroundColour());
                continue;
            }
            touched.push_back(cell);
            if (cells.Fills(x, y)) {
                for (const QRect& part : region.intersected(cell))
                    CopyBoardPart(map, cell, *plan.Pictures[static_cast<std::size_t>(board)], part);
            } else {
                PutDrawnBoard(map, cell, DrawnBoard(FNotes, plan, prepared, layout, board, layerLimit), plan.Cell);
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        const TPlaced& place = placed[static_cast<std::size_t>(i)];
        if (!place.Included || !place.Cell || !cells.Fills(place.Cell->x(), place.Cell->y()))
            continue;
        const QRect cell = cells.Rect(place.Cell->x(), place.Cell->y());
        DrawChitInCell(FNotes, *prepared.Chits->Items(i), map, cell.topLeft(), cell, layerLimit,
            prepared.Slots[static_cast<std::size_t>(i)]);
    }
    {
        QPainter painter(&map);
        for (const QRect& cell : touched)
            PaintSeams(painter, cell);
    }
    // A chit no longer drawn keeps nothing: what it covered is drawn again above.
    for (int i = 0; i < count; ++i)
        if (placed[static_cast<std::size_t>(i)].Rect.isEmpty())
            prepared.Chits->Items(i)->SaveUnder() = QImage();
    return region.boundingRect();
}

std::vector<std::string> TMapRenderer::SaveImages(TGame& game)
{
    TDrawNotes::TScope scope(FNotes);
    std::vector<std::string> written;
    const int turnCount = game.TurnCount();
    TTurn* turn = game.CurrentTurn();
    if (!turn)
        return written;
    const int phaseNumber = turn->CurrentPhaseNumber();
    const std::string& name = game.GameName();
    const TUsedBoardList& layout = *game.UsedBoardList();
    const TMapPlan plan = PlanMap(&FNotes, layout);
    const TPreparedPhase prepared = PreparePhase(turn->PhaseByNumber(phaseNumber), game.BotList());
    const int layerLimit = game.ChitLayerLimit();
    const int count = layout.Count();

    std::vector<std::optional<std::string>> boardFiles(static_cast<std::size_t>(count));
    std::optional<std::string> mapFile;
    {
        TNotesByBoard notes(FNotes, count);
        std::optional<TMapFileWriter> writer;
        if (!plan.PictureSize().isEmpty()) {
            writer.emplace(FNotes, notes, plan, prepared, layout, layerLimit, boardFiles);
            mapFile = writer->Write();
        }
        // Boards outside the map picture, or all of them when there is none.
        for (int i = 0; i < count; ++i) {
            if (writer && writer->Drawn(i))
                continue;
            const TUsedBoard& usedBoard = *layout.Items(i);
            const QImage board = DrawnBoard(notes.Of(i), plan, prepared, layout, i, -1);
            // A cell left of or above the map would be named like the whole map.
            if (!board.isNull() && usedBoard.X() >= 0 && usedBoard.Y() >= 0)
                boardFiles[static_cast<std::size_t>(i)] = EncodeJpeg(board);
        }
    }
    TFileBytesList files;
    if (mapFile)
        files.emplace_back(PhaseImagePath(name, -1, -1, phaseNumber, turnCount), std::move(*mapFile));
    else
        FNotes.Note("The map has no board that can be drawn; no map picture is written.");
    for (int i = 0; i < count; ++i) {
        auto& bytes = boardFiles[static_cast<std::size_t>(i)];
        if (bytes)
            files.emplace_back(
                PhaseImagePath(name, layout.Items(i)->X(), layout.Items(i)->Y(), phaseNumber, turnCount), std::move(*bytes));
    }
    SavePictureFiles(files);
    for (const auto& file : files)
        written.push_back(file.first);
    return written;
}
