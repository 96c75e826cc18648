#include "render/MapViewUnt.h"

#include "render/ChitDrawUnt.h"
#include "render/MapPictureUnt.h"
#include "support/ErrorsUnt.h"

#include <algorithm>
#include <optional>

namespace {

// The size of the unturned picture of the board, or none; a picture that cannot be read means
// no square can be found, which is what the window does nothing about.
std::optional<QSize> UnturnedSize(const TBoard& board)
{
    try {
        const QSize size = board.PictureSize();
        return size.isEmpty() ? std::nullopt : std::optional<QSize>(size);
    } catch (const EImageError&) {
        return std::nullopt;
    }
}

// The square under a point of a cell that shows the board's turned picture at cellSize.
TBoardNode* NodeInCell(const TUsedBoard& usedBoard, QPoint inCell, QSize cellSize)
{
    if (cellSize.width() <= 0 || cellSize.height() <= 0 || inCell.x() < 0 || inCell.y() < 0
        || inCell.x() >= cellSize.width() || inCell.y() >= cellSize.height())
        return nullptr;
    const TBoard* board = usedBoard.Board();
    const std::optional<QSize> picture = board ? UnturnedSize(*board) : std::nullopt;
    if (!picture)
        return nullptr;
    const double scaleX = static_cast<double>(picture->width()) / cellSize.width();
    const double scaleY = static_cast<double>(picture->height()) / cellSize.height();
    const QPoint pixel(static_cast<int>(inCell.x() * scaleX), static_cast<int>(inCell.y() * scaleY));
    try {
        return board->NodeAtPixel(usedBoard.RotationCount(), pixel);
    } catch (const EImageError&) {
        return nullptr;
    }
}

} // namespace

int ShownCellPixels(int zoomLevel)
{
    return ClampToInt(static_cast<long long>(ShownCellBase) * (static_cast<long long>(std::max(zoomLevel, 0)) + 1));
}

int ZoomedIn(int zoomLevel) { return ClampToInt(static_cast<long long>(zoomLevel) + 1); }

int ZoomedOut(int zoomLevel) { return zoomLevel > 0 ? zoomLevel - 1 : 0; }

int FittedCellPixels(int colCount, int rowCount, QSize viewport)
{
    if (colCount <= 0 || rowCount <= 0)
        return ShownCellPixels(0);
    return std::max(1, std::min(viewport.width() / colCount, viewport.height() / rowCount));
}

int ZoomLevelAbove(int cellPixels)
{
    return std::max(0, cellPixels) / ShownCellBase;
}

int ZoomLevelBelow(int cellPixels)
{
    return std::max(0, (std::max(0, cellPixels) - 1) / ShownCellBase - 1);
}

QSize ShownMapArea(int colCount, int rowCount, int zoomLevel)
{
    return CellsArea(colCount, rowCount, ShownCellPixels(zoomLevel));
}

QSize CellsArea(int colCount, int rowCount, int cellPixels)
{
    const long long cell = std::max(cellPixels, 0);
    return QSize(ClampToInt(std::max(colCount, 0) * cell), ClampToInt(std::max(rowCount, 0) * cell));
}

QSize ShownMapSize(QSize controlSize, QSize clientSize, int colCount, int rowCount)
{
    if ((clientSize.width() > controlSize.width() && clientSize.height() > controlSize.height()) || colCount <= 0
        || rowCount <= 0)
        return controlSize;
    long long width = controlSize.width();
    long long height = static_cast<long long>(rowCount) * width / colCount;
    if (clientSize.height() < height) {
        height = controlSize.height();
        width = static_cast<long long>(colCount) * height / rowCount;
    }
    return QSize(ClampToInt(width), ClampToInt(height));
}

TUsedBoard* UsedBoardAtShownPoint(const TUsedBoardList& layout, QPoint point, QSize shownSize)
{
    if (point.x() < 0 || point.y() < 0 || point.x() >= shownSize.width() || point.y() >= shownSize.height())
        return nullptr;
    const QSize full = MapPictureSize(layout);
    const QSize cell = MapCellSize(layout);
    if (full.isEmpty() || cell.isEmpty())
        return nullptr;
    const long long x = static_cast<long long>(point.x()) * full.width() / shownSize.width();
    const long long y = static_cast<long long>(point.y()) * full.height() / shownSize.height();
    return layout.FindAt(static_cast<int>(x / cell.width()), static_cast<int>(y / cell.height()));
}

TMapSquare SquareAtShownPoint(const TUsedBoardList& layout, QPoint point, QSize shownSize)
{
    TUsedBoard* usedBoard = UsedBoardAtShownPoint(layout, point, shownSize);
    if (!usedBoard)
        return {};
    // The cells drawn: ColCount x RowCount unless the map was too large to draw whole.
    const QSize full = MapPictureSize(layout);
    const QSize cell = MapCellSize(layout);
    const int cols = full.width() / cell.width();
    const int rows = full.height() / cell.height();
    const QSize shownCell(shownSize.width() / cols, shownSize.height() / rows);
    if (shownCell.isEmpty())
        return {};
    const QPoint inCell(point.x() % shownCell.width(), point.y() % shownCell.height());
    TBoardNode* node = NodeInCell(*usedBoard, inCell, shownCell);
    return node ? TMapSquare {usedBoard, node} : TMapSquare {};
}

QSize DesignerGridExtent(int colCount, int rowCount, int cellPixels, int gridLineWidth)
{
    const long long pitch = static_cast<long long>(std::max(cellPixels, 0)) + std::max(gridLineWidth, 0);
    return QSize(ClampToInt(pitch * std::max(colCount, 0)), ClampToInt(pitch * std::max(rowCount, 0)));
}

TGridCellPoint DesignerCellAt(QPoint gridPoint, int cellPixels, int gridLineWidth)
{
    if (cellPixels <= 0 || gridPoint.x() < 0 || gridPoint.y() < 0)
        return {};
    const long long pitch = static_cast<long long>(cellPixels) + std::max(gridLineWidth, 0);
    const long long col = gridPoint.x() / pitch;
    const long long row = gridPoint.y() / pitch;
    const QPoint inCell(static_cast<int>(gridPoint.x() - col * pitch), static_cast<int>(gridPoint.y() - row * pitch));
    if (inCell.x() >= cellPixels || inCell.y() >= cellPixels)
        return {};
    return TGridCellPoint {static_cast<int>(col), static_cast<int>(row), inCell};
}

TBoardNode* DesignerSquareAt(const TUsedBoard& usedBoard, QPoint inCell, int cellPixels)
{
    return NodeInCell(usedBoard, inCell, QSize(cellPixels, cellPixels));
}
