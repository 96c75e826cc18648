#include "model/BoardUnt.h"

#include "support/ErrorsUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

COGLINE_DEFINE_CLASS(TBoardNode, "BoardNode", TRootObject,
    PropInteger<TBoardNode>("X", &TBoardNode::X, &TBoardNode::SetX),
    PropInteger<TBoardNode>("Y", &TBoardNode::Y, &TBoardNode::SetY),
    PropInteger<TBoardNode>("ImageCenterX", &TBoardNode::ImageCenterX, &TBoardNode::SetImageCenterX),
    PropInteger<TBoardNode>("ImageCenterY", &TBoardNode::ImageCenterY, &TBoardNode::SetImageCenterY))
COGLINE_DEFINE_CLASS(TBoardNodeList, "BoardNodeList", TListObject)
COGLINE_DEFINE_CLASS(TBoard, "Board", TRootObject,
    PropString<TBoard>("RelativeFilePath", &TBoard::RelativeFilePath, &TBoard::SetRelativeFilePath),
    PropString<TBoard>("Description", &TBoard::Description, &TBoard::SetDescription))
COGLINE_DEFINE_CLASS(TBoardList, "BoardList", TListObject)
COGLINE_DEFINE_CLASS(TBoardRef, "BoardRef", TRootObject)

// ----------------------------------------------------------------------------- pictures

QImage ReadPicture(const std::string& fileName)
{
    QImageReader reader(QString::fromStdString(fileName));
    QImage image = reader.read();
    if (image.isNull())
        throw EImageError(Format("Cannot read picture \"%s\". %s", fileName.c_str(),
            reader.errorString().toStdString().c_str()));
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

void TurnPicture(QImage& picture, int direction)
{
    // Multiples of 90 degrees are done by pixel copy in Qt, so the turn is exact.
    picture = picture.transformed(QTransform().rotate(direction == 0 ? 90 : -90));
}

int NormalizedQuarterTurns(long long turns) { return static_cast<int>(((turns % 4) + 4) % 4); }

int ClampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QImage TurnedPicture(const QImage& picture, int clockwiseTurns)
{
    QImage turned = picture; // shared until turned: each turn makes a new picture
    switch (NormalizedQuarterTurns(clockwiseTurns)) {
    case 1:
        TurnPicture(turned, 0);
        break;
    case 2:
        TurnPicture(turned, 0);
        TurnPicture(turned, 0);
        break;
    case 3:
        TurnPicture(turned, 1);
        break;
    default:
        break;
    }
    return turned;
}

// ----------------------------------------------------------------------------- TBoardNode

std::string TBoardNode::GetID() const { return TBoardNodeList::NodeID(FX, FY); }

// ----------------------------------------------------------------------------- TBoardNodeList

TBoardNodeList::TBoardNodeList()
    : TListObject(TBoardNode::StaticClass())
{
    for (int x = 1; x <= GridSize; ++x) {
        for (int y = 1; y <= GridSize; ++y) {
            auto* node = CreateObject<TBoardNode>();
            node->SetX(x);
            node->SetY(y);
            node->SetImageCenterX(TBoardNode::DefaultCenterX(x));
            node->SetImageCenterY(TBoardNode::DefaultCenterY(y));
        }
    }
}

std::string TBoardNodeList::NodeID(int x, int y) { return Format("%d_%d", x, y); }

TBoardNode* TBoardNodeList::NodeAt(int x, int y) const
{
    // Equal X and Y is equal "%d_%d" text, without formatting an ID per node.
    for (int i = 0, n = Count(); i < n; ++i) {
        TBoardNode* node = Items(i);
        if (node->X() == x && node->Y() == y)
            return node;
    }
    return nullptr;
}

// ----------------------------------------------------------------------------- TBoard

void TBoard::SetDescription(std::string description)
{
    CleanXmlText(description);
    FDescription = std::move(description);
}

TBoard::TBoard()
{
    RegisterChildClass(TBoardNodeList::StaticClass());
    CreateObject<TBoardNodeList>();
}

TBoard::TBoard(const std::string& id, const std::string& relativeFilePath)
    : TBoard()
{
    SetID(id);
    FRelativeFilePath = relativeFilePath;
}

TBoardNode* TBoard::NodeAt(int x, int y) const
{
    TBoardNodeList* nodes = Nodes();
    return nodes ? nodes->NodeAt(x, y) : nullptr;
}

void TBoard::SetRelativeFilePath(const std::string& path)
{
    // A picture still held stays what it was until released; once released, the size is that
    // of the new file.
    if (path != FRelativeFilePath)
        FPictureSize = QSize();
    FRelativeFilePath = path;
}

const QImage& TBoard::Picture() const
{
    if (FPicture.isNull()) {
        FPicture = ReadPicture(DataFolder() + FRelativeFilePath);
        FPictureSize = FPicture.size();
    }
    return FPicture;
}

void TBoard::ReleasePicture()
{
    FPicture = QImage();
    FPictureSize = QSize();
}

QSize TBoard::PictureSize() const
{
    if (!FPicture.isNull())
        return FPicture.size();
    if (!FPictureSize.isValid())
        Picture();
    return FPictureSize;
}

bool TBoard::IsUnedited() const
{
    TBoardNodeList* nodes = Nodes();
    if (!nodes)
        return true;
    for (int i = 0, n = nodes->Count(); i < n; ++i)
        if (!nodes->Items(i)->IsUnedited())
            return false;
    return true;
}

TBoardNode* TBoard::NodeAtPixel(int rotationCount, QPoint point) const
{
    // Only the size is needed: a placed board keeps its turned picture, not this one.
    const QSize size = PictureSize();
    const int turns = NormalizedQuarterTurns(rotationCount);
    // Size of the picture as shown, turned.
    int width = turns % 2 ? size.height() : size.width();
    int height = turns % 2 ? size.width() : size.height();
    if (point.x() < 0 || point.y() < 0 || point.x() >= width || point.y() >= height)
        return nullptr;
    // Back into the unturned picture: each step undoes one clockwise quarter turn, under which
    // unturned (x, y) went to (h - 1 - y, x) of the turned picture.
    int x = point.x();
    int y = point.y();
    for (int i = 0; i < turns; ++i) {
        const int unturnedX = y;
        y = width - 1 - x;
        x = unturnedX;
        std::swap(width, height);
    }
    // The square whose calibrated centre is nearest: pictures have margins and scan distortion,
    // so an even division of the picture misplaces the edges of most squares.
    TBoardNodeList* nodes = Nodes();
    if (!nodes)
        return nullptr;
    const int grid = TBoardNodeList::GridSize;
    TBoardNode* nearest = nullptr;
    double nearestDistance = 0;
    for (int i = 0, n = nodes->Count(); i < n; ++i) {
        TBoardNode* node = nodes->Items(i);
        if (node->X() < 1 || node->X() > grid || node->Y() < 1 || node->Y() > grid)
            continue;
        // In floating point: centres come from a file and may be anything.
        const double dx = static_cast<double>(node->ImageCenterX()) - x;
        const double dy = static_cast<double>(node->ImageCenterY()) - y;
        const double distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = node;
            nearestDistance = distance;
        }
    }
    return nearest;
}

// ----------------------------------------------------------------------------- TBoardList

TBoardList::TBoardList()
    : TListObject(TBoard::StaticClass())
{
}

TBoard* TBoardList::AddBoard(const std::string& id, const std::string& relativeFilePath)
{
    TBoard board(id, relativeFilePath);
    return static_cast<TBoard*>(AddCopy(board, TBoard::StaticClass()));
}

void TBoardList::ReleasePictures()
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->ReleasePicture();
}

void TBoardList::FillBoardPicker(const TPickerAdd& add) const
{
    std::vector<TBoard*> boards;
    for (int i = 0, n = Count(); i < n; ++i)
        boards.push_back(Items(i));
    auto lower = [](unsigned char c) { return std::tolower(c); };
    std::stable_sort(boards.begin(), boards.end(), [&lower](const TBoard* a, const TBoard* b) {
        const std::string& x = a->Description();
        const std::string& y = b->Description();
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
            [&lower](char p, char q) { return lower(static_cast<unsigned char>(p)) < lower(static_cast<unsigned char>(q)); });
    });
    for (TBoard* board : boards)
        add(board->Description(), *board);
}

// ----------------------------------------------------------------------------- built-in table

void BuildBoardList(TBoardList& list)
{
    static const char* const Table[][2] = {
        {"CanneryRow_1", "Images/1st Edition/Cannery Row.jpg"},
        {"Cross_1", "Images/1st Edition/Cross.jpg"},
        {"Exchange_1", "Images/1st Edition/Exchange.jpg"},
        {"Island_1", "Images/1st Edition/Island.jpg"},
        {"Maelstrom_1", "Images/1st Edition/Maelstrom.jpg"},
        {"PitMaze_1", "Images/1st Edition/Pit Maze.jpg"},
        {"CanneryRow_2", "Images/2nd Edition/Cannery Row.jpg"},
        {"Cross_2", "Images/2nd Edition/Cross.jpg"},
        {"Exchange_2", "Images/2nd Edition/Exchange.jpg"},
        {"Island_2", "Images/2nd Edition/Island.jpg"},
        {"Maelstrom_2", "Images/2nd Edition/Maelstrom.jpg"},
        {"PitMaze_2", "Images/2nd Edition/Pit Maze.jpg"},
        {"Chasm_2BB", "Images/2nd Edition - Bolts & Blasters/Chasm.jpg"},
        {"CircuitTrap_2BB", "Images/2nd Edition - Bolts & Blasters/Circuit Trap.jpg"},
        {"Coliseum_2BB", "Images/2nd Edition - Bolts & Blasters/Coliseum.jpg"},
        {"FloodZone_2BB", "Images/2nd Edition - Bolts & Blasters/Flood Zone.jpg"},
        {"GearBox_2BB", "Images/2nd Edition - Bolts & Blasters/Gear Box.jpg"},
        {"LaserMaze_2BB", "Images/2nd Edition - Bolts & Blasters/Laser Maze.jpg"},
        {"Chess_3", "Images/3rd Edition/Chess.jpg"},
        {"ChopShop_3", "Images/3rd Edition/ChopShop.jpg"},
        {"Cross_3", "Images/3rd Edition/Cross.jpg"},
        {"Exchange_3", "Images/3rd Edition/Exchange.jpg"},
        {"Island_3", "Images/3rd Edition/Island.jpg"},
        {"Maelstrom_3", "Images/3rd Edition/Maelstrom.jpg"},
        {"SpinZone_3", "Images/3rd Edition/Spin Zone.jpg"},
        {"Vault_3", "Images/3rd Edition/Vault.jpg"},
    };
    for (const auto& row : Table)
        list.AddBoard(row[0], row[1]);
}

void BuildBoardListFile(const std::string& folder)
{
    TBoardList list;
    BuildBoardList(list);
    list.SaveToXMLFile(folder + "Boards.xml");
}
