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
        const int robot = chits.BotIndexOfChit(chit, *bots);
        if (robot < 0)
            continue;
        const std::string usedBoardID = chit->UsedBoardID();
        if (usedBoardID.empty() || !IsInnerSquare(chit->X(), chit->Y()) || !chit->IsArchiveMarker())
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

    // The map is drawn and encoded one row of cells at a time, so only that row is held. A board
    // file shows every chit; a board that fills its cell is written from the cell, before the
    // seams go over it. When the map hides chits the board is drawn again, so that the chits
    // keep what they covered on the map.
    std::vector<std::optional<std::string>> boardFiles(static_cast<std::size_t>(count));
    std::vector<bool> drawn(static_cast<std::size_t>(count), false);
    std::optional<std::string> mapFile;
    {
        TNotesByBoard notes(FNotes, count);
        const QSize mapSize = plan.PictureSize();
        if (!mapSize.isEmpty() && MakeMapPicture(FNotes, QSize(mapSize.width(), plan.Cell.height()), mapSize, FExportRow)) {
            TJpegWriter map(mapSize.width(), mapSize.height(), QImage::Format_RGB32, FExportRow);
            for (int row = 0; row < plan.Rows; ++row) {
                TMapAssembler assembler(plan, FExportRow, row);
                for (int i = 0; i < count; ++i) {
                    const TUsedBoard& usedBoard = *layout.Items(i);
                    const QImage* picture = plan.Pictures[static_cast<std::size_t>(i)];
                    if (!picture || !assembler.Holds(usedBoard))
                        continue;
                    drawn[static_cast<std::size_t>(i)] = true;
                    TDrawNotes& boardNotes = notes.Of(i);
                    if (plan.FillsCell(*picture)) {
                        const QRect cell = assembler.CellOf(usedBoard);
                        assembler.PutWhole(usedBoard, *picture);
                        DrawPreparedChitsInCell(boardNotes, prepared, FExportRow, cell, usedBoard.ID(), -1);
                        TJpegWriter board(cell.width(), cell.height(), QImage::Format_RGB32, *picture);
                        board.WriteRows(FExportRow, cell.left(), cell.top(), cell.height());
                        boardFiles[static_cast<std::size_t>(i)] = board.Finish();
                        if (layerLimit != -1)
                            PutBoard(boardNotes, assembler, plan, prepared, layout, i, layerLimit);
                        continue;
                    }
                    const QImage board = DrawnBoard(boardNotes, plan, prepared, layout, i, -1);
                    boardFiles[static_cast<std::size_t>(i)] = EncodeJpeg(board);
                    assembler.Put(usedBoard,
                        layerLimit == -1 ? board : DrawnBoard(boardNotes, plan, prepared, layout, i, layerLimit));
                }
                assembler.Finish();
                map.WriteRows(FExportRow, 0, 0, FExportRow.height());
            }
            mapFile = map.Finish();
        }
        // Boards outside the map picture, or all of them when there is none.
        for (int i = 0; i < count; ++i) {
            if (drawn[static_cast<std::size_t>(i)])
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
