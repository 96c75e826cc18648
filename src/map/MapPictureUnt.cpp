#include "map/MapPictureUnt.h"

#include "map/ChitUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/TurnUnt.h"
#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace {

// ----------------------------------------------------------------------------- notes

// Problems met while drawing (a picture that cannot be read, a damaged value that was clamped)
// do not stop the drawing. They are gathered while the outermost drawing call runs and shown
// together when it ends, each text once a run: the process-turn window redraws whenever it
// comes to the front again, which a message box would otherwise bring about without end.
struct TDrawNotes {
    int Depth = 0;
    std::vector<std::string> Pending;
    std::set<std::string> Shown;
};

TDrawNotes& DrawNotes()
{
    static TDrawNotes notes;
    return notes;
}

void Note(const std::string& text)
{
    TDrawNotes& notes = DrawNotes();
    if (notes.Shown.count(text) == 0
        && std::find(notes.Pending.begin(), notes.Pending.end(), text) == notes.Pending.end())
        notes.Pending.push_back(text);
}

class TNoteScope {
public:
    TNoteScope() { ++DrawNotes().Depth; }
    ~TNoteScope()
    {
        TDrawNotes& notes = DrawNotes();
        if (--notes.Depth > 0 || notes.Pending.empty())
            return;
        std::string text;
        for (const std::string& note : notes.Pending) {
            if (!text.empty())
                text += "\n";
            text += note;
            notes.Shown.insert(note);
        }
        notes.Pending.clear();
        try {
            ShowMessage(text);
        } catch (...) {
            // A failing message handler must not turn into a second error while unwinding.
        }
    }
    TNoteScope(const TNoteScope&) = delete;
    TNoteScope& operator=(const TNoteScope&) = delete;
};

// ----------------------------------------------------------------------------- geometry

// Positions stay well inside the int range, so that rectangles built on them cannot overflow;
// anything this far out is off every canvas anyway.
constexpr long long CoordLimit = 1LL << 28;

int ClampCoord(long long value) { return static_cast<int>(std::clamp(value, -CoordLimit, CoordLimit)); }

bool IsSideways(TChitFacing facing) { return facing == cfEast || facing == cfWest; }

// ----------------------------------------------------------------------------- pictures

const QImage* BoardPictureOf(const TUsedBoard& usedBoard)
{
    try {
        const QImage* picture = usedBoard.Picture();
        return picture && !picture->isNull() ? picture : nullptr;
    } catch (const EImageError& e) {
        Note(Format("Board %s is not drawn: %s", usedBoard.BoardID().c_str(), e.what()));
        return nullptr;
    }
}

const QImage* ChitPictureOf(const TChit& chit)
{
    try {
        const QImage& picture = chit.Picture();
        return picture.isNull() ? nullptr : &picture;
    } catch (const EImageError& e) {
        Note(Format("Chit %s is not drawn: %s", chit.ID().c_str(), e.what()));
        return nullptr;
    }
}

// Centre of the chit's square within its placed board's turned picture.
std::optional<QPoint> ChitSquareCenter(const TChit& chit)
{
    const TUsedBoard* usedBoard = chit.UsedBoard();
    if (!usedBoard)
        return std::nullopt;
    try {
        return usedBoard->SquareCenter(chit.X(), chit.Y());
    } catch (const EImageError& e) {
        Note(Format("Board %s is not drawn: %s", usedBoard->BoardID().c_str(), e.what()));
        return std::nullopt;
    }
}

// ImageSizePercent within the limits; a damaged value is clamped and the game master told.
long long ChitPercent(const TChit& chit, QSize picture)
{
    long long percent = chit.ImageSizePercent();
    if (percent < 0) {
        Note(Format("Chit %s has a negative size (%lld%%); it is not drawn.", chit.ID().c_str(), percent));
        return 0;
    }
    if (percent > MaxChitSizePercent) {
        Note(Format(
            "Chit %s has a size of %lld%%; it is drawn at %d%%.", chit.ID().c_str(), percent, MaxChitSizePercent));
        percent = MaxChitSizePercent;
    }
    const long long side = std::max(picture.width(), picture.height());
    if (side > 0 && side * percent / 100 > MaxChitPixelSide) {
        long long reduced = MaxChitPixelSide * 100LL / side;
        Note(Format("Chit %s would be drawn %lld pixels large at %lld%%; it is drawn at %lld%%.", chit.ID().c_str(),
            side * percent / 100, percent, reduced));
        percent = reduced;
    }
    return percent;
}

// The drawn size: the picture turned a quarter when sideways, scaled. Whole-number arithmetic,
// so that 29% of 100 pixels is 29 and not 28.
QSize ChitDrawnSize(const TChit& chit, QSize picture, bool sideways)
{
    const long long percent = ChitPercent(chit, picture);
    const int width = static_cast<int>(picture.width() * percent / 100);
    const int height = static_cast<int>(picture.height() * percent / 100);
    return sideways ? QSize(height, width) : QSize(width, height);
}

QSize ChitPixelSize(const TChit& chit)
{
    const QImage& picture = chit.Picture();
    return ChitDrawnSize(chit, picture.size(), IsSideways(chit.ChitFacing()) && chit.UsedBoard());
}

// Where a cell starts on a canvas: the cell origin on a whole map, nothing on a board's picture.
QPoint CellOffset(const TChit& chit, QPoint cell, bool fullMap)
{
    if (!fullMap || !chit.UsedBoardList())
        return QPoint(0, 0);
    const QSize size = MapCellSize(*chit.UsedBoardList());
    return QPoint(ClampCoord(static_cast<long long>(cell.x()) * size.width()),
        ClampCoord(static_cast<long long>(cell.y()) * size.height()));
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

void DrawPreparedChits(
    const TPreparedPhase& prepared, QImage& boardPicture, const std::string& usedBoardID, int layerLimit)
{
    if (!prepared.Chits)
        return;
    for (int i = 0, n = prepared.Chits->Count(); i < n; ++i) {
        TChit* chit = prepared.Chits->Items(i);
        if (chit->UsedBoardID() == usedBoardID)
            DrawChit(*chit, boardPicture, false, layerLimit, prepared.Slots[static_cast<std::size_t>(i)]);
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

TMapPlan PlanMap(const TUsedBoardList& layout)
{
    TMapPlan plan;
    const int count = layout.Count();
    plan.Pictures.assign(static_cast<std::size_t>(count), nullptr);
    int cellWidth = 0;
    int cellHeight = 0;
    for (int i = 0; i < count; ++i) {
        if (const QImage* picture = BoardPictureOf(*layout.Items(i))) {
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
        Note(Format("The map of %lld x %lld cells of %d x %d pixels is too large to draw; only the first %lld x %lld "
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
QImage DrawnBoard(
    const TMapPlan& plan, const TPreparedPhase& prepared, const TUsedBoardList& layout, int index, int layerLimit)
{
    const QImage* picture = plan.Pictures[static_cast<std::size_t>(index)];
    if (!picture)
        return QImage();
    // Shares the cached pixels until the first chit is drawn on it.
    QImage board = *picture;
    DrawPreparedChits(prepared, board, layout.Items(index)->ID(), layerLimit);
    return board;
}

// A map picture of the plan's size, its pixels not yet set; null for a map without cells.
QImage NewMapPicture(const TMapPlan& plan)
{
    const QSize size = plan.PictureSize();
    if (size.isEmpty())
        return QImage();
    QImage map(size, QImage::Format_RGB32);
    if (map.isNull())
        Note(Format("There is not enough memory for a map picture of %d x %d pixels.", size.width(), size.height()));
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

// ----------------------------------------------------------------------------- chits

int ChitPixelWidth(const TChit& chit)
{
    TNoteScope scope;
    return ChitPixelSize(chit).width();
}

int ChitPixelHeight(const TChit& chit)
{
    TNoteScope scope;
    return ChitPixelSize(chit).height();
}

int ChitPixelLeft(const TChit& chit)
{
    TNoteScope scope;
    std::optional<QPoint> center = ChitSquareCenter(chit);
    return center ? center->x() - ChitPixelSize(chit).width() / 2 : -1;
}

int ChitPixelTop(const TChit& chit)
{
    TNoteScope scope;
    std::optional<QPoint> center = ChitSquareCenter(chit);
    return center ? center->y() - ChitPixelSize(chit).height() / 2 : -1;
}

QPoint ChitSlotOffset(int slot, int width, int height)
{
    if (slot < 0)
        return QPoint(0, 0);
    // Each marker's outer edge 45 pixels from the square's centre.
    const int dx = 45 - width / 2;
    const int dy = 45 - height / 2;
    if (slot <= 5)
        return QPoint(slot % 2 == 0 ? -dx : dx, dy * (1 - slot / 2));
    return QPoint(0, slot % 2 == 1 ? -dy : dy);
}

void DrawChit(TChit& chit, QImage& canvas, bool fullMap, int layerLimit, int slot)
{
    TNoteScope scope;
    // What was kept before belongs to an earlier drawing; a chit not drawn now covers nothing.
    chit.SaveUnder() = QImage();
    if (layerLimit != -1 && chit.DrawLayer() > layerLimit)
        return;
    if (canvas.isNull())
        return;
    const TUsedBoard* usedBoard = chit.UsedBoard();
    const std::optional<QPoint> center = ChitSquareCenter(chit);
    if (!usedBoard || !center)
        return;
    const QImage* picture = ChitPictureOf(chit);
    if (!picture)
        return;

    const QSize size = ChitDrawnSize(chit, picture->size(), IsSideways(chit.ChitFacing()));
    if (size.isEmpty())
        return;
    QImage turned = *picture;
    switch (chit.ChitFacing()) {
    case cfEast:
        TurnPicture(turned, 0);
        break;
    case cfSouth:
        TurnPicture(turned, 0);
        TurnPicture(turned, 0);
        break;
    case cfWest:
        TurnPicture(turned, 1);
        break;
    default:
        break;
    }
    if (turned.size() != size)
        turned = turned.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    const QPoint slotOffset = ChitSlotOffset(slot, size.width(), size.height());
    const QPoint at(
        ClampCoord(static_cast<long long>(center->x()) - size.width() / 2 + chit.ImagePixelShiftX() + slotOffset.x()),
        ClampCoord(static_cast<long long>(center->y()) - size.height() / 2 + chit.ImagePixelShiftY() + slotOffset.y()));
    const QPoint cell(usedBoard->X(), usedBoard->Y());
    const QPoint offset = CellOffset(chit, cell, fullMap);
    const QRect target(ClampCoord(static_cast<long long>(at.x()) + offset.x()),
        ClampCoord(static_cast<long long>(at.y()) + offset.y()), size.width(), size.height());

    // Only the part on the canvas is kept, so that erasing touches nothing else, even on a
    // canvas other than the one drawn on.
    const QRect covered = target.intersected(canvas.rect());
    if (covered.isEmpty())
        return;
    chit.SaveUnder() = canvas.copy(covered);
    chit.SetSaveUnderPlace(covered.topLeft() - offset, cell);

    QPainter painter(&canvas);
    painter.drawImage(target.topLeft(), turned);
}

void EraseChit(TChit& chit, QImage& canvas, bool fullMap)
{
    TNoteScope scope;
    QImage& under = chit.SaveUnder();
    if (under.isNull() || canvas.isNull())
        return;
    if (fullMap && !chit.UsedBoardList())
        return;
    const QPoint offset = CellOffset(chit, chit.SaveUnderCell(), fullMap);
    const QPoint where(ClampCoord(static_cast<long long>(chit.SaveUnderAt().x()) + offset.x()),
        ClampCoord(static_cast<long long>(chit.SaveUnderAt().y()) + offset.y()));
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(where, under);
    }
    // The chit no longer covers these pixels; putting them back again later would wipe out
    // whatever has been drawn there since.
    under = QImage();
}

void DrawPhaseChits(
    TPhase& phase, QImage& boardPicture, const TUsedBoard& usedBoard, int layerLimit, const TBotList* bots)
{
    TNoteScope scope;
    DrawPreparedChits(PreparePhase(&phase, bots), boardPicture, usedBoard.ID(), layerLimit);
}

QImage BoardPictureWithChits(const TUsedBoard& usedBoard, const std::vector<TChit*>& chits)
{
    TNoteScope scope;
    const QImage* picture = BoardPictureOf(usedBoard);
    if (!picture)
        return QImage();
    QImage board = *picture;
    for (TChit* chit : chits)
        if (chit && chit->UsedBoardID() == usedBoard.ID())
            DrawChit(*chit, board, false, -1, -1);
    return board;
}

// ----------------------------------------------------------------------------- the map

QSize MapCellSize(const TUsedBoardList& layout)
{
    // A board whose picture cannot be read is reported when the map is drawn.
    return QSize(layout.MaxBoardWidth(), layout.MaxBoardHeight());
}

QSize MapPictureSize(const TUsedBoardList& layout)
{
    TNoteScope scope;
    return PlanMap(layout).PictureSize();
}

QImage BuildMapPicture(TGame& game, int turnIndex, int phaseNumber)
{
    TNoteScope scope;
    const TUsedBoardList& layout = *game.UsedBoardList();
    const TMapPlan plan = PlanMap(layout);
    const TPreparedPhase prepared = PreparePhase(PhaseOf(game, turnIndex, phaseNumber), game.BotList());
    QImage map = NewMapPicture(plan);
    if (map.isNull())
        return map;
    TMapAssembler assembler(plan, map);
    for (int i = 0, n = layout.Count(); i < n; ++i)
        if (plan.InPicture(*layout.Items(i)))
            assembler.Put(*layout.Items(i), DrawnBoard(plan, prepared, layout, i, game.ChitLayerLimit()));
    assembler.Finish();
    return map;
}

std::vector<std::string> SaveImages(TGame& game)
{
    TNoteScope scope;
    std::vector<std::string> written;
    const int turnCount = game.TurnCount();
    TTurn* turn = game.CurrentTurn();
    if (!turn)
        return written;
    const int phaseNumber = turn->CurrentPhaseNumber();
    const std::string& name = game.GameName();
    const TUsedBoardList& layout = *game.UsedBoardList();
    const TMapPlan plan = PlanMap(layout);
    const TPreparedPhase prepared = PreparePhase(turn->PhaseByNumber(phaseNumber), game.BotList());
    const int layerLimit = game.ChitLayerLimit();

    // The board files show every chit; each board is written and put into the map in turn, so
    // that only one board's copy is held at a time. When the map hides chits its board is drawn
    // again, last, so that the chits keep what they covered on the map.
    // The exported map is drawn into the same pixels each time the size allows: bringing fresh
    // memory of a map's size into use costs about as much as encoding the picture.
    static QImage scratch;
    if (scratch.size() != plan.PictureSize() || !scratch.isDetached())
        scratch = NewMapPicture(plan);
    QImage& map = scratch;
    std::vector<std::string> boardFiles;
    {
        std::optional<TMapAssembler> assembler;
        if (!map.isNull())
            assembler.emplace(plan, map);
        for (int i = 0, n = layout.Count(); i < n; ++i) {
            const TUsedBoard& usedBoard = *layout.Items(i);
            const QImage board = DrawnBoard(plan, prepared, layout, i, -1);
            if (board.isNull())
                continue;
            // A cell left of or above the map would be named like the whole map.
            if (usedBoard.X() >= 0 && usedBoard.Y() >= 0) {
                boardFiles.push_back(PhaseImagePath(name, usedBoard.X(), usedBoard.Y(), phaseNumber, turnCount));
                SaveJpegPicture(board, boardFiles.back());
            }
            if (assembler && plan.InPicture(usedBoard))
                assembler->Put(usedBoard, layerLimit == -1 ? board : DrawnBoard(plan, prepared, layout, i, layerLimit));
        }
        if (assembler)
            assembler->Finish();
    }
    if (!map.isNull()) {
        written.push_back(PhaseImagePath(name, -1, -1, phaseNumber, turnCount));
        SaveJpegPicture(map, written.back());
    } else {
        Note("The map has no board that can be drawn; no map picture is written.");
    }
    written.insert(written.end(), boardFiles.begin(), boardFiles.end());
    return written;
}

void SaveJpegPicture(const QImage& picture, const std::string& fileName)
{
    if (picture.isNull())
        throw EImageError(Format("There is no picture to write to \"%s\".", fileName.c_str()));
    const QString name = QString::fromStdString(fileName);
    const QFileInfo info(name);
    if (!QDir().mkpath(info.absolutePath()))
        throw EFileError(Format("Cannot create the folder \"%s\".", info.absolutePath().toStdString().c_str()));

    // The encoder writes three colour components straight from 32-bit and 24-bit pictures; any
    // other format (a grey one would come out with one component) is made 24-bit first.
    QImage rgb = picture;
    switch (picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB888:
        break;
    default:
        rgb = picture.convertToFormat(QImage::Format_RGB888);
        break;
    }

    // Written beside the old file and renamed over it only when complete, so that a failed
    // write leaves the old file as it was.
    QTemporaryFile file(info.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!file.open())
        throw EFileError(Format(
            "Cannot create a file beside \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(rgb))
        throw EFileError(
            Format("Cannot write \"%s\". %s", fileName.c_str(), writer.errorString().toStdString().c_str()));
    if (!file.flush())
        throw EFileError(Format("Cannot write \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
    file.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    file.close();
    std::error_code error;
    std::filesystem::rename(file.fileName().toStdString(), info.absoluteFilePath().toStdString(), error);
    if (error)
        throw EFileError(Format("Cannot replace \"%s\". %s", fileName.c_str(), error.message().c_str()));
    file.setAutoRemove(false);
}

// ----------------------------------------------------------------------------- file names

std::string SafeFolderName(const std::string& gameName)
{
    // Linux allows 255 bytes in one name.
    constexpr qsizetype MaxNameBytes = 255;
    const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    QString name = QString::fromStdString(gameName);
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            c = QLatin1Char('_');
    // "." and ".." are this folder and the one above it.
    if (!name.isEmpty() && name.count(QLatin1Char('.')) == name.size())
        name.fill(QLatin1Char('_'));
    if (name.isEmpty())
        name = QStringLiteral("Unnamed Game");
    while (name.toUtf8().size() > MaxNameBytes) {
        name.chop(1);
        // Never leave half of a surrogate pair behind.
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name.toStdString();
}

std::string GameFolder(const std::string& gameName) { return ExecutableFolder() + SafeFolderName(gameName) + "/"; }

std::string PhaseImagePath(const std::string& gameName, int x, int y, int phaseNumber, int turnNumber)
{
    const std::string tag = x == -1 || y == -1 ? std::string("Full") : Format("(%d, %d)", x, y);
    return GameFolder(gameName)
        + Format("%d/%s - Turn %d, Phase %d.jpg", turnNumber, tag.c_str(), turnNumber, phaseNumber);
}

std::string ScoreBoardImagePath(const std::string& gameName, int turnNumber)
{
    return GameFolder(gameName) + Format("Turn %d/Score Board Turn %d.jpg", turnNumber, turnNumber);
}
