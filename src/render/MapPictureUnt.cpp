#include "render/MapPictureUnt.h"

#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/TurnUnt.h"
#include "model/UsedBoardUnt.h"
#include "render/ChitDrawUnt.h"
#include "render/GameFolderUnt.h"
#include "render/PictureFileUnt.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <QPainter>
#include <QRect>

#include <algorithm>
#include <map>
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

// A map picture of the plan's size, its pixels not yet set; null for a map without cells.
QImage NewMapPicture(TDrawNotes& notes, const TMapPlan& plan)
{
    const QSize size = plan.PictureSize();
    if (size.isEmpty())
        return QImage();
    QImage map(size, QImage::Format_RGB32);
    if (map.isNull())
        notes.Note(Format("There is not enough memory for a map picture of %d x %d pixels.", size.width(), size.height()));
    return map;
}

// Puts each board into its cell less the cell's last column and row, which show the background
// like the empty cells. Every pixel is written once, so the picture need not be cleared first.
class TMapAssembler {
public:
    TMapAssembler(const TMapPlan& plan, QImage& map)
        : FPlan(plan)
        , FPainter(&map)
        , FDrawn(static_cast<std::size_t>(plan.Cols) * static_cast<std::size_t>(plan.Rows), false)
    {
    }

    void Put(const TUsedBoard& usedBoard, const QImage& board)
    {
        if (board.isNull() || !FPlan.InPicture(usedBoard))
            return;
        const QRect cell(usedBoard.X() * FPlan.Cell.width(), usedBoard.Y() * FPlan.Cell.height(),
            FPlan.Cell.width() - 1, FPlan.Cell.height() - 1);
        if (board.hasAlphaChannel())
            FPainter.fillRect(cell, Background());
        // A board of the cell's size is copied as it is, its last column and row under the seam:
        // so the map shows every pixel where the board has it, and a chit drawn or erased on the
        // map lands exactly where it was drawn on the board. Smaller boards are stretched.
        if (board.size() == FPlan.Cell)
            FPainter.drawImage(cell.topLeft(), board, QRect(QPoint(0, 0), cell.size()));
        else
            FPainter.drawImage(cell, board);
        FDrawn[Index(usedBoard.X(), usedBoard.Y())] = true;
    }

    // The empty cells and the seams of the others.
    void Finish()
    {
        const int width = FPlan.Cell.width();
        const int height = FPlan.Cell.height();
        for (int y = 0; y < FPlan.Rows; ++y) {
            for (int x = 0; x < FPlan.Cols; ++x) {
                const QRect cell(x * width, y * height, width, height);
                if (!FDrawn[Index(x, y)]) {
                    FPainter.fillRect(cell, Background());
                    continue;
                }
                FPainter.fillRect(QRect(cell.right(), cell.top(), 1, height), Background());
                FPainter.fillRect(QRect(cell.left(), cell.bottom(), width, 1), Background());
            }
        }
        FPainter.end();
    }

private:
    static QColor Background() { return QColor::fromRgb(MapBackground); }
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(FPlan.Cols) + static_cast<std::size_t>(x);
    }

    const TMapPlan& FPlan;
    QPainter FPainter;
    std::vector<bool> FDrawn;
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
    TDrawNotes::TScope scope(FNotes);
    const TUsedBoardList& layout = *game.UsedBoardList();
    const TMapPlan plan = PlanMap(&FNotes, layout);
    const TPreparedPhase prepared = PreparePhase(PhaseOf(game, turnIndex, phaseNumber), game.BotList());
    QImage map = NewMapPicture(FNotes, plan);
    if (map.isNull())
        return map;
    TMapAssembler assembler(plan, map);
    for (int i = 0, n = layout.Count(); i < n; ++i)
        if (plan.InPicture(*layout.Items(i)))
            assembler.Put(*layout.Items(i), DrawnBoard(FNotes, plan, prepared, layout, i, game.ChitLayerLimit()));
    assembler.Finish();
    return map;
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

    // The board files show every chit; each board is encoded and put into the map in turn, so
    // that only one board's copy is held at a time. When the map hides chits its board is drawn
    // again, last, so that the chits keep what they covered on the map.
    if (FExportMap.size() != plan.PictureSize() || !FExportMap.isDetached())
        FExportMap = NewMapPicture(FNotes, plan);
    QImage& map = FExportMap;
    TFileBytesList boardFiles;
    {
        std::optional<TMapAssembler> assembler;
        if (!map.isNull())
            assembler.emplace(plan, map);
        for (int i = 0, n = layout.Count(); i < n; ++i) {
            const TUsedBoard& usedBoard = *layout.Items(i);
            const QImage board = DrawnBoard(FNotes, plan, prepared, layout, i, -1);
            if (board.isNull())
                continue;
            // A cell left of or above the map would be named like the whole map.
            if (usedBoard.X() >= 0 && usedBoard.Y() >= 0)
                boardFiles.emplace_back(
                    PhaseImagePath(name, usedBoard.X(), usedBoard.Y(), phaseNumber, turnCount), EncodeJpeg(board));
            if (assembler && plan.InPicture(usedBoard))
                assembler->Put(
                    usedBoard, layerLimit == -1 ? board : DrawnBoard(FNotes, plan, prepared, layout, i, layerLimit));
        }
        if (assembler)
            assembler->Finish();
    }
    TFileBytesList files;
    if (!map.isNull())
        files.emplace_back(PhaseImagePath(name, -1, -1, phaseNumber, turnCount), EncodeJpeg(map));
    else
        FNotes.Note("The map has no board that can be drawn; no map picture is written.");
    files.insert(files.end(), std::make_move_iterator(boardFiles.begin()), std::make_move_iterator(boardFiles.end()));
    SavePictureFiles(files);
    for (const auto& file : files)
        written.push_back(file.first);
    return written;
}
