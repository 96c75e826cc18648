#pragma once
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QString>

#include <cstdint>

// Small drawing helpers shared by the board and chit painters.

// A bold sans-serif font of an exact pixel size, so pictures do not depend on screen resolution.
QFont PixelFont(int pixelSize, bool bold = true);

// Text centred on a point, filled with one colour and outlined in another so it reads on any
// background.
void DrawOutlinedText(QPainter& painter, const QString& text, const QFont& font, QPointF centre,
    const QColor& fill, const QColor& outline, qreal outlineWidth);

// The largest pixel size, up to maxSize, at which the text fits the width.
int FittingPixelSize(const QString& text, int maxSize, qreal width, bool bold = true);
// The same for the height of the text's glyphs.
int FittingPixelHeight(const QString& text, int maxSize, qreal height, bool bold = true);

// Text filling a box: as wide as the box and, up to half as tall again as the font draws it, as
// tall; centred in it.
void DrawTextInBox(QPainter& painter, const QString& text, const QFont& font, const QRectF& box, const QColor& fill);

// A colour mixed towards another; amount 0 keeps the first, 1 gives the second.
QColor Mixed(const QColor& a, const QColor& b, qreal amount);

// Light colours get dark lettering and dark colours light lettering.
bool IsLightColour(const QColor& colour);

// A stable pseudo-random number from a few integers, for shading that is the same on every build.
std::uint32_t StableHash(std::uint32_t a, std::uint32_t b, std::uint32_t c);
