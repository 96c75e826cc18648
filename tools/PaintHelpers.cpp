#include "PaintHelpers.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <algorithm>

QFont PixelFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void DrawOutlinedText(QPainter& painter, const QString& text, const QFont& font, QPointF centre,
    const QColor& fill, const QColor& outline, qreal outlineWidth)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    // Centred on the glyphs' real extent, not the font's line box, so short labels sit in the middle.
    QRectF bounds = path.boundingRect();
    path.translate(centre - bounds.center());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (outlineWidth > 0)
        painter.strokePath(path, QPen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, fill);
    painter.restore();
}

int FittingPixelSize(const QString& text, int maxSize, qreal width, bool bold)
{
    int size = maxSize;
    while (size > 8 && QFontMetricsF(PixelFont(size, bold)).horizontalAdvance(text) > width)
        --size;
    return size;
}

int FittingPixelHeight(const QString& text, int maxSize, qreal height, bool bold)
{
    int size = maxSize;
    auto glyphHeight = [&text, bold](int pixelSize) {
        QPainterPath path;
        path.addText(0, 0, PixelFont(pixelSize, bold), text);
        return path.boundingRect().height();
    };
    while (size > 8 && glyphHeight(size) > height)
        --size;
    return size;
}

void DrawTextInBox(QPainter& painter, const QString& text, const QFont& font, const QRectF& box, const QColor& fill)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty())
        return;
    const qreal across = box.width() / bounds.width();
    const qreal up = std::min(box.height() / bounds.height(), across * 1.5);
    QTransform fit;
    fit.translate(box.center().x(), box.center().y());
    fit.scale(across, up);
    fit.translate(-bounds.center().x(), -bounds.center().y());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(fit.map(path), fill);
    painter.restore();
}

QColor Mixed(const QColor& a, const QColor& b, qreal amount)
{
    auto mix = [amount](int x, int y) { return static_cast<int>(x + (y - x) * amount + 0.5); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

bool IsLightColour(const QColor& colour)
{
    return 0.299 * colour.red() + 0.587 * colour.green() + 0.114 * colour.blue() > 150;
}

std::uint32_t StableHash(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    std::uint32_t h = 2166136261u;
    for (std::uint32_t v : {a, b, c}) {
        h ^= v;
        h *= 16777619u;
        h ^= h >> 13;
    }
    return h;
}
