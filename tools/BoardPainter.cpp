#include "BoardPainter.h"

#include "PaintHelpers.h"

#include "model/BoardUnt.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

constexpr int Grid = TBoardNodeList::GridSize;
constexpr int Spacing = TBoardNode::SquareSpacing;
constexpr qreal Half = Spacing / 2.0;

// The square's pixel area; its middle pixel is the square's default centre.
QRectF SquareRect(int x, int y)
{
    return QRectF(TBoardNode::DefaultCenterX(x) - 48, TBoardNode::DefaultCenterY(y) - 48, Spacing, Spacing);
}

enum TDir { dNorth, dEast, dSouth, dWest };

TDir Opposite(TDir d) { return static_cast<TDir>((d + 2) % 4); }
int StepX(TDir d) { return d == dEast ? 1 : (d == dWest ? -1 : 0); }
int StepY(TDir d) { return d == dSouth ? 1 : (d == dNorth ? -1 : 0); }

enum TKind { fkConveyor, fkExpress, fkPit, fkWall, fkLaser, fkGearClockwise, fkGearCounter, fkRepair, fkWater, fkDarkTile };

// One feature on one square. Dir is the flow of a conveyor, the side of a wall, and the side
// of the wall a laser is mounted on (it fires across the board, away from that side).
struct TFeature {
    TKind Kind;
    int X;
    int Y;
    TDir Dir = dNorth;
    int Length = 0;
};

class TLayout {
public:
    void Add(TKind kind, int x, int y, TDir dir = dNorth, int length = 0)
    {
        if (x >= 1 && x <= Grid && y >= 1 && y <= Grid)
            Features.push_back({kind, x, y, dir, length});
    }
    void Pit(int x, int y) { Add(fkPit, x, y); }
    void Wall(int x, int y, TDir side) { Add(fkWall, x, y, side); }
    void Laser(int x, int y, TDir side, int length) { Add(fkLaser, x, y, side, length); }
    void Gear(int x, int y, bool clockwise) { Add(clockwise ? fkGearClockwise : fkGearCounter, x, y); }
    void Repair(int x, int y) { Add(fkRepair, x, y); }

    void Run(int x, int y, TDir dir, int count, bool express)
    {
        for (int i = 0; i < count; ++i, x += StepX(dir), y += StepY(dir))
            Add(express ? fkExpress : fkConveyor, x, y, dir);
    }
    // A closed belt around the rectangle's edge squares.
    void Loop(int x0, int y0, int x1, int y1, bool clockwise, bool express)
    {
        TKind kind = express ? fkExpress : fkConveyor;
        if (clockwise) {
            for (int x = x0; x < x1; ++x) Add(kind, x, y0, dEast);
            for (int y = y0; y < y1; ++y) Add(kind, x1, y, dSouth);
            for (int x = x1; x > x0; --x) Add(kind, x, y1, dWest);
            for (int y = y1; y > y0; --y) Add(kind, x0, y, dNorth);
        } else {
            for (int y = y0; y < y1; ++y) Add(kind, x0, y, dSouth);
            for (int x = x0; x < x1; ++x) Add(kind, x, y1, dEast);
            for (int y = y1; y > y0; --y) Add(kind, x1, y, dNorth);
            for (int x = x1; x > x0; --x) Add(kind, x, y0, dWest);
        }
    }

    std::vector<TFeature> Features;
};

// Layouts after the boards' names, in the first printing's orientation.
void LayCanneryRow(TLayout& l)
{
    l.Run(1, 3, dEast, 12, false);
    l.Run(12, 10, dWest, 12, true);
    l.Run(3, 4, dSouth, 6, false);
    l.Run(10, 9, dNorth, 6, false);
    l.Pit(6, 5);
    l.Pit(7, 8);
    l.Repair(1, 1);
    l.Repair(12, 12);
    l.Wall(5, 6, dEast);
    l.Wall(8, 7, dWest);
    l.Laser(12, 6, dEast, 4);
    l.Gear(2, 12, true);
    l.Gear(11, 1, false);
}

void LayCross(TLayout& l)
{
    l.Run(6, 1, dSouth, 12, true);
    l.Run(1, 7, dEast, 5, false);
    l.Run(7, 7, dEast, 6, false);
    l.Gear(3, 3, true);
    l.Gear(10, 10, false);
    l.Gear(3, 10, false);
    l.Gear(10, 3, true);
    l.Pit(9, 5);
    l.Pit(4, 9);
    l.Wall(5, 5, dNorth);
    l.Wall(8, 8, dSouth);
    l.Repair(12, 1);
    l.Repair(1, 12);
}

void LayExchange(TLayout& l)
{
    l.Loop(3, 3, 10, 10, true, false);
    l.Run(4, 6, dEast, 6, true);
    l.Run(9, 8, dWest, 6, true);
    l.Gear(1, 6, true);
    l.Gear(12, 7, false);
    l.Pit(6, 1);
    l.Pit(7, 12);
    l.Repair(1, 12);
    l.Repair(12, 1);
    l.Wall(2, 2, dNorth);
    l.Wall(11, 11, dSouth);
    l.Laser(1, 4, dWest, 3);
}

void LayIsland(TLayout& l)
{
    for (int i = 4; i <= 9; ++i) {
        if (i != 6) l.Pit(i, 4);
        if (i != 7) l.Pit(i, 9);
        if (i != 7 && i != 4 && i != 9) l.Pit(4, i);
        if (i != 6 && i != 4 && i != 9) l.Pit(9, i);
    }
    l.Loop(2, 2, 11, 11, true, false);
    l.Repair(6, 6);
    l.Gear(7, 7, false);
    l.Wall(1, 1, dEast);
    l.Wall(12, 12, dWest);
}

void LayMaelstrom(TLayout& l)
{
    l.Loop(2, 2, 11, 11, true, false);
    l.Loop(4, 4, 9, 9, true, true);
    l.Gear(6, 6, true);
    l.Gear(7, 6, false);
    l.Gear(6, 7, false);
    l.Gear(7, 7, true);
    l.Pit(1, 6);
    l.Pit(12, 7);
    l.Repair(3, 10);
    l.Repair(10, 3);
}

void LayPitMaze(TLayout& l)
{
    for (int x : {2, 5, 8, 11})
        for (int y = 2; y <= 12; y += 2)
            if ((x / 3 + y / 2) % 2 == 0)
                l.Pit(x, y);
    l.Wall(3, 3, dEast);
    l.Wall(3, 4, dEast);
    l.Wall(6, 5, dSouth);
    l.Wall(7, 5, dSouth);
    l.Wall(9, 9, dWest);
    l.Wall(9, 10, dWest);
    l.Wall(4, 9, dNorth);
    l.Wall(10, 2, dSouth);
    l.Run(1, 12, dEast, 4, false);
    l.Repair(12, 1);
}

void LayChasm(TLayout& l)
{
    for (int x = 1; x <= Grid; ++x)
        if (x != 3 && x != 10) {
            l.Pit(x, 6);
            l.Pit(x, 7);
        }
    l.Run(1, 2, dEast, 12, false);
    l.Run(12, 11, dWest, 12, false);
    l.Run(3, 3, dSouth, 3, true);
    l.Run(10, 10, dNorth, 3, true);
    l.Gear(6, 3, true);
    l.Gear(7, 10, false);
    l.Repair(1, 12);
    l.Repair(12, 1);
}

void LayCircuitTrap(TLayout& l)
{
    l.Loop(2, 2, 11, 11, true, false);
    l.Loop(5, 5, 8, 8, false, true);
    l.Laser(3, 9, dWest, 7);
    l.Laser(10, 4, dEast, 7);
    l.Pit(1, 1);
    l.Pit(12, 12);
    l.Pit(1, 12);
    l.Pit(12, 1);
    l.Repair(6, 3);
}

void LayColiseum(TLayout& l)
{
    for (int i = 3; i <= 10; ++i) {
        if (i == 6 || i == 7)
            continue;
        l.Wall(i, 3, dNorth);
        l.Wall(i, 10, dSouth);
        l.Wall(3, i, dWest);
        l.Wall(10, i, dEast);
    }
    l.Gear(5, 5, true);
    l.Gear(8, 8, true);
    l.Gear(5, 8, false);
    l.Gear(8, 5, false);
    for (int c : {1, 12}) {
        l.Pit(c, 1);
        l.Pit(c, 12);
    }
    l.Run(1, 6, dEast, 2, true);
    l.Run(12, 7, dWest, 2, true);
    l.Run(6, 1, dSouth, 2, true);
    l.Run(7, 12, dNorth, 2, true);
    l.Repair(7, 6);
}

void LayFloodZone(TLayout& l)
{
    for (int y = 8; y <= Grid; ++y)
        for (int x = 1; x <= Grid; ++x)
            l.Add(fkWater, x, y);
    l.Run(1, 10, dEast, 12, false);
    l.Run(12, 12, dWest, 12, true);
    for (int x : {1, 2, 3, 4, 9, 10, 11, 12})
        l.Wall(x, 7, dSouth);
    l.Pit(4, 4);
    l.Pit(9, 3);
    l.Gear(3, 3, false);
    l.Gear(10, 5, true);
    l.Repair(6, 2);
}

void LayGearBox(TLayout& l)
{
    for (int x : {2, 5, 8, 11})
        for (int y : {2, 5, 8, 11})
            l.Gear(x, y, ((x - 2) / 3 + (y - 2) / 3) % 2 == 0);
    l.Run(1, 4, dEast, 12, false);
    l.Run(12, 10, dWest, 12, true);
    l.Pit(6, 7);
    l.Pit(7, 7);
    l.Wall(3, 6, dEast);
    l.Wall(10, 6, dWest);
}

void LayLaserMaze(TLayout& l)
{
    static const int walls[][3] = {{2, 2, dEast}, {2, 3, dEast}, {4, 5, dSouth}, {5, 5, dSouth}, {7, 2, dWest},
        {7, 3, dWest}, {9, 6, dNorth}, {10, 6, dNorth}, {3, 9, dEast}, {3, 10, dEast}, {6, 11, dNorth},
        {7, 11, dNorth}, {10, 9, dWest}, {11, 9, dSouth}, {8, 8, dEast}, {5, 8, dWest}};
    for (const auto& w : walls)
        l.Wall(w[0], w[1], static_cast<TDir>(w[2]));
    l.Laser(1, 2, dWest, 5);
    l.Laser(12, 5, dEast, 6);
    l.Laser(4, 1, dNorth, 5);
    l.Laser(9, 12, dSouth, 6);
    l.Laser(1, 11, dWest, 4);
    l.Laser(12, 8, dEast, 4);
    l.Repair(6, 6);
    l.Pit(7, 4);
}

void LayChess(TLayout& l)
{
    for (int y = 1; y <= Grid; ++y)
        for (int x = 1; x <= Grid; ++x)
            if ((x + y) % 2 == 1)
                l.Add(fkDarkTile, x, y);
    l.Run(1, 12, dEast, 12, false);
    l.Run(12, 1, dWest, 12, false);
    l.Gear(4, 4, true);
    l.Gear(9, 9, false);
    l.Pit(6, 5);
    l.Pit(7, 8);
    l.Repair(1, 6);
    l.Repair(12, 7);
    l.Wall(4, 8, dEast);
    l.Wall(9, 5, dWest);
}

void LayChopShop(TLayout& l)
{
    for (auto [x, y] : {std::pair{3, 3}, {10, 3}, {3, 10}, {10, 10}, {6, 6}})
        l.Repair(x, y);
    l.Wall(3, 3, dNorth);
    l.Wall(10, 3, dNorth);
    l.Wall(3, 10, dSouth);
    l.Wall(10, 10, dSouth);
    l.Run(6, 1, dSouth, 4, true);
    l.Run(7, 12, dNorth, 4, true);
    l.Run(1, 7, dEast, 4, false);
    l.Run(12, 6, dWest, 4, false);
    l.Pit(5, 9);
    l.Pit(8, 4);
    l.Gear(4, 6, false);
    l.Gear(9, 7, true);
}

void LaySpinZone(TLayout& l)
{
    for (int i = 2; i <= 11; ++i)
        l.Gear(i, i, i % 2 == 0);
    for (int x : {3, 5, 8, 10})
        l.Gear(x, 13 - x, x % 2 == 1);
    l.Loop(8, 2, 9, 3, false, true);
    l.Loop(2, 8, 3, 9, true, true);
    l.Pit(1, 12);
    l.Pit(12, 1);
    l.Wall(6, 1, dSouth);
    l.Wall(7, 12, dNorth);
}

void LayVault(TLayout& l)
{
    for (int i = 5; i <= 8; ++i) {
        if (i != 6) l.Wall(i, 5, dNorth);
        if (i != 7) l.Wall(i, 8, dSouth);
        l.Wall(5, i, dWest);
        l.Wall(8, i, dEast);
    }
    l.Repair(6, 6);
    l.Repair(7, 7);
    l.Laser(1, 6, dWest, 3);
    l.Laser(12, 7, dEast, 3);
    l.Laser(6, 1, dNorth, 3);
    l.Laser(7, 12, dSouth, 3);
    l.Loop(2, 2, 11, 11, false, false);
    l.Pit(3, 3);
    l.Pit(10, 10);
}

// Any other name still gets a floor to play on.
void LayPlainFloor(TLayout& l)
{
    l.Loop(3, 3, 10, 10, true, false);
    l.Gear(6, 6, true);
    l.Pit(2, 11);
    l.Repair(11, 2);
}

std::vector<TFeature> LayoutOf(const std::string& name)
{
    static const std::map<std::string, std::function<void(TLayout&)>> layouts = {
        {"Cannery Row", LayCanneryRow}, {"Cross", LayCross}, {"Exchange", LayExchange}, {"Island", LayIsland},
        {"Maelstrom", LayMaelstrom}, {"Pit Maze", LayPitMaze}, {"Chasm", LayChasm}, {"Circuit Trap", LayCircuitTrap},
        {"Coliseum", LayColiseum}, {"Flood Zone", LayFloodZone}, {"Gear Box", LayGearBox},
        {"Laser Maze", LayLaserMaze}, {"Chess", LayChess}, {"Chop Shop", LayChopShop}, {"Spin Zone", LaySpinZone},
        {"Vault", LayVault}};
    TLayout layout;
    auto it = layouts.find(name);
    (it != layouts.end() ? it->second : LayPlainFloor)(layout);
    return layout.Features;
}

// Boards of the same name differ between printings: the second is mirrored, the third turned.
TFeature Transformed(TFeature f, TBoardEdition edition)
{
    if (edition == beSecond) {
        f.X = Grid + 1 - f.X;
        if (f.Dir == dEast || f.Dir == dWest)
            f.Dir = Opposite(f.Dir);
        if (f.Kind == fkGearClockwise || f.Kind == fkGearCounter)
            f.Kind = f.Kind == fkGearClockwise ? fkGearCounter : fkGearClockwise;
    } else if (edition == beThird) {
        int x = f.X;
        f.X = Grid + 1 - f.Y;
        f.Y = x;
        f.Dir = static_cast<TDir>((f.Dir + 1) % 4);
    }
    return f;
}

struct TPalette {
    QColor Floor;
    QColor Frame;
    QColor Accent;
};

TPalette PaletteOf(TBoardEdition edition)
{
    switch (edition) {
    case beFirst: return {QColor(150, 156, 162), QColor(52, 56, 62), QColor(240, 200, 40)};
    case beSecond: return {QColor(172, 163, 146), QColor(70, 60, 50), QColor(240, 140, 60)};
    case beSecondExpansion: return {QColor(140, 162, 152), QColor(44, 66, 58), QColor(120, 225, 170)};
    case beThird: return {QColor(186, 178, 156), QColor(84, 76, 58), QColor(100, 180, 240)};
    }
    return {};
}

const QColor Ink(25, 25, 28);
const QColor HazardYellow(235, 190, 30);

// Paints in the square's own frame: origin at its centre, the given side pointing up.
class TSquareFrame {
public:
    TSquareFrame(QPainter& painter, int x, int y, TDir up) : FPainter(painter)
    {
        FPainter.save();
        FPainter.translate(SquareRect(x, y).center());
        FPainter.rotate(90.0 * static_cast<int>(up));
    }
    ~TSquareFrame() { FPainter.restore(); }
    TSquareFrame(const TSquareFrame&) = delete;
    TSquareFrame& operator=(const TSquareFrame&) = delete;

private:
    QPainter& FPainter;
};

class TBoardPainter {
public:
    TBoardPainter(QImage& image, const std::vector<TFeature>& features, const TPalette& palette, std::uint32_t seed)
        : FPainter(&image), FFeatures(features), FPalette(palette), FSeed(seed)
    {
        for (auto& column : FConveyor)
            column.fill(-1);
        for (const TFeature& f : FFeatures)
            if (f.Kind == fkConveyor || f.Kind == fkExpress)
                FConveyor[f.X][f.Y] = f.Dir;
        FPainter.setRenderHint(QPainter::Antialiasing);
    }

    void PaintFloor()
    {
        for (int y = 1; y <= Grid; ++y)
            for (int x = 1; x <= Grid; ++x)
                PaintPlate(x, y, PlateColour(x, y));
        for (const TFeature& f : FFeatures)
            if (f.Kind == fkWater)
                PaintWater(f.X, f.Y);
    }

    void PaintFeatures()
    {
        // Belts first, then what sits on the floor, then walls and lasers over everything.
        for (const TFeature& f : FFeatures)
            if (f.Kind == fkConveyor || f.Kind == fkExpress)
                PaintConveyor(f);
        for (const TFeature& f : FFeatures) {
            if (f.Kind == fkPit) PaintPit(f.X, f.Y);
            if (f.Kind == fkRepair) PaintRepair(f.X, f.Y);
            if (f.Kind == fkGearClockwise || f.Kind == fkGearCounter) PaintGear(f.X, f.Y, f.Kind == fkGearClockwise);
        }
        for (const TFeature& f : FFeatures)
            if (f.Kind == fkLaser)
                PaintLaserBeam(f);
        for (const TFeature& f : FFeatures)
            if (f.Kind == fkWall || f.Kind == fkLaser)
                PaintWall(f);
    }

    // Grid lines over everything, on the boundaries halfway between the default centres. The
    // name and edition go in the band above the squares, so that no square is hidden by them.
    void PaintGridAndMargins(const std::string& name, const std::string& edition)
    {
        FPainter.setRenderHint(QPainter::Antialiasing, false);
        const QColor line(20, 20, 22);
        for (int k = 0; k <= Grid; ++k) {
            int x = TBoardNode::DefaultCenterX(k + 1) - 48;
            int y = TBoardNode::DefaultCenterY(k + 1) - 48;
            FPainter.fillRect(x - 1, 0, 2, BoardPictureSize, line);
            FPainter.fillRect(0, y - 1, BoardPictureSize, 2, line);
        }
        const int left = TBoardNode::DefaultCenterX(1) - 48;
        const int top = TBoardNode::DefaultCenterY(1) - 48;
        FPainter.fillRect(0, 0, BoardPictureSize, top - 1, FPalette.Frame);
        FPainter.fillRect(0, 0, left - 1, BoardPictureSize, FPalette.Frame);
        FPainter.setRenderHint(QPainter::Antialiasing);
        const QRectF band(left + 6, 0, BoardPictureSize - left - 12, top - 1);
        const QFont font = PixelFont(14);
        const QString title = QString::fromStdString(name);
        FPainter.setFont(font);
        FPainter.setPen(QColor(245, 245, 245));
        FPainter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, title);
        const qreal gap = QFontMetricsF(font).horizontalAdvance(title + QStringLiteral("   "));
        FPainter.setFont(PixelFont(13, false));
        FPainter.setPen(FPalette.Accent);
        FPainter.drawText(band.adjusted(gap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(edition));
    }

private:
    QColor PlateColour(int x, int y) const
    {
        QColor base = FPalette.Floor;
        for (const TFeature& f : FFeatures)
            if (f.Kind == fkDarkTile && f.X == x && f.Y == y)
                base = base.darker(165);
        int shade = static_cast<int>(StableHash(FSeed, x, y) % 13) - 6;
        return QColor(std::clamp(base.red() + shade, 0, 255), std::clamp(base.green() + shade, 0, 255),
            std::clamp(base.blue() + shade, 0, 255));
    }

    void PaintPlate(int x, int y, const QColor& colour)
    {
        // Plain rectangles: 144 plates per board, drawn fast without antialiasing.
        QRect r = SquareRect(x, y).toRect();
        FPainter.fillRect(r, colour);
        const QColor light = colour.lighter(118);
        const QColor dark = colour.darker(130);
        FPainter.fillRect(r.left() + 1, r.top() + 1, r.width() - 2, 3, light);
        FPainter.fillRect(r.left() + 1, r.top() + 1, 3, r.height() - 2, light);
        FPainter.fillRect(r.left() + 1, r.bottom() - 3, r.width() - 2, 3, dark);
        FPainter.fillRect(r.right() - 3, r.top() + 1, 3, r.height() - 2, dark);
        FPainter.setPen(Qt::NoPen);
        FPainter.setBrush(colour.darker(160));
        for (QPointF corner : {r.topLeft() + QPointF(10, 10), r.topRight() + QPointF(-10, 10),
                 r.bottomLeft() + QPointF(10, -10), r.bottomRight() + QPointF(-10, -10)})
            FPainter.drawEllipse(corner, 2.5, 2.5);
    }

    void PaintWater(int x, int y)
    {
        QRectF r = SquareRect(x, y);
        FPainter.fillRect(r, QColor(60, 120, 190));
        FPainter.setPen(QPen(QColor(150, 200, 240), 3, Qt::SolidLine, Qt::RoundCap));
        FPainter.setBrush(Qt::NoBrush);
        for (int row = 0; row < 3; ++row) {
            QPainterPath wave;
            qreal y0 = r.top() + 22 + row * 26;
            wave.moveTo(r.left() + 12, y0);
            for (int i = 0; i < 3; ++i)
                wave.quadTo(r.left() + 12 + i * 24 + 6, y0 + (i % 2 ? 6 : -6), r.left() + 12 + i * 24 + 12, y0);
            FPainter.drawPath(wave);
        }
    }

    bool FlowsInto(int x, int y, TDir fromSide) const
    {
        int nx = x + StepX(fromSide);
        int ny = y + StepY(fromSide);
        if (nx < 1 || nx > Grid || ny < 1 || ny > Grid)
            return false;
        return FConveyor[nx][ny] == Opposite(fromSide);
    }

    // A belt from every side that feeds it (or straight from behind) to its outgoing side.
    void PaintConveyor(const TFeature& f)
    {
        const bool express = f.Kind == fkExpress;
        const QColor belt = express ? QColor(40, 70, 130) : QColor(68, 68, 72);
        const QColor arrow = express ? QColor(120, 220, 255) : QColor(245, 205, 45);
        constexpr qreal BeltHalf = 30;
        std::vector<TDir> sides{f.Dir};
        for (TDir s : {dNorth, dEast, dSouth, dWest})
            if (s != f.Dir && FlowsInto(f.X, f.Y, s))
                sides.push_back(s);
        if (sides.size() == 1)
            sides.push_back(Opposite(f.Dir));
        FPainter.setPen(Qt::NoPen);
        FPainter.setBrush(belt);
        for (TDir side : sides) {
            TSquareFrame frame(FPainter, f.X, f.Y, side);
            FPainter.drawRect(QRectF(-BeltHalf, -Half, 2 * BeltHalf, Half + BeltHalf));
        }
        TSquareFrame frame(FPainter, f.X, f.Y, f.Dir);
        FPainter.setPen(QPen(arrow, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        FPainter.setBrush(Qt::NoBrush);
        for (qreal tip : express ? std::vector<qreal>{-22, 2} : std::vector<qreal>{-10}) {
            FPainter.drawPolyline(QPolygonF({QPointF(-17, tip + 17), QPointF(0, tip), QPointF(17, tip + 17)}));
        }
    }

    void PaintPit(int x, int y)
    {
        QRectF r = SquareRect(x, y).adjusted(4, 4, -4, -4);
        FPainter.save();
        QPainterPath ring;
        ring.addRect(r);
        QPainterPath hole;
        QRectF inner = r.adjusted(11, 11, -11, -11);
        hole.addRect(inner);
        ring = ring.subtracted(hole);
        FPainter.setClipPath(ring);
        FPainter.fillPath(ring, HazardYellow);
        FPainter.setPen(QPen(Ink, 7));
        for (qreal d = -r.height(); d < r.width() + r.height(); d += 17)
            FPainter.drawLine(QPointF(r.left() + d, r.bottom()), QPointF(r.left() + d + r.height(), r.top()));
        FPainter.restore();
        QRadialGradient depth(inner.center(), inner.width() * 0.7);
        depth.setColorAt(0, QColor(0, 0, 0));
        depth.setColorAt(1, QColor(60, 60, 66));
        FPainter.setPen(QPen(Ink, 2));
        FPainter.setBrush(depth);
        FPainter.drawRect(inner);
    }

    void PaintRepair(int x, int y)
    {
        TSquareFrame frame(FPainter, x, y, dNorth);
        FPainter.setPen(QPen(Ink, 3));
        FPainter.setBrush(QColor(235, 238, 240));
        FPainter.drawEllipse(QPointF(0, 0), 33, 33);
        FPainter.setPen(QPen(QColor(40, 150, 70), 5));
        FPainter.setBrush(Qt::NoBrush);
        FPainter.drawEllipse(QPointF(0, 0), 27, 27);
        // A spanner across the disc.
        FPainter.setPen(QPen(Ink, 9, Qt::SolidLine, Qt::RoundCap));
        FPainter.drawLine(QPointF(-14, 14), QPointF(7, -7));
        FPainter.setPen(Qt::NoPen);
        FPainter.setBrush(Ink);
        FPainter.drawEllipse(QPointF(10, -10), 10, 10);
        FPainter.setBrush(QColor(235, 238, 240));
        FPainter.drawRect(QRectF(-3.5, -10, 7, 13).translated(13, -8));
    }

    void PaintGear(int x, int y, bool clockwise)
    {
        TSquareFrame frame(FPainter, x, y, dNorth);
        const QColor metal(135, 137, 142);
        FPainter.setPen(QPen(Ink, 2));
        FPainter.setBrush(metal);
        for (int i = 0; i < 10; ++i) {
            FPainter.save();
            FPainter.rotate(36.0 * i);
            FPainter.drawRect(QRectF(-6, -41, 12, 12));
            FPainter.restore();
        }
        FPainter.drawEllipse(QPointF(0, 0), 32, 32);
        const QColor turn = clockwise ? QColor(40, 160, 60) : QColor(200, 50, 40);
        FPainter.setPen(QPen(turn, 6, Qt::SolidLine, Qt::RoundCap));
        FPainter.setBrush(Qt::NoBrush);
        const QRectF arc(-19, -19, 38, 38);
        // Qt angles run counter-clockwise; the open end of the ring points the way the gear turns.
        FPainter.drawArc(arc, 120 * 16, clockwise ? -270 * 16 : 270 * 16);
        double endDegrees = clockwise ? 120 - 270 : 120 + 270;
        double end = endDegrees * std::numbers::pi / 180;
        QPointF tip(19 * std::cos(end), -19 * std::sin(end));
        // Tangent in the direction of travel (screen y grows downwards).
        QPointF along = clockwise ? QPointF(std::sin(end), std::cos(end)) : QPointF(-std::sin(end), -std::cos(end));
        QPointF across(-along.y(), along.x());
        FPainter.setPen(Qt::NoPen);
        FPainter.setBrush(turn);
        FPainter.drawPolygon(QPolygonF({tip + along * 11, tip + across * 9, tip - across * 9}));
    }

    void PaintWall(const TFeature& f)
    {
        TSquareFrame frame(FPainter, f.X, f.Y, f.Dir);
        FPainter.setPen(QPen(Ink, 2));
        FPainter.setBrush(HazardYellow);
        FPainter.drawRect(QRectF(-Half + 1, -Half + 1, Spacing - 2, 12));
        if (f.Kind == fkLaser) {
            FPainter.setBrush(QColor(200, 30, 30));
            FPainter.drawChord(QRectF(-13, -Half + 1, 26, 26), 0, -180 * 16);
        }
    }

    void PaintLaserBeam(const TFeature& f)
    {
        TDir fire = Opposite(f.Dir);
        int length = 1;
        while (length < f.Length && f.X + StepX(fire) * length >= 1 && f.X + StepX(fire) * length <= Grid
            && f.Y + StepY(fire) * length >= 1 && f.Y + StepY(fire) * length <= Grid)
            ++length;
        TSquareFrame frame(FPainter, f.X, f.Y, f.Dir);
        // In this frame the wall is up, so the beam runs down from it.
        QLineF beam(QPointF(0, -Half + 14), QPointF(0, -Half + Spacing * length - 4));
        FPainter.setPen(QPen(QColor(255, 60, 50, 70), 13, Qt::SolidLine, Qt::RoundCap));
        FPainter.drawLine(beam);
        FPainter.setPen(QPen(QColor(255, 40, 30), 4, Qt::SolidLine, Qt::RoundCap));
        FPainter.drawLine(beam);
    }

    QPainter FPainter;
    const std::vector<TFeature>& FFeatures;
    TPalette FPalette;
    std::uint32_t FSeed;
    std::array<std::array<int, Grid + 2>, Grid + 2> FConveyor{};
};

std::uint32_t NameSeed(const std::string& name, TBoardEdition edition)
{
    std::uint32_t seed = 17u + static_cast<std::uint32_t>(edition);
    for (unsigned char c : name)
        seed = StableHash(seed, c, 0);
    return seed;
}

} // namespace

TBoardEdition EditionOfPath(const std::string& relativeFilePath)
{
    static const std::pair<const char*, TBoardEdition> folders[] = {{"Images/1st Edition/", beFirst},
        {"Images/2nd Edition/", beSecond}, {"Images/2nd Edition - Bolts & Blasters/", beSecondExpansion},
        {"Images/3rd Edition/", beThird}};
    std::string folder = relativeFilePath.substr(0, relativeFilePath.rfind('/') + 1);
    for (const auto& [prefix, edition] : folders)
        if (folder == prefix)
            return edition;
    throw std::runtime_error("no edition is known for the board picture \"" + relativeFilePath + "\"");
}

std::string EditionName(TBoardEdition edition)
{
    switch (edition) {
    case beFirst: return "1st Edition";
    case beSecond: return "2nd Edition";
    case beSecondExpansion: return "2nd Edition - Bolts & Blasters";
    case beThird: return "3rd Edition";
    }
    return "";
}

std::string BoardNameOfPath(const std::string& relativeFilePath)
{
    std::string stem = relativeFilePath.substr(relativeFilePath.rfind('/') + 1);
    if (auto dot = stem.rfind('.'); dot != std::string::npos)
        stem.erase(dot);
    if (stem.find(' ') != std::string::npos)
        return stem;
    std::string name;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        if (i > 0 && std::isupper(static_cast<unsigned char>(stem[i])) && std::islower(static_cast<unsigned char>(stem[i - 1])))
            name += ' ';
        name += stem[i];
    }
    return name;
}

void DrawBoardPicture(QImage& picture, const std::string& name, TBoardEdition edition)
{
    std::vector<TFeature> features;
    for (const TFeature& f : LayoutOf(name))
        features.push_back(Transformed(f, edition));
    const TPalette palette = PaletteOf(edition);
    if (picture.width() != BoardPictureSize || picture.height() != BoardPictureSize || picture.format() != QImage::Format_RGB32)
        picture = QImage(BoardPictureSize, BoardPictureSize, QImage::Format_RGB32);
    picture.fill(palette.Frame);
    TBoardPainter painter(picture, features, palette, NameSeed(name, edition));
    painter.PaintFloor();
    painter.PaintFeatures();
    painter.PaintGridAndMargins(name, EditionName(edition));
}
