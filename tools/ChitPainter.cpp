#include "ChitPainter.h"

#include "PaintHelpers.h"

#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

constexpr int BotSize = 88;
constexpr int ArchiveSize = 30;
const QColor TokenBase(48, 50, 56);
const QColor HazardYellow(235, 190, 30);
const QColor Ink(25, 25, 28);

struct TBotStyle {
    const char* Letters;
    QColor Colour;
};

// Colours far apart on the wheel and two letters each, so robots are told apart at a glance
// and also by readers who cannot tell some colours apart.
TBotStyle BotStyle(TBotType type)
{
    switch (type) {
    case btHammerBot: return {"HB", QColor(200, 40, 40)};
    case btHulkX90: return {"HX", QColor(40, 140, 60)};
    case btSpinBot: return {"SB", QColor(235, 130, 20)};
    case btSquashBot: return {"SQ", QColor(130, 60, 180)};
    case btTrundleBot: return {"TB", QColor(130, 85, 40)};
    case btTwitch: return {"TW", QColor(20, 165, 190)};
    case btTwonky: return {"TK", QColor(225, 80, 160)};
    case btZoomBot: return {"ZB", QColor(40, 90, 215)};
    case btBuzzBomb: return {"BZ", QColor(225, 195, 20)};
    case btUnknown: break;
    }
    throw std::invalid_argument("no picture for an unknown robot type");
}

QImage NewPicture(int width, int height, const QColor& background)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    return image;
}

// The nose above the body shows which way the robot faces.
QPolygonF FrontMarker()
{
    return QPolygonF({QPointF(44, 0.5), QPointF(30, 13.5), QPointF(58, 13.5)});
}

// How far from the middle each copy of the letters sits.
constexpr qreal LetterRing = 23;

// The letters four times round the middle, each a quarter turn from the next with its foot
// towards the edge, so that they read the same at any facing: whichever way the robot is turned,
// one copy stands upright below the middle. Each copy fits a box of 27.5 x 13.5 pixels, so that
// neighbouring copies never touch.
void DrawBotLetters(QPainter& p, const TBotStyle& style, const QColor& fill, const QColor& outline)
{
    const QString letters = QString::fromLatin1(style.Letters);
    const int size = std::min(FittingPixelSize(letters, 19, 27.5), FittingPixelHeight(letters, 19, 13.5));
    for (int quarter = 0; quarter < 4; ++quarter) {
        p.save();
        p.translate(BotSize / 2.0, BotSize / 2.0);
        p.rotate(90.0 * quarter);
        DrawOutlinedText(p, letters, PixelFont(size), QPointF(0, LetterRing), fill, outline, 2.5);
        p.restore();
    }
}

enum TBodyStyle { bsSolid, bsOutlined };

void DrawBotBody(QPainter& p, TBotType type, const TBotStyle& style, TBodyStyle body)
{
    const QColor& colour = style.Colour;
    QPen outline(colour.darker(170), 3);
    QBrush fill(colour);
    if (body == bsOutlined) {
        outline = QPen(colour.darker(130), 3, Qt::DashLine);
        QColor faint = colour;
        faint.setAlpha(70);
        fill = QBrush(faint);
    }

    if (type == btBuzzBomb) {
        // A flying bomb: round body, tail fins, no treads.
        p.setPen(body == bsOutlined ? outline : QPen(Ink, 2));
        p.setBrush(body == bsOutlined ? fill : QBrush(colour.darker(160)));
        p.drawPolygon(QPolygonF({QPointF(10, 87), QPointF(22, 66), QPointF(30, 80)}));
        p.drawPolygon(QPolygonF({QPointF(78, 87), QPointF(66, 66), QPointF(58, 80)}));
        p.setPen(outline);
        p.setBrush(fill);
        p.drawEllipse(QRectF(10, 10, 68, 68));
    } else {
        p.setPen(body == bsOutlined ? QPen(colour.darker(130), 2, Qt::DashLine) : QPen(Qt::NoPen));
        p.setBrush(body == bsOutlined ? QBrush(Qt::NoBrush) : QBrush(Ink));
        p.drawRoundedRect(QRectF(2, 18, 12, 66), 3, 3);
        p.drawRoundedRect(QRectF(74, 18, 12, 66), 3, 3);
        if (body == bsSolid) {
            p.setPen(QPen(QColor(85, 85, 90), 2));
            for (int y = 24; y < 82; y += 8) {
                p.drawLine(QPointF(4, y), QPointF(12, y));
                p.drawLine(QPointF(76, y), QPointF(84, y));
            }
        }
        p.setPen(outline);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(11, 11, 66, 75), 10, 10);
    }

    // A hub in the middle, between the copies of the letters.
    p.setPen(QPen(body == bsOutlined ? colour.darker(130) : Ink, 2));
    p.setBrush(body == bsOutlined ? QColor(250, 250, 250) : colour.darker(150));
    p.drawEllipse(QPointF(BotSize / 2.0, BotSize / 2.0), 7.5, 7.5);

    p.setPen(QPen(body == bsOutlined ? colour.darker(130) : Ink, 2.5));
    p.setBrush(body == bsOutlined ? QColor(250, 250, 250) : QColor(255, 255, 255));
    p.drawPolygon(FrontMarker());

    QColor letters = body == bsOutlined ? colour.darker(120) : (IsLightColour(colour) ? Ink : QColor(255, 255, 255));
    QColor letterOutline = body == bsOutlined ? QColor(255, 255, 255) : (IsLightColour(colour) ? QColor(255, 255, 255) : Ink);
    DrawBotLetters(p, style, letters, letterOutline);
}

QImage DrawNormalBot(TBotType type, const TBotStyle& style)
{
    QImage image = NewPicture(BotSize, BotSize, TokenBase);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawBotBody(p, type, style, bsSolid);
    return image;
}

// Pale grey, with a power-off sign: the robot is there but does nothing this turn.
QImage DrawShutDownBot(TBotType type, const TBotStyle& style)
{
    QImage image = DrawNormalBot(type, style);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            int grey = qGray(line[x]);
            int pale = grey + (205 - grey) / 2;
            line[x] = qRgb(pale, pale, pale);
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // In the corner, clear of the letters.
    QPointF centre(75, 75);
    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(centre, 11.5, 11.5);
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    // Qt angles are in 1/16 degree, counter-clockwise from three o'clock: a ring open at the top.
    p.drawArc(QRectF(centre.x() - 6, centre.y() - 6, 12, 12), 120 * 16, -300 * 16);
    p.drawLine(centre + QPointF(0, -8.5), centre + QPointF(0, -1));
    return image;
}

// Only an outline on a pale ground: the robot is on the board but does not block others.
QImage DrawVirtualBot(TBotType type, const TBotStyle& style)
{
    QImage image = NewPicture(BotSize, BotSize, Mixed(style.Colour, QColor(255, 255, 255), 0.8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawBotBody(p, type, style, bsOutlined);
    return image;
}

// Darkened and crossed out.
QImage DrawDestroyedBot(TBotType type, const TBotStyle& style)
{
    QImage image = DrawNormalBot(type, style);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), QColor(0, 0, 0, 110));
    for (const QPen& pen : {QPen(Ink, 15, Qt::SolidLine, Qt::RoundCap), QPen(QColor(225, 35, 25), 9, Qt::SolidLine, Qt::RoundCap)}) {
        p.setPen(pen);
        p.drawLine(QPointF(12, 12), QPointF(76, 76));
        p.drawLine(QPointF(76, 12), QPointF(12, 76));
    }
    // The letters again over the cross: the wreck must still say whose it is.
    DrawBotLetters(p, style, QColor(255, 255, 255), Ink);
    return image;
}

// A small square marker: several stay visible on one square, each pushed towards an edge. The
// letters fill it, taller than wide, so that they still read on a map shrunk to fit a forum post.
QImage DrawArchiveMarker(const TBotStyle& style)
{
    QImage image = NewPicture(ArchiveSize, ArchiveSize, QColor(255, 255, 255));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(style.Colour);
    p.drawRoundedRect(QRectF(2.25, 2.25, ArchiveSize - 4.5, ArchiveSize - 4.5), 4, 4);
    const bool light = IsLightColour(style.Colour);
    DrawTextInBox(p, QString::fromLatin1(style.Letters), PixelFont(20), QRectF(4.5, 6.5, ArchiveSize - 9, ArchiveSize - 13),
        light ? Ink : QColor(255, 255, 255));
    return image;
}

// Diagonal black bands over a yellow area, clipped to the given path.
void DrawHazardStripes(QPainter& p, const QPainterPath& area, qreal bandWidth)
{
    p.save();
    p.setClipPath(area);
    p.fillPath(area, HazardYellow);
    p.setPen(QPen(Ink, bandWidth));
    QRectF bounds = area.boundingRect();
    for (qreal x = bounds.left() - bounds.height(); x < bounds.right() + bounds.height(); x += bandWidth * 2.4)
        p.drawLine(QPointF(x, bounds.bottom()), QPointF(x + bounds.height(), bounds.top()));
    p.restore();
}

} // namespace

QImage DrawBotPicture(TBotType type, int suffixIndex)
{
    TBotStyle style = BotStyle(type);
    switch (suffixIndex) {
    case 0: return DrawNormalBot(type, style);
    case 1: return DrawShutDownBot(type, style);
    case 2: return DrawVirtualBot(type, style);
    case 3: return DrawDestroyedBot(type, style);
    case 4: return DrawArchiveMarker(style);
    default: break;
    }
    throw std::invalid_argument("no robot picture for that chit suffix");
}

QImage DrawStartPicture()
{
    QImage image = NewPicture(BotSize, BotSize, QColor(255, 255, 255));
    QPainter p(&image);
    constexpr int Block = 8;
    for (int y = 0; y < BotSize; y += Block)
        for (int x = 0; x < BotSize; x += Block)
            if ((x / Block + y / Block) % 2 == 0)
                p.fillRect(x, y, Block, Block, Ink);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 90, 40), 2));
    p.setBrush(QColor(40, 150, 70));
    p.drawRect(QRectF(8, 8, 72, 72));
    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(QPolygonF({QPointF(44, 13), QPointF(31, 33), QPointF(40, 33), QPointF(40, 42), QPointF(48, 42),
        QPointF(48, 33), QPointF(57, 33)}));
    DrawOutlinedText(p, QStringLiteral("START"), PixelFont(16), QPointF(44, 60), QColor(255, 255, 255), Ink, 2.5);
    return image;
}

QImage DrawFlagPicture(int number)
{
    QImage image = NewPicture(80, 80, QColor(228, 230, 234));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 95), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2, 2, 76, 76), 8, 8);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 120, 125));
    p.drawEllipse(QRectF(7, 64, 26, 9));
    p.setBrush(Ink);
    p.drawRect(QRectF(17, 7, 5, 62));

    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(215, 40, 35));
    p.drawPolygon(QPolygonF({QPointF(22, 9), QPointF(73, 9), QPointF(63, 29), QPointF(73, 49), QPointF(22, 49)}));
    DrawOutlinedText(p, QString::number(number), PixelFont(32), QPointF(43, 29), QColor(255, 255, 255), Ink, 3);
    return image;
}

QImage DrawPitPicture()
{
    QImage image = NewPicture(80, 80, Ink);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath ring;
    ring.addRect(QRectF(0, 0, 80, 80));
    QPainterPath hole;
    hole.addRect(QRectF(11, 11, 58, 58));
    DrawHazardStripes(p, ring.subtracted(hole), 6);
    QRadialGradient depth(QPointF(40, 40), 42);
    depth.setColorAt(0, QColor(0, 0, 0));
    depth.setColorAt(1, QColor(70, 70, 75));
    p.setPen(QPen(Ink, 2));
    p.setBrush(depth);
    p.drawRect(QRectF(11, 11, 58, 58));
    return image;
}

QImage DrawBridgePicture()
{
    QImage image = NewPicture(88, 88, QColor(110, 80, 50));
    QPainter p(&image);
    for (int i = 0; i * 11 < 88; ++i)
        p.fillRect(QRectF(0, i * 11, 88, 10), i % 2 ? QColor(160, 118, 68) : QColor(140, 102, 58));
    p.setRenderHint(QPainter::Antialiasing);
    for (qreal x : {0.0, 76.0}) {
        QPainterPath rail;
        rail.addRect(QRectF(x, 0, 12, 88));
        DrawHazardStripes(p, rail, 4);
    }
    p.setPen(QPen(Ink, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, 86, 86));
    return image;
}

QImage DrawWallPicture()
{
    QImage image = NewPicture(90, 14, Ink);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bar;
    bar.addRect(QRectF(1, 1, 88, 12));
    DrawHazardStripes(p, bar, 5);
    return image;
}

QImage DrawMinePicture()
{
    QImage image = NewPicture(40, 40, QColor(95, 95, 100));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPointF centre(20, 20);
    p.setPen(QPen(Ink, 4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        double angle = i * std::numbers::pi / 4;
        QPointF dir(std::cos(angle), std::sin(angle));
        p.drawLine(centre + dir * 10, centre + dir * 18);
    }
    p.setPen(QPen(QColor(10, 10, 10), 1.5));
    p.setBrush(QColor(45, 45, 50));
    p.drawEllipse(centre, 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 30, 30));
    p.drawEllipse(centre, 5.5, 5.5);
    p.setBrush(QColor(255, 200, 200));
    p.drawEllipse(centre + QPointF(-1.8, -1.8), 1.8, 1.8);
    return image;
}
