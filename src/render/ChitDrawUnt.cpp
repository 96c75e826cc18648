#include "render/ChitDrawUnt.h"

#include "model/ChitUnt.h"
#include "model/UsedBoardUnt.h"
#include "render/DrawNotesUnt.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace {

// Positions stay well inside the int range, so that rectangles built on them cannot overflow;
// anything this far out is off every canvas anyway.
constexpr long long CoordLimit = 1LL << 28;

int ClampCoord(long long value) { return static_cast<int>(std::clamp(value, -CoordLimit, CoordLimit)); }

bool IsSideways(TChitFacing facing) { return facing == cfEast || facing == cfWest; }

void NoteIf(TDrawNotes* notes, const std::string& text)
{
    if (notes)
        notes->Note(text);
}

const QImage* ChitPictureOf(TDrawNotes& notes, const TChit& chit)
{
    try {
        const QImage& picture = chit.Picture();
        return picture.isNull() ? nullptr : &picture;
    } catch (const EImageError& e) {
        notes.Note(Format("Chit %s is not drawn: %s", chit.ID().c_str(), e.what()));
        return nullptr;
    }
}

// Centre of the chit's square within its placed board's turned picture.
std::optional<QPoint> ChitSquareCenter(TDrawNotes* notes, const TChit& chit)
{
    const TUsedBoard* usedBoard = chit.UsedBoard();
    if (!usedBoard)
        return std::nullopt;
    try {
        return usedBoard->SquareCenter(chit.X(), chit.Y());
    } catch (const EImageError& e) {
        NoteIf(notes, Format("Board %s is not drawn: %s", usedBoard->BoardID().c_str(), e.what()));
        return std::nullopt;
    }
}

// ImageSizePercent within the limits; a damaged value is clamped and the game master told.
long long ChitPercent(TDrawNotes* notes, const TChit& chit, QSize picture)
{
    long long percent = chit.ImageSizePercent();
    if (percent < 0) {
        NoteIf(notes, Format("Chit %s has a negative size (%lld%%); it is not drawn.", chit.ID().c_str(), percent));
        return 0;
    }
    if (percent > MaxChitSizePercent) {
        NoteIf(notes,
            Format("Chit %s has a size of %lld%%; it is drawn at %d%%.", chit.ID().c_str(), percent, MaxChitSizePercent));
        percent = MaxChitSizePercent;
    }
    const long long side = std::max(picture.width(), picture.height());
    if (side > 0 && side * percent / 100 > MaxChitPixelSide) {
        long long reduced = MaxChitPixelSide * 100LL / side;
        NoteIf(notes, Format("Chit %s would be drawn %lld pixels large at %lld%%; it is drawn at %lld%%.",
                          chit.ID().c_str(), side * percent / 100, percent, reduced));
        percent = reduced;
    }
    return percent;
}

// The drawn size: the picture turned a quarter when sideways, scaled. Whole-number arithmetic,
// so that 29% of 100 pixels is 29 and not 28.
QSize ChitDrawnSize(TDrawNotes* notes, const TChit& chit, QSize picture, bool sideways)
{
    const long long percent = ChitPercent(notes, chit, picture);
    const int width = static_cast<int>(picture.width() * percent / 100);
    const int height = static_cast<int>(picture.height() * percent / 100);
    return sideways ? QSize(height, width) : QSize(width, height);
}

QSize ChitPixelSize(const TChit& chit)
{
    const QImage& picture = chit.Picture();
    return ChitDrawnSize(nullptr, chit, picture.size(), IsSideways(chit.ChitFacing()) && chit.UsedBoard());
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

// Erases the chit, lets its own model operation change it, and draws it where it now stands.
template <class TChange>
void Redraw(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap, TChange change)
{
    const std::string before = chit.UsedBoardID();
    EraseChit(chit, canvas, fullMap);
    change();
    // Drawn on a single board's picture after stepping off it, the chit would land on a square
    // of the wrong board.
    if (fullMap || chit.UsedBoardID() == before)
        DrawChit(notes, chit, canvas, fullMap, -1, -1);
}

} // namespace

// ----------------------------------------------------------------------------- geometry

QSize MapCellSize(const TUsedBoardList& layout)
{
    // A board whose picture cannot be read is reported when the map is drawn.
    return QSize(layout.MaxBoardWidth(), layout.MaxBoardHeight());
}

int ChitPixelWidth(const TChit& chit) { return ChitPixelSize(chit).width(); }

int ChitPixelHeight(const TChit& chit) { return ChitPixelSize(chit).height(); }

int ChitPixelLeft(const TChit& chit)
{
    std::optional<QPoint> center = ChitSquareCenter(nullptr, chit);
    return center ? center->x() - ChitPixelSize(chit).width() / 2 : -1;
}

int ChitPixelTop(const TChit& chit)
{
    std::optional<QPoint> center = ChitSquareCenter(nullptr, chit);
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

// ----------------------------------------------------------------------------- drawing

namespace {

// Where a chit lands: the drawn size, the target on the canvas and the part of it that is
// covered, with the picture it is drawn from (not yet turned).
struct TChitPlace {
    const QImage* Picture = nullptr;
    QSize Size;
    QRect Target;
    QRect Covered;
    QPoint Origin;
    QPoint Cell;
    bool Clipped = false;
};

// origin: where the chit's cell starts on the canvas; none to take it from the map layout
// (full map) or (0, 0) (a board's picture). clip: the part of the canvas the chit may cover.
// None when nothing is to be drawn. Touches neither the canvas nor what the chit keeps.
std::optional<TChitPlace> PlaceChitOnCanvas(TDrawNotes& notes, const TChit& chit, const QRect& canvas, bool fullMap,
    const std::optional<QPoint>& origin, const std::optional<QRect>& clip, int layerLimit, int slot)
{
    if (layerLimit != -1 && chit.DrawLayer() > layerLimit)
        return std::nullopt;
    if (canvas.isEmpty())
        return std::nullopt;
    const TUsedBoard* usedBoard = chit.UsedBoard();
    const std::optional<QPoint> center = ChitSquareCenter(&notes, chit);
    if (!usedBoard || !center)
        return std::nullopt;
    const QImage* picture = ChitPictureOf(notes, chit);
    if (!picture)
        return std::nullopt;

    TChitPlace place;
    place.Picture = picture;
    place.Size = ChitDrawnSize(&notes, chit, picture->size(), IsSideways(chit.ChitFacing()));
    if (place.Size.isEmpty())
        return std::nullopt;
    const QSize size = place.Size;
    const QPoint slotOffset = ChitSlotOffset(slot, size.width(), size.height());
    const QPoint at(
        ClampCoord(static_cast<long long>(center->x()) - size.width() / 2 + chit.ImagePixelShiftX() + slotOffset.x()),
        ClampCoord(static_cast<long long>(center->y()) - size.height() / 2 + chit.ImagePixelShiftY() + slotOffset.y()));
    place.Cell = QPoint(usedBoard->X(), usedBoard->Y());
    place.Origin = origin ? *origin : CellOffset(chit, place.Cell, fullMap);
    place.Target = QRect(ClampCoord(static_cast<long long>(at.x()) + place.Origin.x()),
        ClampCoord(static_cast<long long>(at.y()) + place.Origin.y()), size.width(), size.height());
    // Only the part on the canvas (or the cell) is kept, so that erasing touches nothing else,
    // even on a canvas other than the one drawn on.
    place.Covered = place.Target.intersected(clip ? clip->intersected(canvas) : canvas);
    if (place.Covered.isEmpty())
        return std::nullopt;
    place.Clipped = clip.has_value();
    return place;
}

// As PlaceChitOnCanvas, with the picture turned and sized. Empties what the chit kept.
std::optional<TChitDraw> PrepareChit(TDrawNotes& notes, TChit& chit, const QRect& canvas, bool fullMap,
    const std::optional<QPoint>& origin, const std::optional<QRect>& clip, int layerLimit, int slot)
{
    TDrawNotes::TScope scope(notes);
    // What was kept before belongs to an earlier drawing; a chit not drawn now covers nothing.
    chit.SaveUnder() = QImage();
    const std::optional<TChitPlace> place = PlaceChitOnCanvas(notes, chit, canvas, fullMap, origin, clip, layerLimit, slot);
    if (!place)
        return std::nullopt;
    QImage turned = *place->Picture;
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
    if (turned.size() != place->Size)
        turned = turned.scaled(place->Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    TChitDraw draw;
    draw.Chit = &chit;
    draw.Cell = place->Cell;
    draw.Origin = place->Origin;
    draw.Target = place->Target;
    draw.Covered = place->Covered;
    draw.Clipped = place->Clipped;
    draw.Picture = std::move(turned);
    return draw;
}

void DrawChitPlaced(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap, const std::optional<QPoint>& origin,
    const std::optional<QRect>& clip, int layerLimit, int slot)
{
    const std::optional<TChitDraw> draw = PrepareChit(notes, chit, canvas.rect(), fullMap, origin, clip, layerLimit, slot);
    if (!draw)
        return;
    chit.SaveUnder() = canvas.copy(draw->Covered);
    chit.SetSaveUnderPlace(draw->Covered.topLeft() - draw->Origin, draw->Cell);
    QPainter painter(&canvas);
    if (!draw->Clipped || draw->Covered == draw->Target)
        painter.drawImage(draw->Target.topLeft(), draw->Picture);
    else
        painter.drawImage(draw->Covered.topLeft(), draw->Picture, draw->Covered.translated(-draw->Target.topLeft()));
}

} // namespace

void DrawChit(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap, int layerLimit, int slot)
{
    DrawChitPlaced(notes, chit, canvas, fullMap, std::nullopt, std::nullopt, layerLimit, slot);
}

void DrawChitInCell(
    TDrawNotes& notes, TChit& chit, QImage& canvas, QPoint cellOrigin, const QRect& cellRect, int layerLimit, int slot)
{
    DrawChitPlaced(notes, chit, canvas, true, cellOrigin, cellRect, layerLimit, slot);
}

QRect ChitRectInCell(TDrawNotes& notes, const TChit& chit, QSize canvasSize, QPoint cellOrigin, const QRect& cellRect,
    int layerLimit, int slot)
{
    TDrawNotes::TScope scope(notes);
    const std::optional<TChitPlace> place
        = PlaceChitOnCanvas(notes, chit, QRect(QPoint(0, 0), canvasSize), true, cellOrigin, cellRect, layerLimit, slot);
    return place ? place->Covered : QRect();
}

QRect KeptChitRect(TChit& chit, QSize cellSize)
{
    const QImage& under = chit.SaveUnder();
    if (under.isNull())
        return QRect();
    const QPoint origin(ClampCoord(static_cast<long long>(chit.SaveUnderCell().x()) * cellSize.width()),
        ClampCoord(static_cast<long long>(chit.SaveUnderCell().y()) * cellSize.height()));
    return QRect(origin + chit.SaveUnderAt(), under.size());
}

std::optional<TChitDraw> PrepareChitInCell(TDrawNotes& notes, TChit& chit, QSize canvasSize, QPoint cellOrigin,
    const QRect& cellRect, int layerLimit, int slot)
{
    return PrepareChit(notes, chit, QRect(QPoint(0, 0), canvasSize), true, cellOrigin, cellRect, layerLimit, slot);
}

void DrawChitInBand(TChitDraw& draw, QImage& band, int top, bool keep)
{
    const QRect part = draw.Covered.intersected(QRect(0, top, band.width(), band.height()));
    if (part.isEmpty())
        return;
    if (keep) {
        if (draw.Under.isNull())
            draw.Under = QImage(draw.Covered.size(), band.format());
        const int bytes = band.depth() / 8;
        const QPoint into = part.topLeft() - draw.Covered.topLeft();
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(draw.Under.scanLine(into.y() + y) + into.x() * bytes,
                band.constScanLine(part.top() - top + y) + part.left() * bytes,
                static_cast<std::size_t>(part.width() * bytes));
    }
    QPainter painter(&band);
    if (part == draw.Target)
        painter.drawImage(draw.Target.topLeft() - QPoint(0, top), draw.Picture);
    else
        painter.drawImage(part.topLeft() - QPoint(0, top), draw.Picture, part.translated(-draw.Target.topLeft()));
}

void KeepChitPlace(const TChitDraw& draw)
{
    draw.Chit->SetSaveUnderPlace(draw.Covered.topLeft() - draw.Origin, draw.Cell);
}

void KeepChitDraw(TChitDraw& draw)
{
    draw.Chit->SaveUnder() = std::move(draw.Under);
    draw.Chit->SetSaveUnderPlace(draw.Covered.topLeft() - draw.Origin, draw.Cell);
}

void EraseChit(TChit& chit, QImage& canvas, bool fullMap)
{
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

// ----------------------------------------------------------------------------- editing steps

void MoveEast(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap)
{
    if (chit.IsOnMap())
        Redraw(notes, chit, canvas, fullMap, [&chit] { chit.MoveEast(); });
}

void MoveWest(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap)
{
    if (chit.IsOnMap())
        Redraw(notes, chit, canvas, fullMap, [&chit] { chit.MoveWest(); });
}

void MoveNorth(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap)
{
    if (chit.IsOnMap())
        Redraw(notes, chit, canvas, fullMap, [&chit] { chit.MoveNorth(); });
}

void MoveSouth(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap)
{
    if (chit.IsOnMap())
        Redraw(notes, chit, canvas, fullMap, [&chit] { chit.MoveSouth(); });
}

void StepToNeighbour(TDrawNotes& notes, TChit& chit, int dx, int dy, QImage& canvas, bool fullMap)
{
    if (chit.UsedBoard())
        Redraw(notes, chit, canvas, fullMap, [&chit, dx, dy] { chit.StepToNeighbour(dx, dy); });
}

void RotateLeft(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap)
{
    Redraw(notes, chit, canvas, fullMap, [&chit] { chit.RotateLeft(); });
}

void RotateRight(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap)
{
    Redraw(notes, chit, canvas, fullMap, [&chit] { chit.RotateRight(); });
}

void Tweak(TDrawNotes& notes, TChit& chit, int dx, int dy, QImage& canvas, bool fullMap)
{
    Redraw(notes, chit, canvas, fullMap, [&chit, dx, dy] { chit.Tweak(dx, dy); });
}

bool SetSizePercent(TDrawNotes& notes, TChit& chit, int percent, QImage& canvas, bool fullMap)
{
    if (percent == chit.ImageSizePercent())
        return false;
    Redraw(notes, chit, canvas, fullMap, [&chit, percent] { chit.SetSizePercent(percent); });
    return true;
}
