#include "model/UsedBoardUnt.h"

#include "support/ErrorsUnt.h"

#include <algorithm>

COGLINE_DEFINE_CLASS(TUsedBoard, "UsedBoard", TRootObject,
    PropInteger<TUsedBoard>("X", &TUsedBoard::X, &TUsedBoard::SetX),
    PropInteger<TUsedBoard>("Y", &TUsedBoard::Y, &TUsedBoard::SetY),
    PropInteger<TUsedBoard>("RotationCount", &TUsedBoard::RotationCount, &TUsedBoard::SetRotationCount))
COGLINE_DEFINE_CLASS(TUsedBoardList, "UsedBoardList", TListObject)
COGLINE_DEFINE_CLASS(TUsedBoardRef, "UsedBoardRef", TRootObject)

// ----------------------------------------------------------------------------- TUsedBoard

TUsedBoard::TUsedBoard()
{
    RegisterChildClass(TBoardRef::StaticClass());
    SetID(TBoardNodeList::NodeID(FX, FY));
}

TUsedBoard::TUsedBoard(TBoardList* boardList, const TBoard* board, int x, int y)
    : TUsedBoard()
{
    FBoardList = boardList;
    auto* ref = CreateObject<TBoardRef>();
    if (board)
        ref->SetID(board->ID());
    SetX(x);
    SetY(y);
}

void TUsedBoard::SetX(int x)
{
    FX = x;
    SetID(TBoardNodeList::NodeID(FX, FY));
}

void TUsedBoard::SetY(int y)
{
    FY = y;
    SetID(TBoardNodeList::NodeID(FX, FY));
}

void TUsedBoard::SetRotationCount(int value)
{
    // 64-bit so that no stored value can overflow the difference.
    long long delta = static_cast<long long>(value) - FRotationCount;
    FRotationCount = NormalizedQuarterTurns(value);
    if (!FPicture.isNull())
        FPicture = TurnedPicture(FPicture, NormalizedQuarterTurns(delta));
}

std::string TUsedBoard::BoardID() const
{
    TBoardRef* ref = BoardRef();
    return ref ? ref->ID() : std::string();
}

void TUsedBoard::SetBoardList(TBoardList* boardList)
{
    if (boardList != FBoardList)
        ReleasePicture();
    FBoardList = boardList;
}

TBoard* TUsedBoard::Board() const
{
    if (!FBoardList)
        return nullptr;
    std::string id = BoardID();
    return id.empty() ? nullptr : FBoardList->FindByID(id);
}

const QImage* TUsedBoard::Picture() const
{
    const TBoard* board = Board();
    if (!board)
        return nullptr;
    // A reload or a new reference may have put another board here since the picture was made.
    if (FPicture.isNull() || FPictureBoard != board) {
        FPicture = QImage();
        const bool decodedHere = !board->HasPicture();
        FPicture = TurnedPicture(board->Picture(), FRotationCount);
        FPictureBoard = board;
        // The turned copy is all the map needs; whoever wants the unturned pixels again reads
        // them again. A picture someone else decoded is left to them.
        if (decodedHere)
            board->ReleasePicturePixels();
    }
    return &FPicture;
}

void TUsedBoard::ReleasePicture() const
{
    FPicture = QImage();
    FPictureBoard = nullptr;
}

std::optional<QPoint> TUsedBoard::SquareCenter(int sx, int sy) const
{
    const TBoard* board = Board();
    if (!board)
        return std::nullopt;
    const TBoardNode* node = board->NodeAt(sx, sy);
    if (!node)
        return std::nullopt;
    // 64-bit: the centres come from a file and may be anything.
    long long cx = node->ImageCenterX();
    long long cy = node->ImageCenterY();
    if (FRotationCount > 0) {
        long long width = board->PictureSize().width();
        for (int i = 0; i < FRotationCount; ++i) {
            long long turnedX = width - (cy - 1);
            cy = cx;
            cx = turnedX;
        }
    }
    return QPoint(ClampToInt(cx), ClampToInt(cy));
}

TBoardNode* TUsedBoard::NodeAtPixel(QPoint point) const
{
    const TBoard* board = Board();
    return board ? board->NodeAtPixel(FRotationCount, point) : nullptr;
}

// ----------------------------------------------------------------------------- TUsedBoardList

TUsedBoardList::TUsedBoardList()
    : TListObject(TUsedBoard::StaticClass())
{
}

TUsedBoard* TUsedBoardList::AddUsedBoard(TUsedBoard& usedBoard)
{
    return static_cast<TUsedBoard*>(AddCopy(usedBoard, TUsedBoard::StaticClass()));
}

void TUsedBoardList::RemoveUsedBoard(const TUsedBoard& usedBoard)
{
    RemoveObject(FindByID(usedBoard.ID()));
}

TUsedBoard* TUsedBoardList::FindAt(int x, int y) const
{
    for (int i = 0, n = Count(); i < n; ++i) {
        TUsedBoard* usedBoard = Items(i);
        if (usedBoard->X() == x && usedBoard->Y() == y)
            return usedBoard;
    }
    return nullptr;
}

TUsedBoard* TUsedBoardList::Neighbour(const TUsedBoard& usedBoard, int dx, int dy) const
{
    long long x = static_cast<long long>(usedBoard.X()) + dx;
    long long y = static_cast<long long>(usedBoard.Y()) + dy;
    if (x != ClampToInt(x) || y != ClampToInt(y))
        return nullptr;
    return FindAt(static_cast<int>(x), static_cast<int>(y));
}

void TUsedBoardList::SetBoardList(TBoardList* boardList)
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->SetBoardList(boardList);
}

void TUsedBoardList::ReleasePictures() const
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->ReleasePicture();
}

int TUsedBoardList::ColCount() const
{
    long long maxX = -1;
    for (int i = 0, n = Count(); i < n; ++i)
        maxX = std::max<long long>(maxX, Items(i)->X());
    return ClampToInt(maxX + 1);
}

int TUsedBoardList::RowCount() const
{
    long long maxY = -1;
    for (int i = 0, n = Count(); i < n; ++i)
        maxY = std::max<long long>(maxY, Items(i)->Y());
    return ClampToInt(maxY + 1);
}

namespace {
// The turned picture, or none when the board does not resolve or its picture cannot be read:
// a missing picture must not keep the rest of the map from its size.
const QImage* ReadablePicture(const TUsedBoard& usedBoard)
{
    try {
        const QImage* picture = usedBoard.Picture();
        return picture && !picture->isNull() ? picture : nullptr;
    } catch (const EImageError&) {
        return nullptr;
    }
}
} // namespace

int TUsedBoardList::MaxBoardWidth() const
{
    int width = 0;
    for (int i = 0, n = Count(); i < n; ++i)
        if (const QImage* picture = ReadablePicture(*Items(i)))
            width = std::max(width, picture->width());
    return width;
}

int TUsedBoardList::MaxBoardHeight() const
{
    int height = 0;
    for (int i = 0, n = Count(); i < n; ++i)
        if (const QImage* picture = ReadablePicture(*Items(i)))
            height = std::max(height, picture->height());
    return height;
}

QPoint TUsedBoardList::CellOrigin(int x, int y) const
{
    return QPoint(ClampToInt(static_cast<long long>(x) * MaxBoardWidth()), ClampToInt(static_cast<long long>(y) * MaxBoardHeight()));
}

std::optional<QPoint> TUsedBoardList::MapSquareCenter(const TUsedBoard& usedBoard, int sx, int sy) const
{
    std::optional<QPoint> center = usedBoard.SquareCenter(sx, sy);
    if (!center)
        return std::nullopt;
    QPoint origin = CellOrigin(usedBoard.X(), usedBoard.Y());
    return QPoint(ClampToInt(static_cast<long long>(center->x()) + origin.x()),
        ClampToInt(static_cast<long long>(center->y()) + origin.y()));
}

TMapSquare TUsedBoardList::SquareAtPixel(QPoint pixel) const
{
    int cellWidth = MaxBoardWidth();
    int cellHeight = MaxBoardHeight();
    if (cellWidth <= 0 || cellHeight <= 0 || pixel.x() < 0 || pixel.y() < 0)
        return {};
    TUsedBoard* usedBoard = FindAt(pixel.x() / cellWidth, pixel.y() / cellHeight);
    if (!usedBoard)
        return {};
    const QImage* picture = ReadablePicture(*usedBoard);
    if (!picture)
        return {};
    // A board smaller than the cell is stretched over it in the map picture.
    long long px = static_cast<long long>(pixel.x() % cellWidth) * picture->width() / cellWidth;
    long long py = static_cast<long long>(pixel.y() % cellHeight) * picture->height() / cellHeight;
    TBoardNode* node = usedBoard->NodeAtPixel(QPoint(static_cast<int>(px), static_cast<int>(py)));
    if (!node)
        return {};
    return TMapSquare{usedBoard, node};
}
