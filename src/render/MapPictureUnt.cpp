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

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

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

    // Any other board with its chits already on it: into its cell less the cell's last column
    // and row, which show the background like the empty cells.
    void Put(const TUsedBoard& usedBoard, const QImage& board)
    {
        if (board.isNull() || !Holds(usedBoard))
            return;
        const QRect whole = CellOf(usedBoard);
        const QRect cell(whole.topLeft(), whole.size() - QSize(1, 1));
        QPainter painter(&FPicture);
        if (board.hasAlphaChannel())
            painter.fillRect(cell, Background());
        // A board of the cell's size is copied as it is, its last column and row under the seam:
        // so the map shows every pixel where the board has it, and a chit drawn or erased on the
        // map lands exactly where it was drawn on the board. Smaller boards are stretched.
        if (board.size() == FPlan.Cell)
            painter.drawImage(cell.topLeft(), board, QRect(QPoint(0, 0), cell.size()));
        else
            painter.drawImage(cell, board);
        FDrawn[Index(whole.left() / FPlan.Cell.width(), whole.top() / FPlan.Cell.height())] = true;
    }

    // The empty cells and the seams of the others.
    void Finish()
    {
        QPainter painter(&FPicture);
        const int width = FPlan.Cell.width();
        const int height = FPlan.Cell.height();
        for (int y = 0; y < FRows; ++y) {
            for (int x = 0; x < FPlan.Cols; ++x) {
                const QRect cell = CellRect(x, y);
                if (!FDrawn[Index(x, y)]) {
                    painter.fillRect(cell, Background());
                    continue;
                }
                painter.fillRect(QRect(cell.right(), cell.top(), 1, height), Background());
                painter.fillRect(QRect(cell.left(), cell.bottom(), width, 1), Background());
            }
        }
    }

private:
    static QColor Background() { return QColor::fromRgb(MapBackground); }
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
