#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "render/ChitDrawUnt.h"
#include "render/GameFolderUnt.h"
#include "render/JpegWriterUnt.h"
#include "render/MapPictureUnt.h"
#include "render/PictureFileUnt.h"
#include "render/MapViewUnt.h"
#include "common/TestFiles.h"
#include "model/UsedBoardUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/TurnUnt.h"
#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// ----------------------------------------------------------------------------- picture helpers

QImage Solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Every pixel different, so that a pixel out of place shows.
QImage Noise(int width, int height, std::uint32_t seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (seed >> 8);
        }
    }
    return image;
}

// The smallest rectangle holding every pixel of exactly that colour; empty when there is none.
QRect BoxOf(const QImage& image, QRgb colour)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if ((line[x] | 0xff000000u) == (colour | 0xff000000u)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Whether every pixel of the rectangle has exactly that colour.
bool AllOf(const QImage& image, const QRect& rect, QRgb colour)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if ((image.pixel(x, y) | 0xff000000u) != (colour | 0xff000000u))
                return false;
    return true;
}

// For decoded JPEG pictures, which are close to the colours drawn but not exact.
bool Near(QRgb a, QRgb b, int tolerance = 16)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The segments of a JPEG file up to the start of the scan: marker and contents.
struct TJpegSegment {
    int Marker = 0;
    QByteArray Data;
};

std::vector<TJpegSegment> JpegSegments(const QByteArray& bytes)
{
    std::vector<TJpegSegment> segments;
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF
        || static_cast<unsigned char>(bytes[1]) != 0xD8)
        return segments;
    qsizetype i = 2;
    while (i + 4 <= bytes.size() && static_cast<unsigned char>(bytes[i]) == 0xFF) {
        const int marker = 0xFF00 | static_cast<unsigned char>(bytes[i + 1]);
        const int length = (static_cast<unsigned char>(bytes[i + 2]) << 8) | static_cast<unsigned char>(bytes[i + 3]);
        segments.push_back({marker, bytes.mid(i + 4, length - 2)});
        if (marker == 0xFFDA)
            break;
        i += 2 + length;
    }
    return segments;
}

// The quantisation tables libjpeg makes for quality 90 from the example tables of the JPEG
// standard, in the zigzag order a file holds them.
std::vector<int> Quality90Table(bool chrominance)
{
    static const int luminance[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24,
        40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113,
        92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int chroma[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99,
        99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    static const int zigzag[64] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41,
        34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52,
        45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    const int scale = 200 - 2 * 90;
    std::vector<int> table;
    for (int i = 0; i < 64; ++i)
        table.push_back(std::clamp(((chrominance ? chroma : luminance)[zigzag[i]] * scale + 50) / 100, 1, 255));
    return table;
}

// Checks what the tool promises of every JPEG it writes; the picture decoded.
QImage ExpectBaselineJpeg(const std::string& fileName, QSize size)
{
    const QByteArray bytes = QByteArray::fromStdString(ReadBytes(fileName));
    const std::vector<TJpegSegment> segments = JpegSegments(bytes);
    EXPECT_FALSE(segments.empty()) << fileName;
    bool baseline = false;
    std::vector<std::vector<int>> tables;
    for (const TJpegSegment& segment : segments) {
        EXPECT_NE(segment.Marker, 0xFFC2) << "progressive: " << fileName;
        if (segment.Marker == 0xFFC0) {
            baseline = true;
            EXPECT_EQ(static_cast<unsigned char>(segment.Data[0]), 8);
            EXPECT_EQ((static_cast<unsigned char>(segment.Data[1]) << 8) | static_cast<unsigned char>(segment.Data[2]),
                size.height());
            EXPECT_EQ((static_cast<unsigned char>(segment.Data[3]) << 8) | static_cast<unsigned char>(segment.Data[4]),
                size.width());
            EXPECT_EQ(static_cast<unsigned char>(segment.Data[5]), 3) << "colour components: " << fileName;
        }
        if (segment.Marker == 0xFFDB) {
            // One or more 8-bit tables, each a byte of precision and number, then 64 entries.
            for (qsizetype i = 0; i + 65 <= segment.Data.size(); i += 65) {
                EXPECT_EQ(static_cast<unsigned char>(segment.Data[i]) >> 4, 0);
                std::vector<int> table;
                for (int k = 1; k <= 64; ++k)
                    table.push_back(static_cast<unsigned char>(segment.Data[i + k]));
                tables.push_back(table);
            }
        }
    }
    EXPECT_TRUE(baseline) << fileName;
    EXPECT_EQ(tables.size(), 2u) << fileName;
    if (tables.size() == 2) {
        EXPECT_EQ(tables[0], Quality90Table(false)) << fileName;
        EXPECT_EQ(tables[1], Quality90Table(true)) << fileName;
    }
    QImage decoded(QString::fromStdString(fileName));
    EXPECT_EQ(decoded.size(), size) << fileName;
    return decoded;
}

// ----------------------------------------------------------------------------- fixture

constexpr QRgb Grey = 0xff808080;
constexpr QRgb Red = 0xffff0000;
constexpr QRgb Green = 0xff00ff00;
constexpr QRgb Blue = 0xff0000ff;
constexpr QRgb Yellow = 0xffffff00;
constexpr QRgb Magenta = 0xffff00ff;
constexpr QRgb Cyan = 0xff00ffff;

// Synthetic board and chit pictures in a folder that stands in for the executable's, itself
// inside a temporary folder so that writing above it can be caught.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        SetExecutableFolder(Folder());
    }

    std::string Root() const { return FDir.path().toStdString() + "/"; }
    std::string Folder() const { return Root() + "exe/"; }

    void SavePicture(const std::string& relativePath, const QImage& image)
    {
        const QString path = QString::fromStdString(Folder() + relativePath);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        ASSERT_TRUE(image.save(path, "PNG"));
    }

    // A board whose squares are fitted to its picture: square n of size/12 pixels has its
    // centre at (2n - 1) x size / 24.
    TBoard* AddBoard(const std::string& id, const QImage& picture, bool fitSquares = true)
    {
        SavePicture("Images/" + id + ".png", picture);
        TBoard* board = Catalogue.AddBoard(id, "Images/" + id + ".png");
        if (fitSquares)
            for (int x = 1; x <= 12; ++x)
                for (int y = 1; y <= 12; ++y) {
                    board->NodeAt(x, y)->SetImageCenterX((2 * x - 1) * picture.width() / 24);
                    board->NodeAt(x, y)->SetImageCenterY((2 * y - 1) * picture.height() / 24);
                }
        return board;
    }

    TUsedBoard* Place(TUsedBoardList& layout, const std::string& boardID, int x, int y, int rotation = 0)
    {
        TUsedBoard placed(&Catalogue, Catalogue.FindByID(boardID), x, y);
        placed.SetRotationCount(rotation);
        TUsedBoard* added = layout.AddUsedBoard(placed);
        added->SetBoardList(&Catalogue);
        return added;
    }

    TChit* AddChit(TChitList& chits, const std::string& id, const QImage& picture, TUsedBoard* usedBoard = nullptr,
        int x = -1, int y = -1)
    {
        SavePicture("Images/" + id + ".png", picture);
        TChit* chit = chits.AddChit(id, id, "Images/" + id + ".png");
        if (usedBoard)
            chit->PlaceAt(usedBoard, x, y);
        return chit;
    }

    // Square centre on a fitted board of that size.
    static int Centre(int square, int size) { return (2 * square - 1) * size / 24; }

    TBoardList Catalogue;
    // Each test draws with its own renderer, so that what one test was told does not hide it
    // from the next.
    TMapRenderer Renderer;

private:
    QTemporaryDir FDir;
    TExecutableFolderScope FFolderScope;
};

// A game with one turn, or several, whose last turn stands at phase 5.
class GameRenderTest : public RenderTest {
protected:
    TPhase* StartTurns(int turns, int phase)
    {
        for (int i = 0; i < turns; ++i)
            Game.TurnList()->AddTurn();
        Game.CurrentTurn()->SetCurrentPhaseNumber(phase);
        return Game.CurrentTurn()->PhaseByNumber(phase);
    }

    TUsedBoard* PlaceInGame(const std::string& boardID, int x, int y, int rotation = 0)
    {
        TUsedBoard* placed = Place(*Game.UsedBoardList(), boardID, x, y, rotation);
        Game.SetBoardList(&Catalogue);
        return placed;
    }

    TGame Game;
};

} // namespace

// ----------------------------------------------------------------------------- quarter turns

TEST(RenderTurn, QuarterTurnsMoveTheCornersAndFourGiveThePictureBack)
{
    QImage old(3, 2, QImage::Format_RGB32);
    const QRgb pixels[2][3] = {{Red, Green, Blue}, {Yellow, Magenta, Cyan}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            old.setPixel(x, y, pixels[y][x]);

    QImage clockwise = old;
    TurnPicture(clockwise, 0);
    ASSERT_EQ(clockwise.size(), QSize(2, 3));
    EXPECT_EQ(clockwise.pixel(1, 0), Red); // old top-left at the new top-right
    EXPECT_EQ(clockwise.pixel(0, 0), Yellow); // old bottom-left at the new top-left
    EXPECT_EQ(clockwise.pixel(1, 2), Blue); // old top-right at the new bottom-right

    QImage counter = old;
    TurnPicture(counter, 1);
    ASSERT_EQ(counter.size(), QSize(2, 3));
    EXPECT_EQ(counter.pixel(0, 2), Red); // old top-left at the new bottom-left
    EXPECT_EQ(counter.pixel(0, 0), Blue); // old top-right at the new top-left
    EXPECT_EQ(counter.pixel(1, 2), Yellow);

    for (int direction : {0, 1}) {
        QImage turned = old;
        for (int i = 0; i < 4; ++i)
            TurnPicture(turned, direction);
        EXPECT_EQ(turned, old) << "direction " << direction;
    }
}

// ----------------------------------------------------------------------------- one chit

TEST_F(RenderTest, ChitFacingTurnsThePictureAndSwapsItsSides)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    // 40 x 20: red left half, blue right half; the stored picture faces north.
    QImage picture = Solid(40, 20, Red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            picture.setPixel(x, y, Blue);
    TChitList chits;
    TChit* chit = AddChit(chits, "Arrow", picture, placed, 5, 6);
    const int cx = Centre(5, 480), cy = Centre(6, 480);

    struct Case {
        TChitFacing Facing;
        QRect RedBox;
        QRect BlueBox;
    };
    const std::vector<Case> cases = {
        {cfNorth, QRect(cx - 20, cy - 10, 20, 20), QRect(cx, cy - 10, 20, 20)},
        {cfEast, QRect(cx - 10, cy - 20, 20, 20), QRect(cx - 10, cy, 20, 20)}, // left half turned to the top
        {cfSouth, QRect(cx, cy - 10, 20, 20), QRect(cx - 20, cy - 10, 20, 20)},
        {cfWest, QRect(cx - 10, cy, 20, 20), QRect(cx - 10, cy - 20, 20, 20)},
    };
    for (const Case& c : cases) {
        chit->SetChitFacing(c.Facing);
        QImage canvas = *placed->Picture();
        DrawChit(Renderer.Notes(), *chit, canvas, false, -1, -1);
        EXPECT_EQ(BoxOf(canvas, Red), c.RedBox) << "facing " << c.Facing;
        EXPECT_EQ(BoxOf(canvas, Blue), c.BlueBox) << "facing " << c.Facing;
    }

    chit->SetChitFacing(cfEast);
    EXPECT_EQ(ChitPixelWidth(*chit), 20);
    EXPECT_EQ(ChitPixelHeight(*chit), 40);
    EXPECT_EQ(ChitPixelLeft(*chit), cx - 10);
    EXPECT_EQ(ChitPixelTop(*chit), cy - 20);
    chit->SetImageSizePercent(50);
    EXPECT_EQ(ChitPixelWidth(*chit), 10);
    EXPECT_EQ(ChitPixelHeight(*chit), 20);
    // Without a placed board the sides are not exchanged and there is no corner.
    chit->TakeOffMap();
    EXPECT_EQ(ChitPixelWidth(*chit), 20);
    EXPECT_EQ(ChitPixelHeight(*chit), 10);
    EXPECT_EQ(ChitPixelLeft(*chit), -1);
    EXPECT_EQ(ChitPixelTop(*chit), -1);
}

TEST_F(RenderTest, SizeNudgeAndCellOffsetPlaceTheChit)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    Place(layout, "Plain", 0, 0);
    TUsedBoard* right = Place(layout, "Plain", 1, 0);
    TChitList chits;
    TChit* chit = AddChit(chits, "Box", Solid(100, 100, Red), right, 4, 9);
    const int cx = Centre(4, 480), cy = Centre(9, 480);

    chit->SetImageSizePercent(29); // 29% of 100 pixels is 29, not 28
    chit->SetImagePixelShiftX(7);
    chit->SetImagePixelShiftY(-3);
    QImage board = *right->Picture();
    DrawChit(Renderer.Notes(), *chit, board, false, -1, -1);
    EXPECT_EQ(BoxOf(board, Red), QRect(cx - 14 + 7, cy - 14 - 3, 29, 29));

    // On the whole map the chit's cell origin is added.
    QImage map = Solid(960, 480, Grey);
    DrawChit(Renderer.Notes(), *chit, map, true, -1, -1);
    EXPECT_EQ(BoxOf(map, Red), QRect(480 + cx - 14 + 7, cy - 14 - 3, 29, 29));
}

TEST_F(RenderTest, SlotsPushAMarkerAwayFromTheCentreOfItsSquare)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TChitList chits;
    TChit* marker = AddChit(chits, "Marker", Solid(30, 30, Green), placed, 6, 6);

    auto boxAt = [&](int slot) {
        QImage canvas = *placed->Picture();
        DrawChit(Renderer.Notes(), *marker, canvas, false, -1, slot);
        return BoxOf(canvas, Green);
    };
    const QRect centred = boxAt(-1);
    ASSERT_EQ(centred, QRect(Centre(6, 480) - 15, Centre(6, 480) - 15, 30, 30));
    // Each marker's outer edge 45 pixels from the centre: 30 pixels out for a 30-pixel marker.
    const std::vector<std::pair<int, QPoint>> slotCases = {
        {0, {-30, 30}}, // lower left
        {1, {30, 30}}, // lower right
        {2, {-30, 0}}, // middle left
        {3, {30, 0}}, // middle right
        {4, {-30, -30}}, // upper left
        {5, {30, -30}}, // upper right
        {6, {0, 30}}, // lower centre
        {7, {0, -30}}, // upper centre
        {-5, {0, 0}},
    };
    for (const auto& [slot, offset] : slotCases)
        EXPECT_EQ(boxAt(slot), centred.translated(offset)) << "slot " << slot;
    // A larger marker moves less, so that its outer edge stays where the small one's is.
    EXPECT_EQ(ChitSlotOffset(0, 50, 40), QPoint(-20, 25));
}

TEST_F(RenderTest, LayerLimitHidesOnlyTheLayersAboveIt)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TChitList chits;
    TChit* low = AddChit(chits, "Low", Solid(20, 20, Red), placed, 3, 3);
    TChit* high = AddChit(chits, "High", Solid(20, 20, Blue), placed, 8, 8);
    low->SetDrawLayer(100);
    high->SetDrawLayer(101);

    QImage canvas = *placed->Picture();
    DrawChit(Renderer.Notes(), *low, canvas, false, 100, -1);
    DrawChit(Renderer.Notes(), *high, canvas, false, 100, -1);
    EXPECT_FALSE(BoxOf(canvas, Red).isEmpty());
    EXPECT_TRUE(BoxOf(canvas, Blue).isEmpty());
    // A hidden chit covers nothing, so erasing it changes nothing.
    EXPECT_TRUE(high->SaveUnder().isNull());
    DrawChit(Renderer.Notes(), *high, canvas, false, -1, -1);
    EXPECT_FALSE(BoxOf(canvas, Blue).isEmpty());
}

TEST_F(RenderTest, EraseRestoresTheCanvasPixelForPixel)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    Place(layout, "Plain", 0, 0);
    TUsedBoard* right = Place(layout, "Plain", 1, 0);
    TChitList chits;
    QImage picture = Noise(37, 23, 7);
    TChit* chit = AddChit(chits, "Odd", picture, right, 6, 6);

    struct Case {
        const char* Name;
        int X, Y, Slot, ShiftX;
        TChitFacing Facing;
        bool FullMap;
    };
    const std::vector<Case> cases = {
        {"centred", 6, 6, -1, 0, cfNorth, false},
        {"turned", 6, 6, -1, 0, cfWest, false},
        {"half off the board", 12, 1, -1, 15, cfSouth, false},
        {"in a slot", 6, 6, 3, 0, cfNorth, false},
        {"on the whole map", 6, 6, 5, 0, cfEast, true},
        {"across the cell edge on the map", 1, 7, -1, -30, cfNorth, true},
    };
    for (const Case& c : cases) {
        chit->SetX(c.X);
        chit->SetY(c.Y);
        chit->SetImagePixelShiftX(c.ShiftX);
        chit->SetChitFacing(c.Facing);
        const QImage original = c.FullMap ? Noise(960, 480, 3) : Noise(480, 480, 5);
        QImage canvas = original;
        DrawChit(Renderer.Notes(), *chit, canvas, c.FullMap, -1, c.Slot);
        ASSERT_NE(canvas, original) << c.Name;
        EraseChit(*chit, canvas, c.FullMap);
        EXPECT_EQ(canvas, original) << c.Name;
        // What was put back is spent: a second erase changes nothing drawn since.
        canvas.fill(Red);
        EraseChit(*chit, canvas, c.FullMap);
        EXPECT_TRUE(AllOf(canvas, canvas.rect(), Red)) << c.Name;
    }
}

TEST_F(RenderTest, ChitWhoseBoardDoesNotResolveIsNotDrawnAndNotErased)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TChitList chits;
    TChit* chit = AddChit(chits, "Lost", Solid(20, 20, Red), placed, 6, 6);
    chit->UsedBoardRef()->SetID("5_5");
    const QImage original = Noise(480, 480, 9);
    QImage canvas = original;
    DrawChit(Renderer.Notes(), *chit, canvas, false, -1, -1);
    EXPECT_EQ(canvas, original);
    EraseChit(*chit, canvas, false);
    EXPECT_EQ(canvas, original);
    // A square outside the grid resolves no better.
    chit->UsedBoardRef()->SetID("0_0");
    chit->SetX(13);
    DrawChit(Renderer.Notes(), *chit, canvas, false, -1, -1);
    EXPECT_EQ(canvas, original);
}

// ----------------------------------------------------------------------------- editing on a canvas

TEST_F(RenderTest, EditingStepsEraseAndRedrawOnTheCanvas)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TChitList chits;
    TChit* chit = AddChit(chits, "Bot", Solid(20, 10, Red), placed, 6, 6);
    QImage canvas = *placed->Picture();
    DrawChit(Renderer.Notes(), *chit, canvas, false, -1, -1);

    auto expectAlone = [&](const char* step) {
        EXPECT_EQ(BoxOf(canvas, Red),
            QRect(ChitPixelLeft(*chit) + chit->ImagePixelShiftX(), ChitPixelTop(*chit) + chit->ImagePixelShiftY(),
                ChitPixelWidth(*chit), ChitPixelHeight(*chit)))
            << step;
    };
    MoveEast(Renderer.Notes(), *chit, canvas, false);
    EXPECT_EQ(chit->X(), 7);
    expectAlone("east");
    MoveSouth(Renderer.Notes(), *chit, canvas, false);
    MoveSouth(Renderer.Notes(), *chit, canvas, false);
    EXPECT_EQ(chit->Y(), 8);
    expectAlone("south");
    MoveWest(Renderer.Notes(), *chit, canvas, false);
    MoveNorth(Renderer.Notes(), *chit, canvas, false);
    EXPECT_EQ(QPoint(chit->X(), chit->Y()), QPoint(6, 7));
    expectAlone("west and north");
    RotateRight(Renderer.Notes(), *chit, canvas, false);
    EXPECT_EQ(chit->ChitFacing(), cfEast);
    EXPECT_EQ(BoxOf(canvas, Red).size(), QSize(10, 20));
    RotateLeft(Renderer.Notes(), *chit, canvas, false);
    RotateLeft(Renderer.Notes(), *chit, canvas, false);
    EXPECT_EQ(chit->ChitFacing(), cfWest);
    expectAlone("turned");
    Tweak(Renderer.Notes(), *chit, 5, -4, canvas, false);
    EXPECT_EQ(QPoint(chit->ImagePixelShiftX(), chit->ImagePixelShiftY()), QPoint(5, -4));
    expectAlone("nudged");
    EXPECT_TRUE(SetSizePercent(Renderer.Notes(), *chit, 200, canvas, false));
    EXPECT_EQ(BoxOf(canvas, Red).size(), QSize(20, 40));
    expectAlone("larger");
    EXPECT_FALSE(SetSizePercent(Renderer.Notes(), *chit, 200, canvas, false));

    // Everything else on the canvas is as it was.
    QImage expected = *placed->Picture();
    DrawChit(Renderer.Notes(), *chit, expected, false, -1, -1);
    EXPECT_EQ(canvas, expected);
}

TEST_F(GameRenderTest, MoveOntoTheNextBoardDrawsTheChitThereOnTheWholeMap)
{
    AddBoard("Left", Solid(480, 480, Grey));
    AddBoard("Right", Solid(480, 480, Cyan));
    PlaceInGame("Left", 0, 0);
    TUsedBoard* right = PlaceInGame("Right", 1, 0, 1);
    TPhase* phase = StartTurns(1, 0);
    TChit* chit = AddChit(*phase->ChitList(), "Bot", Solid(24, 24, Yellow), Game.UsedBoardList()->FindAt(0, 0), 12, 5);

    QImage map = Renderer.BuildMapPicture(Game, 0, 0);
    ASSERT_EQ(map.size(), QSize(960, 480));
    const QRect before = BoxOf(map, Yellow);
    ASSERT_FALSE(before.isEmpty());

    MoveEast(Renderer.Notes(), *chit, map, true);
    EXPECT_EQ(chit->UsedBoardID(), "1_0");
    EXPECT_EQ(chit->BoardID(), "Right");
    EXPECT_EQ(QPoint(chit->X(), chit->Y()), QPoint(1, 5));
    // Where it stood the board shows again; on the turned board it stands on square (1, 5).
    EXPECT_TRUE(AllOf(map, before.intersected(QRect(0, 0, 479, 479)), Grey));
    const QPoint centre = *right->SquareCenter(1, 5) + QPoint(480, 0);
    EXPECT_EQ(BoxOf(map, Yellow), QRect(centre.x() - 12, centre.y() - 12, 24, 24));

    // On the picture of one board the chit is not drawn once it has left that board.
    chit->PlaceAt(Game.UsedBoardList()->FindAt(0, 0), 12, 5);
    QImage board = *Game.UsedBoardList()->FindAt(0, 0)->Picture();
    DrawChit(Renderer.Notes(), *chit, board, false, -1, -1);
    MoveEast(Renderer.Notes(), *chit, board, false);
    EXPECT_EQ(chit->UsedBoardID(), "1_0");
    EXPECT_EQ(board, *Game.UsedBoardList()->FindAt(0, 0)->Picture());
}

// ----------------------------------------------------------------------------- phases

TEST_F(RenderTest, ArchiveMarkersOnOneInnerSquareTakeSlotsInListOrder)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TBotList bots;
    const int cx = Centre(6, 480), cy = Centre(6, 480);
    const QRect centred(cx - 15, cy - 15, 30, 30);

    struct Marker {
        const char* ID;
        QRgb Colour;
    };
    // Robots 0, 2 and 5 of the bot list.
    const Marker hammer {"HammerBotArchive", Red}, spin {"SpinBotArchive", Green}, twitch {"TwitchArchive", Blue};
    struct Case {
        std::vector<Marker> Order;
        std::vector<QPoint> Offsets; // slots 0, 1, 2 in list order
    };
    const std::vector<Case> cases = {
        {{hammer, spin, twitch}, {{-30, 30}, {30, 30}, {-30, 0}}},
        {{twitch, hammer, spin}, {{-30, 30}, {30, 30}, {-30, 0}}},
    };
    for (const Case& c : cases) {
        TPhase phase;
        for (const Marker& m : c.Order)
            AddChit(*phase.ChitList(), m.ID, Solid(30, 30, m.Colour), placed, 6, 6);
        // Not an archive marker: stays centred, and takes no slot from the markers.
        AddChit(*phase.ChitList(), "Flag1", Solid(10, 10, Yellow), placed, 6, 6);
        QImage canvas = *placed->Picture();
        Renderer.DrawPhaseChits(phase, canvas, *placed, -1, &bots);
        for (std::size_t i = 0; i < c.Order.size(); ++i)
            EXPECT_EQ(BoxOf(canvas, c.Order[i].Colour), centred.translated(c.Offsets[i])) << c.Order[i].ID;
        EXPECT_EQ(BoxOf(canvas, Yellow), QRect(cx - 5, cy - 5, 10, 10));
    }

    // On the outer ring the markers stay centred: the last drawn covers the others.
    TPhase phase;
    for (const Marker& m : {hammer, spin, twitch})
        AddChit(*phase.ChitList(), m.ID, Solid(30, 30, m.Colour), placed, 1, 7);
    QImage canvas = *placed->Picture();
    Renderer.DrawPhaseChits(phase, canvas, *placed, -1, &bots);
    EXPECT_EQ(BoxOf(canvas, Blue), QRect(Centre(1, 480) - 15, Centre(7, 480) - 15, 30, 30));
    EXPECT_TRUE(BoxOf(canvas, Red).isEmpty());
    EXPECT_TRUE(BoxOf(canvas, Green).isEmpty());
}

TEST_F(RenderTest, PhaseChitsAreDrawnByLayerWithEachRobotInItsState)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TUsedBoard* other = Place(layout, "Plain", 1, 0);
    TBotList bots;
    bots.FindByType(btZoomBot)->SetBotActivityLevel(alShutDown);
    TPhase phase;
    TChitList& chits = *phase.ChitList();
    AddChit(chits, "Top", Solid(30, 30, Magenta), placed, 4, 4)->SetDrawLayer(5);
    AddChit(chits, "Bottom", Solid(40, 40, Cyan), placed, 4, 4)->SetDrawLayer(1);
    AddChit(chits, "ZoomBot", Solid(20, 20, Red), placed, 9, 9);
    AddChit(chits, "ZoomBotShutDown", Solid(20, 20, Green));
    AddChit(chits, "Elsewhere", Solid(20, 20, Blue), other, 9, 9);

    QImage canvas = *placed->Picture();
    Renderer.DrawPhaseChits(phase, canvas, *placed, -1, &bots);
    // The higher layer on top, whatever the list order.
    EXPECT_EQ(BoxOf(canvas, Magenta), QRect(Centre(4, 480) - 15, Centre(4, 480) - 15, 30, 30));
    EXPECT_EQ(BoxOf(canvas, Cyan), QRect(Centre(4, 480) - 20, Centre(4, 480) - 20, 40, 40));
    // The shut-down robot is shown by its shut-down chit, which took its square.
    EXPECT_TRUE(BoxOf(canvas, Red).isEmpty());
    EXPECT_EQ(BoxOf(canvas, Green), QRect(Centre(9, 480) - 10, Centre(9, 480) - 10, 20, 20));
    EXPECT_FALSE(chits.FindByID("ZoomBot")->IsOnMap());
    // Chits of other boards are not drawn here.
    EXPECT_TRUE(BoxOf(canvas, Blue).isEmpty());
}

TEST_F(RenderTest, DesignerCellShowsOnlyItsOwnBoardsChits)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0, 2);
    TUsedBoard* other = Place(layout, "Plain", 0, 1);
    TChitList chits;
    TChit* start = AddChit(chits, "Start", Solid(20, 20, Red), placed, 2, 3);
    TChit* flag = AddChit(chits, "Flag1", Solid(20, 20, Blue), other, 2, 3);
    const QImage cell = Renderer.BoardPictureWithChits(*placed, {start, flag});
    const QPoint centre = *placed->SquareCenter(2, 3);
    EXPECT_EQ(BoxOf(cell, Red), QRect(centre.x() - 10, centre.y() - 10, 20, 20));
    EXPECT_TRUE(BoxOf(cell, Blue).isEmpty());
    TUsedBoard unknown(&Catalogue, nullptr, 3, 3);
    EXPECT_TRUE(Renderer.BoardPictureWithChits(unknown, {start}).isNull());
}

// ----------------------------------------------------------------------------- the map

TEST_F(GameRenderTest, MapOfTwoBoardsFillsEachCellLessItsLastColumnAndRow)
{
    AddBoard("RedBoard", Solid(1164, 1164, Red), false);
    AddBoard("BlueBoard", Solid(1164, 1164, Blue), false);
    PlaceInGame("RedBoard", 0, 0);
    PlaceInGame("BlueBoard", 1, 0);
    StartTurns(1, 0);
    const QImage map = Renderer.BuildMapPicture(Game, 0, 0);
    ASSERT_EQ(map.size(), QSize(2328, 1164));
    EXPECT_EQ(MapPictureSize(*Game.UsedBoardList()), QSize(2328, 1164));
    EXPECT_TRUE(AllOf(map, QRect(0, 0, 1163, 1163), Red));
    EXPECT_TRUE(AllOf(map, QRect(1164, 0, 1163, 1163), Blue));
    EXPECT_TRUE(AllOf(map, QRect(1163, 0, 1, 1164), MapBackground));
    EXPECT_TRUE(AllOf(map, QRect(2327, 0, 1, 1164), MapBackground));
    EXPECT_TRUE(AllOf(map, QRect(0, 1163, 2328, 1), MapBackground));
}

TEST_F(GameRenderTest, EmptyCellsShowTheBackgroundAndSmallerBoardsAreStretched)
{
    AddBoard("Big", Solid(480, 480, Grey));
    AddBoard("Small", Solid(240, 240, Cyan));
    PlaceInGame("Big", 0, 0);
    PlaceInGame("Small", 1, 1);
    StartTurns(1, 0);
    const QImage map = Renderer.BuildMapPicture(Game, 0, 0);
    ASSERT_EQ(map.size(), QSize(960, 960));
    EXPECT_TRUE(AllOf(map, QRect(480, 0, 480, 480), MapBackground));
    EXPECT_TRUE(AllOf(map, QRect(0, 480, 480, 480), MapBackground));
    EXPECT_TRUE(AllOf(map, QRect(480, 480, 479, 479), Cyan));
    // An empty map has no picture.
    TGame empty;
    EXPECT_TRUE(Renderer.BuildMapPicture(empty, 0, 0).isNull());
}

TEST_F(GameRenderTest, ChitIsDrawnWhereItsSquareCentreLiesOnATurnedBoard)
{
    // A marker of one colour at the centre of square (3, 2) of the unturned picture.
    QImage picture = Solid(480, 480, Grey);
    const QPoint square(Centre(3, 480), Centre(2, 480));
    for (int y = -2; y <= 2; ++y)
        for (int x = -2; x <= 2; ++x)
            picture.setPixel(square.x() + x, square.y() + y, Magenta);
    AddBoard("Marked", picture);
    PlaceInGame("Marked", 0, 0);
    TUsedBoard* turned = PlaceInGame("Marked", 1, 0);
    TPhase* phase = StartTurns(1, 0);
    AddChit(*phase->ChitList(), "Bot", Solid(21, 21, Yellow), turned, 3, 2);

    for (int rotation : {1, 2, 3, 0}) {
        turned->SetRotationCount(rotation);
        const QRect marker = BoxOf(*turned->Picture(), Magenta);
        ASSERT_EQ(marker.size(), QSize(5, 5)) << rotation;

        QImage board = *turned->Picture();
        Renderer.DrawPhaseChits(*phase, board, *turned, -1, Game.BotList());
        const QRect drawn = BoxOf(board, Yellow);
        ASSERT_EQ(drawn.size(), QSize(21, 21)) << rotation;
        // The square-centre rule for turned boards lands up to two pixels from the exactly
        // turned point on each axis; the chit covers the marker all the same.
        const QPoint apart = drawn.center() - marker.center();
        EXPECT_LE(std::abs(apart.x()), 2) << rotation;
        EXPECT_LE(std::abs(apart.y()), 2) << rotation;
        EXPECT_TRUE(drawn.contains(marker.center())) << rotation;

        // On the map it lands in the turned board's cell, over the same spot.
        const QImage map = Renderer.BuildMapPicture(Game, 0, 0);
        EXPECT_EQ(map.pixel(marker.center() + QPoint(480, 0)), Yellow) << rotation;
        EXPECT_TRUE(BoxOf(map.copy(0, 0, 480, 480), Yellow).isEmpty()) << rotation;
    }
}

TEST_F(GameRenderTest, MapOfAnotherTurnOrPhaseThatDoesNotExistShowsOnlyTheBoards)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoard* placed = PlaceInGame("Plain", 0, 0);
    TPhase* phase = StartTurns(1, 2);
    AddChit(*phase->ChitList(), "Bot", Solid(20, 20, Red), placed, 5, 5);
    EXPECT_FALSE(BoxOf(Renderer.BuildMapPicture(Game, 0, 2), Red).isEmpty());
    EXPECT_TRUE(BoxOf(Renderer.BuildMapPicture(Game, 0, 3), Red).isEmpty());
    EXPECT_TRUE(BoxOf(Renderer.BuildMapPicture(Game, 0, 9), Red).isEmpty());
    EXPECT_TRUE(BoxOf(Renderer.BuildMapPicture(Game, 7, 2), Red).isEmpty());
    EXPECT_TRUE(BoxOf(Renderer.BuildMapPicture(Game, -1, 2), Red).isEmpty());
}

// ----------------------------------------------------------------------------- damaged input

TEST_F(GameRenderTest, MissingPicturesAreSkippedAndReportedOnce)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    PlaceInGame("Plain", 0, 0);
    Catalogue.AddBoard("Gone", "Images/NoSuchBoard.png");
    PlaceInGame("Gone", 1, 0);
    TPhase* phase = StartTurns(1, 0);
    TChit* lost = AddChit(*phase->ChitList(), "Lost", Solid(20, 20, Blue), Game.UsedBoardList()->FindAt(0, 0), 3, 3);
    lost->SetRelativeFilePath("Images/NoSuchChit.png");
    AddChit(*phase->ChitList(), "Bot", Solid(20, 20, Red), Game.UsedBoardList()->FindAt(0, 0), 6, 6);

    TMessageCapture capture;
    const QImage map = Renderer.BuildMapPicture(Game, 0, 0);
    ASSERT_EQ(map.size(), QSize(960, 480));
    EXPECT_FALSE(BoxOf(map, Red).isEmpty());
    EXPECT_TRUE(AllOf(map, QRect(480, 0, 480, 480), MapBackground));
    ASSERT_EQ(capture.Messages().size(), 1u);
    EXPECT_NE(capture.Messages()[0].find("NoSuchBoard.png"), std::string::npos);
    EXPECT_NE(capture.Messages()[0].find("Chit Lost"), std::string::npos);
    // Redrawing says nothing new: the window redraws whenever it comes to the front.
    Renderer.BuildMapPicture(Game, 0, 0);
    EXPECT_EQ(capture.Messages().size(), 1u);
    // The per-board file of the missing board is skipped; the others are written.
    const std::vector<std::string> written = Renderer.SaveImages(Game);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1], PhaseImagePath("", 0, 0, 0, 1));
}

TEST_F(RenderTest, DamagedChitSizesAreClampedAndReported)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoardList layout;
    TUsedBoard* placed = Place(layout, "Plain", 0, 0);
    TChitList chits;
    TChit* huge = AddChit(chits, "Huge", Solid(30, 20, Red), placed, 6, 6);
    TChit* negative = AddChit(chits, "Negative", Solid(30, 20, Blue), placed, 6, 6);
    huge->SetImageSizePercent(2000000000);
    negative->SetImageSizePercent(-50);

    TMessageCapture capture;
    QImage canvas = *placed->Picture();
    DrawChit(Renderer.Notes(), *huge, canvas, false, -1, -1);
    // At most the largest percentage, and never more than the side limit.
    EXPECT_EQ(ChitPixelWidth(*huge), 30 * MaxChitSizePercent / 100);
    EXPECT_EQ(BoxOf(canvas, Red).size(), QSize(300, 200));
    DrawChit(Renderer.Notes(), *negative, canvas, false, -1, -1);
    EXPECT_TRUE(BoxOf(canvas, Blue).isEmpty());
    EXPECT_EQ(ChitPixelWidth(*negative), 0);
    ASSERT_EQ(capture.Messages().size(), 2u);
    EXPECT_NE(capture.Messages()[0].find("Huge"), std::string::npos);
    EXPECT_NE(capture.Messages()[1].find("Negative"), std::string::npos);

    // A large picture is held to the side limit whatever its percentage.
    TChit* wide = AddChit(chits, "Wide", Solid(3000, 10, Green), placed, 6, 6);
    wide->SetImageSizePercent(500);
    EXPECT_LE(ChitPixelWidth(*wide), MaxChitPixelSide);
    EXPECT_GT(ChitPixelWidth(*wide), MaxChitPixelSide - 50);
}

TEST_F(GameRenderTest, HugeLayoutIsCutDownToWhatCanBeDrawn)
{
    AddBoard("Tiny", Solid(10, 10, Grey));
    PlaceInGame("Tiny", 0, 0);
    PlaceInGame("Tiny", 2000000000, 0);
    StartTurns(1, 0);
    TMessageCapture capture;
    const QSize size = MapPictureSize(*Game.UsedBoardList());
    EXPECT_LE(size.width(), MaxMapPictureSide);
    EXPECT_EQ(size.height(), 10);
    const QImage map = Renderer.BuildMapPicture(Game, 0, 0);
    EXPECT_EQ(map.size(), size);
    EXPECT_EQ(map.pixel(0, 0), Grey);
    ASSERT_FALSE(capture.Messages().empty());
    EXPECT_NE(capture.Messages()[0].find("too large"), std::string::npos);

    // Rows as well as columns: the picture stays within the pixel limit.
    PlaceInGame("Tiny", 0, 2000000000);
    const QSize both = MapPictureSize(*Game.UsedBoardList());
    EXPECT_LE(static_cast<long long>(both.width()) * both.height(), MaxMapPicturePixels);
    EXPECT_GT(both.height(), 10);
}

// ----------------------------------------------------------------------------- files

TEST_F(RenderTest, FileNamesFollowTheTurnPhaseAndCell)
{
    EXPECT_EQ(GameFolder("League"), Folder() + "League/");
    EXPECT_EQ(PhaseImagePath("League", -1, -1, 2, 3), Folder() + "League/3/Full - Turn 3, Phase 2.jpg");
    EXPECT_EQ(PhaseImagePath("League", 1, 0, 2, 3), Folder() + "League/3/(1, 0) - Turn 3, Phase 2.jpg");
    EXPECT_EQ(PhaseImagePath("League", 4, -1, 2, 3), Folder() + "League/3/Full - Turn 3, Phase 2.jpg");
    EXPECT_EQ(ScoreBoardImagePath("League", 3), Folder() + "League/Turn 3/Score Board Turn 3.jpg");
}

TEST(RenderFolder, GameNamesBecomeSafeFolderNames)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Names the new-game dialog accepts stay as they are.
        {"League", "League"},
        {"Sunday League 2", "Sunday League 2"},
        {"Game..2", "Game..2"},
        {".hidden", ".hidden"},
        {" spaced ", " spaced "},
        {"Liga \xc3\xa4\xc3\xb6\xc3\xbc \xe2\x82\xac", "Liga \xc3\xa4\xc3\xb6\xc3\xbc \xe2\x82\xac"},
        // Everything that could leave the folder, or that no folder can be named.
        {"../x", ".._x"},
        {"a/b", "a_b"},
        {"a\\b", "a_b"},
        {"/etc", "_etc"},
        {"..", "__"},
        {".", "_"},
        {"...", "___"},
        {"", "Unnamed Game"},
        {"tab\there", "tab_here"},
        {"line\nbreak\r", "line_break_"},
        {"C:\"x\"|y?*<>", "C__x__y____"},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(SafeFolderName(name), safe) << name;

    // One folder name holds at most 255 bytes; a character is never cut in half.
    EXPECT_EQ(SafeFolderName(std::string(300, 'x')), std::string(255, 'x'));
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xc3\xa4";
    const std::string cut = SafeFolderName(umlauts);
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_EQ(QString::fromStdString(cut).toStdString(), cut);
}

TEST(RenderFolder, GamesNamedLikeTheToolsOwnFilesGetAFolderOfTheirOwn)
{
    const std::string logName = QFileInfo(QString::fromStdString(DefaultLogFileName())).fileName().toStdString();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Images", "Images (game)"},
        {"images", "images (game)"},
        {"BOARDS.XML", "BOARDS.XML (game)"},
        {"Chits.xml", "Chits.xml (game)"},
        {"CoreProgramDeck.xml", "CoreProgramDeck.xml (game)"},
        {"BaseGameOptionDeck.xml", "BaseGameOptionDeck.xml (game)"},
        {"BoltsAndBlastersOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml (game)"},
        {"ProgramDeck.xml", "ProgramDeck.xml (game)"},
        {"BaseOptionDeck.xml", "BaseOptionDeck.xml (game)"},
        {"PhaseTemplate.txt", "PhaseTemplate.txt (game)"},
        {"turntemplate.TXT", "turntemplate.TXT (game)"},
        {"CoglineTurnGenerator", "CoglineTurnGenerator (game)"},
        {"CoglineTurnGenerator.log", "CoglineTurnGenerator.log (game)"},
        {logName, logName + " (game)"},
        // A name that already ends like a moved one moves too, so that no two games meet.
        {"Images (game)", "Images (game) (game)"},
        {"League (Game)", "League (Game) (game)"},
        // Names that only look alike stay as they are.
        {"Images2", "Images2"},
        {"My Images", "My Images"},
        {"Boards", "Boards"},
        {"League (games)", "League (games)"},
    };
    std::set<std::string> folders;
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(SafeFolderName(name), safe) << name;
        folders.insert(SafeFolderName(name));
    }
    EXPECT_EQ(folders.size(), cases.size());
    // A long name keeps its suffix within the 255 bytes of one folder name.
    const std::string cut = SafeFolderName(std::string(300, 'x') + " (game)");
    EXPECT_EQ(cut, std::string(248, 'x') + " (game)");
}

TEST_F(GameRenderTest, SaveImagesWritesTheMapAndEachBoardAsBaselineJpegs)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    AddBoard("Other", Solid(480, 480, Cyan));
    PlaceInGame("Plain", 0, 0);
    TUsedBoard* lower = PlaceInGame("Other", 0, 1);
    Game.SetGameName("League");
    TPhase* phase = StartTurns(4, 5);
    // Only the last turn's current phase is written.
    AddChit(*Game.CurrentTurn()->PhaseByNumber(4)->ChitList(), "Earlier", Solid(60, 60, Blue), lower, 3, 9);
    TChit* low = AddChit(*phase->ChitList(), "Low", Solid(60, 60, Red), lower, 3, 3);
    TChit* high = AddChit(*phase->ChitList(), "High", Solid(60, 60, Green), lower, 9, 9);
    low->SetDrawLayer(100);
    high->SetDrawLayer(101);
    Game.SetChitLayerLimit(100);

    // An earlier file of the same name is replaced.
    const std::string full = Folder() + "League/4/Full - Turn 4, Phase 5.jpg";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder() + "League/4")));
    {
        QFile old(QString::fromStdString(full));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("not a picture");
    }

    const std::vector<std::string> written = Renderer.SaveImages(Game);
    const std::vector<std::string> expected = {
        full, Folder() + "League/4/(0, 0) - Turn 4, Phase 5.jpg", Folder() + "League/4/(0, 1) - Turn 4, Phase 5.jpg"};
    EXPECT_EQ(written, expected);
    EXPECT_EQ(QDir(QString::fromStdString(Folder() + "League/4")).entryList(QDir::Files).size(), 3);

    const QPoint lowCentre(Centre(3, 480), Centre(3, 480));
    const QPoint highCentre(Centre(9, 480), Centre(9, 480));
    // The whole map hides the layer above the game's limit...
    const QImage map = ExpectBaselineJpeg(full, QSize(480, 960));
    EXPECT_TRUE(Near(map.pixel(lowCentre + QPoint(0, 480)), Red));
    EXPECT_TRUE(Near(map.pixel(highCentre + QPoint(0, 480)), Cyan));
    EXPECT_TRUE(Near(map.pixel(Centre(3, 480), 480 + Centre(9, 480)), Cyan));
    // ...while each board's file shows every chit.
    const QImage board = ExpectBaselineJpeg(expected[2], QSize(480, 480));
    EXPECT_TRUE(Near(board.pixel(lowCentre), Red));
    EXPECT_TRUE(Near(board.pixel(highCentre), Green));
    const QImage upper = ExpectBaselineJpeg(expected[1], QSize(480, 480));
    EXPECT_TRUE(Near(upper.pixel(240, 240), Grey));

    // With no limit the map shows every chit too.
    Game.SetChitLayerLimit(-1);
    Renderer.SaveImages(Game);
    EXPECT_TRUE(Near(ExpectBaselineJpeg(full, QSize(480, 960)).pixel(highCentre + QPoint(0, 480)), Green));
}

TEST_F(RenderTest, FailedWriteLeavesTheEarlierFileAlone)
{
    const std::string name = Folder() + "Out/picture.jpg";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder() + "Out")));
    {
        QFile old(QString::fromStdString(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    // Wider than any JPEG can be: the encoder refuses it.
    EXPECT_THROW(SaveJpegPicture(Solid(70000, 2, Grey), name), EImageError);
    EXPECT_EQ(ReadBytes(name), "earlier");
    EXPECT_EQ(QDir(QString::fromStdString(Folder() + "Out")).entryList(QDir::Files).size(), 1);
    EXPECT_THROW(SaveJpegPicture(QImage(), name), EImageError);
    EXPECT_EQ(ReadBytes(name), "earlier");

    // A grey picture is still written in colour; missing folders are made.
    QImage grey(64, 32, QImage::Format_Grayscale8);
    grey.fill(128);
    SaveJpegPicture(grey, Folder() + "New/Deeper/grey.jpg");
    ExpectBaselineJpeg(Folder() + "New/Deeper/grey.jpg", QSize(64, 32));
}

TEST_F(GameRenderTest, AFullDiskKeepsEveryPictureOfThePhaseAsItWas)
{
    AddBoard("Plain", Solid(240, 240, Grey));
    AddBoard("Other", Solid(240, 240, Cyan));
    PlaceInGame("Plain", 0, 0);
    TUsedBoard* right = PlaceInGame("Other", 1, 0);
    Game.SetGameName("League");
    TPhase* phase = StartTurns(1, 2);
    TChit* chit = AddChit(*phase->ChitList(), "Bot", Solid(40, 40, Red), right, 2, 2);
    const std::vector<std::string> files = Renderer.SaveImages(Game);
    ASSERT_EQ(files.size(), 3u);
    std::vector<std::string> earlier;
    for (const std::string& file : files)
        earlier.push_back(ReadBytes(file));

    // The disk fills up at each write in turn: no picture of the phase changes.
    chit->MoveEast();
    for (int full = 1; full <= 3; ++full) {
        SCOPED_TRACE(full);
        int writes = 0;
        THookScope<TWriteStep> disk(FileWriteStep(), [&](int descriptor, std::string_view bytes) {
            if (++writes < full)
                return WriteAndSync(descriptor, bytes);
            WriteAndSync(descriptor, bytes.substr(0, bytes.size() / 2));
            return ENOSPC;
        });
        try {
            Renderer.SaveImages(Game);
            ADD_FAILURE() << "written";
        } catch (const EFileError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message, "Cannot write file \"" + files[static_cast<std::size_t>(full - 1)]
                + "\". No space left on device. None of the 3 files was replaced.");
        }
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(ReadBytes(files[i]), earlier[i]) << files[i];
        EXPECT_EQ(QDir(QString::fromStdString(Folder() + "League/1")).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }
    // With room again, all three are replaced.
    Renderer.SaveImages(Game);
    EXPECT_NE(ReadBytes(files[2]), earlier[2]);
}

TEST_F(GameRenderTest, UnsafeGameNamesWriteOnlyBelowTheExecutablesFolder)
{
    AddBoard("Plain", Solid(240, 240, Grey));
    PlaceInGame("Plain", 0, 0);
    StartTurns(1, 0);
    for (const char* name : {"../x", "a/b", "..", "/tmp/abs", "..\\..\\y"}) {
        Game.SetGameName(name);
        const std::vector<std::string> written = Renderer.SaveImages(Game);
        ASSERT_EQ(written.size(), 2u) << name;
        const QString base = QFileInfo(QString::fromStdString(Folder())).canonicalFilePath() + "/";
        for (const std::string& file : written)
            EXPECT_TRUE(QFileInfo(QString::fromStdString(file)).canonicalFilePath().startsWith(base)) << file;
    }
    // Nothing anywhere else in the temporary folder.
    QDirIterator it(QString::fromStdString(Root()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        EXPECT_TRUE(file.startsWith(QString::fromStdString(Folder()))) << file.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Root() + "x")));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + ".._x/1/Full - Turn 1, Phase 0.jpg")));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + "a_b/1/(0, 0) - Turn 1, Phase 0.jpg")));
}

TEST_F(GameRenderTest, SaveImagesWithoutATurnWritesNothing)
{
    AddBoard("Plain", Solid(240, 240, Grey));
    PlaceInGame("Plain", 0, 0);
    Game.SetGameName("League");
    EXPECT_TRUE(Renderer.SaveImages(Game).empty());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Folder() + "League")));
}

// ----------------------------------------------------------------------------- shown map and designer grid

TEST(RenderView, ZoomGivesCellsOf190PixelsPerLevel)
{
    EXPECT_EQ(ShownCellPixels(0), 190);
    EXPECT_EQ(ShownCellPixels(1), 380);
    EXPECT_EQ(ShownCellPixels(-3), 190);
    EXPECT_GT(ShownCellPixels(2147483647), 0);
    // The designer opens at zoom 1; zooming out twice gives 190-pixel cells and stops there.
    EXPECT_EQ(ShownCellPixels(ZoomedOut(ZoomedOut(1))), 190);
    EXPECT_EQ(ZoomedOut(0), 0);
    EXPECT_EQ(ZoomedIn(ZoomedIn(0)), 2);
    EXPECT_EQ(ShownMapArea(2, 1, 0), QSize(380, 190));
    EXPECT_EQ(ShownMapArea(2, 1, 2), QSize(1140, 570));
    EXPECT_EQ(ShownMapArea(0, 0, 0), QSize(0, 0));
    EXPECT_EQ(DesignerGridExtent(3, 2, 380, 1), QSize(1143, 762));
}

TEST(RenderView, ShownSizeKeepsTheMapsProportions)
{
    // A client larger both ways shows the control's size.
    EXPECT_EQ(ShownMapSize(QSize(380, 190), QSize(500, 300), 2, 1), QSize(380, 190));
    // Otherwise the width decides, unless the height in proportion does not fit the client.
    EXPECT_EQ(ShownMapSize(QSize(400, 300), QSize(300, 250), 2, 1), QSize(400, 200));
    EXPECT_EQ(ShownMapSize(QSize(400, 150), QSize(300, 100), 2, 1), QSize(300, 150));
    EXPECT_EQ(ShownMapSize(QSize(400, 150), QSize(300, 100), 0, 0), QSize(400, 150));
}

TEST_F(RenderTest, PointOnTheShownMapFindsItsSquareOnTurnedBoards)
{
    AddBoard("Big", Solid(1164, 1164, Grey), false);
    TUsedBoardList layout;
    Place(layout, "Big", 0, 0);
    Place(layout, "Big", 1, 0, 1);
    Place(layout, "Big", 1, 1);

    struct Case {
        QPoint Point;
        QSize Shown;
        const char* Board;
        int X, Y;
    };
    // Square (3, 8) of the left board: column 3, row 8 of twelve 190 / 12-pixel squares. On the
    // board turned once, square (3, 5) shows in column 8, row 3.
    const std::vector<Case> cases = {
        {{40, 120}, {380, 380}, "0_0", 3, 8},
        {{80, 240}, {760, 760}, "0_0", 3, 8},
        {{190 + 118, 40}, {380, 380}, "1_0", 3, 5},
        {{380 + 236, 80}, {760, 760}, "1_0", 3, 5},
        {{190 + 5, 190 + 5}, {380, 380}, "1_1", 1, 1},
    };
    for (const Case& c : cases) {
        const TMapSquare square = SquareAtShownPoint(layout, c.Point, c.Shown);
        ASSERT_TRUE(square) << c.Point.x() << "," << c.Point.y();
        EXPECT_EQ(square.UsedBoard->ID(), c.Board);
        EXPECT_EQ(QPoint(square.Node->X(), square.Node->Y()), QPoint(c.X, c.Y)) << c.Point.x() << "," << c.Point.y();
        EXPECT_EQ(UsedBoardAtShownPoint(layout, c.Point, c.Shown), square.UsedBoard);
    }
    // The empty cell, points off the shown map and a map shown at no size give nothing.
    for (QPoint point : {QPoint(40, 250), QPoint(-1, 10), QPoint(380, 10), QPoint(10, 380)})
        EXPECT_FALSE(SquareAtShownPoint(layout, point, QSize(380, 380))) << point.x() << "," << point.y();
    EXPECT_FALSE(SquareAtShownPoint(layout, QPoint(0, 0), QSize(0, 0)));
    EXPECT_FALSE(SquareAtShownPoint(TUsedBoardList(), QPoint(0, 0), QSize(380, 380)));
}

TEST_F(RenderTest, PointInTheDesignerGridFindsItsCellAndSquare)
{
    AddBoard("Big", Solid(1164, 1164, Grey), false);
    TUsedBoardList layout;
    TUsedBoard* plain = Place(layout, "Big", 0, 0);
    TUsedBoard* turned = Place(layout, "Big", 1, 0, 1);

    const TGridCellPoint hit = DesignerCellAt(QPoint(381 + 40, 80), 380, 1);
    ASSERT_TRUE(hit);
    EXPECT_EQ(QPoint(hit.Col, hit.Row), QPoint(1, 0));
    EXPECT_EQ(hit.InCell, QPoint(40, 80));
    // On a grid line, or left of the grid, there is no cell.
    EXPECT_FALSE(DesignerCellAt(QPoint(380, 5), 380, 1));
    EXPECT_FALSE(DesignerCellAt(QPoint(5, 380), 380, 1));
    EXPECT_FALSE(DesignerCellAt(QPoint(-1, 5), 380, 1));
    EXPECT_TRUE(DesignerCellAt(QPoint(380, 5), 380, 0));

    // Column 2, row 3 of the cell: square (2, 3), or (3, 11) under a board turned once.
    TBoardNode* node = DesignerSquareAt(*plain, hit.InCell, 380);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(QPoint(node->X(), node->Y()), QPoint(2, 3));
    node = DesignerSquareAt(*turned, hit.InCell, 380);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(QPoint(node->X(), node->Y()), QPoint(3, 11));
    EXPECT_EQ(DesignerSquareAt(*plain, QPoint(380, 10), 380), nullptr);
    TUsedBoard unknown(&Catalogue, nullptr, 2, 0);
    EXPECT_EQ(DesignerSquareAt(unknown, hit.InCell, 380), nullptr);
}

// ----------------------------------------------------------------------------- redraw into a kept picture

namespace {

// Qt's own writer at the settings of the tool's files, for comparing bytes.
std::string QtJpegBytes(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    EXPECT_TRUE(writer.write(picture)) << writer.errorString().toStdString();
    return bytes.toStdString();
}

// A picture with a see-through middle, to be drawn over what lies under it.
QImage SeeThrough(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    for (int y = height / 4; y < height * 3 / 4; ++y)
        for (int x = width / 4; x < width * 3 / 4; ++x)
            image.setPixel(x, y, qRgba(qRed(colour), qGreen(colour), qBlue(colour), 96));
    return image;
}

// A map of every kind of cell: boards that fill their cell (turned too), a see-through one, a
// smaller one that is stretched, and an empty cell; chits of three layers, see-through ones,
// one hanging over its board's edge and archive markers that share a square.
class MapRedrawTest : public GameRenderTest {
protected:
    void SetUp() override
    {
        GameRenderTest::SetUp();
        AddBoard("NoiseA", Noise(240, 240, 1));
        AddBoard("NoiseB", Noise(240, 240, 2));
        AddBoard("Glass", SeeThrough(240, 240, Blue));
        AddBoard("Small", Noise(120, 120, 3));
        // The first row holds only boards that fill their cells, the second the others and an
        // empty cell: the map's file is written in strips for one and whole for the other.
        TUsedBoard* a = PlaceInGame("NoiseA", 0, 0);
        TUsedBoard* b = PlaceInGame("NoiseB", 1, 0, 1);
        TUsedBoard* c = PlaceInGame("NoiseA", 2, 0, 2);
        TUsedBoard* glass = PlaceInGame("Glass", 0, 1);
        TUsedBoard* small = PlaceInGame("Small", 1, 1);
        Phase = StartTurns(1, 2);
        Phase0 = Game.CurrentTurn()->PhaseByNumber(0);
        TChitList& chits = *Phase->ChitList();
        Course = AddChit(chits, "Pit", Noise(30, 30, 4), a, 4, 4);
        Robot = AddChit(chits, "ZoomBot", Solid(24, 16, Yellow), a, 6, 7);
        Robot->SetDrawLayer(150);
        Robot->SetChitFacing(cfEast);
        AddChit(chits, "Flag1", SeeThrough(20, 20, Red), b, 3, 9)->SetDrawLayer(50);
        TChit* edge = AddChit(chits, "Wall", Solid(40, 12, Magenta), a, 12, 5);
        edge->SetImagePixelShiftX(14);
        AddChit(chits, "Ghost", SeeThrough(30, 30, Green), glass, 6, 6)->SetDrawLayer(120);
        AddChit(chits, "Crate", Noise(26, 26, 5), small, 2, 11)->SetImageSizePercent(150);
        AddChit(chits, "Beacon", Solid(18, 18, Cyan), c, 9, 3)->SetChitFacing(cfSouth);
        TBot* zoom = Game.BotList()->FindByType(btZoomBot);
        TBot* hammer = Game.BotList()->FindByType(btHammerBot);
        ASSERT_TRUE(zoom && hammer);
        zoom->SetInUseFlag(true);
        hammer->SetInUseFlag(true);
        AddChit(chits, "ZoomBotArchive", Solid(16, 16, Red), c, 5, 5)->SetDrawLayer(130);
        AddChit(chits, "HammerBot", Solid(16, 16, Blue), c, 8, 8)->SetDrawLayer(140);
        AddChit(chits, "HammerBotArchive", Solid(16, 16, Green), c, 5, 5)->SetDrawLayer(130);
        AddChit(chits, "ZoomBotDestroyed", Solid(22, 22, Magenta))->SetDrawLayer(150);
        Phase0->CopyChitsFrom(chits);
    }

    // The map as its rules say it is made: each board a copy of its turned picture with the
    // phase's chits drawn on it, put into its cell less the cell's last column and row (see-
    // through boards over the background, smaller ones stretched), the rest background.
    QImage ExpectedMap(int phaseNumber)
    {
        const QSize cell = MapCellSize(*Game.UsedBoardList());
        QImage map(MapPictureSize(*Game.UsedBoardList()), QImage::Format_RGB32);
        map.fill(MapBackground);
        QPainter painter(&map);
        TPhase* phase = Game.CurrentTurn()->PhaseByNumber(phaseNumber);
        for (int i = 0; i < Game.UsedBoardList()->Count(); ++i) {
            const TUsedBoard& placed = *Game.UsedBoardList()->Items(i);
            QImage board = *placed.Picture();
            Renderer.DrawPhaseChits(*phase, board, placed, Game.ChitLayerLimit(), Game.BotList());
            const QRect target(placed.X() * cell.width(), placed.Y() * cell.height(), cell.width() - 1, cell.height() - 1);
            if (board.size() == cell)
                painter.drawImage(target.topLeft(), board, QRect(QPoint(0, 0), target.size()));
            else
                painter.drawImage(target, board);
        }
        return map;
    }

    TPhase* Phase = nullptr;
    TPhase* Phase0 = nullptr;
    TChit* Course = nullptr;
    TChit* Robot = nullptr;
};

} // namespace

TEST_F(MapRedrawTest, RedrawIntoAKeptPictureEqualsAFreshMapAndReusesItsMemory)
{
    QImage shown;
    Renderer.BuildMapPicture(Game, 0, 0, shown);
    ASSERT_EQ(shown.size(), QSize(720, 480));
    const uchar* memory = shown.constBits();

    // Whatever the picture showed before is drawn over: another phase, chits moved, the layer
    // limit switched on and off.
    const std::vector<std::function<void()>> changes = {
        [] {},
        [this] { Robot->MoveEast(); },
        [this] { Game.SetChitLayerLimit(100); },
        [this] { Course->Tweak(-9, 5); },
        [this] { Game.SetChitLayerLimit(-1); },
        [this] { Robot->SetChitFacing(cfWest); Robot->SetImageSizePercent(180); },
        [this] { Game.BotList()->FindByType(btZoomBot)->SetDamage(10); },
    };
    int step = 0;
    for (const auto& change : changes) {
        change();
        Renderer.BuildMapPicture(Game, 0, 2, shown);
        EXPECT_EQ(shown.constBits(), memory) << "step " << step;
        const QImage expected = ExpectedMap(2);
        EXPECT_EQ(shown, expected) << "step " << step;
        TMapRenderer fresh;
        EXPECT_EQ(fresh.BuildMapPicture(Game, 0, 2), expected) << "step " << step;
        Renderer.BuildMapPicture(Game, 0, 0, shown);
        EXPECT_EQ(shown, ExpectedMap(0)) << "step " << step;
        ++step;
    }

    // A picture someone else shares is left to them; one of another size is replaced.
    const QImage held = shown;
    Renderer.BuildMapPicture(Game, 0, 2, shown);
    EXPECT_EQ(held, ExpectedMap(0));
    EXPECT_EQ(shown, ExpectedMap(2));
    QImage other(10, 10, QImage::Format_RGB32);
    Renderer.BuildMapPicture(Game, 0, 2, other);
    EXPECT_EQ(other, ExpectedMap(2));
    // An empty map leaves no picture.
    TGame empty;
    Renderer.BuildMapPicture(empty, 0, 0, other);
    EXPECT_TRUE(other.isNull());
}

TEST_F(MapRedrawTest, ChitsErasedFromTheRedrawnMapLeaveWhatWasUnderThem)
{
    QImage shown;
    Renderer.BuildMapPicture(Game, 0, 0, shown); // first drawn into some other phase
    Renderer.BuildMapPicture(Game, 0, 2, shown);
    const QImage withChits = shown.copy();

    // The top chit erased: the map as if it had never stood there.
    EraseChit(*Robot, shown, true);
    const QImage withoutRobot = shown.copy();
    const int layer = Robot->DrawLayer();
    Robot->SetDrawLayer(10000);
    Game.SetChitLayerLimit(1000);
    EXPECT_EQ(withoutRobot, TMapRenderer().BuildMapPicture(Game, 0, 2));
    Game.SetChitLayerLimit(-1);
    Robot->SetDrawLayer(layer);

    // Drawn again by an edit, erased again: each time the same pixels.
    Tweak(Renderer.Notes(), *Robot, 0, 0, shown, true);
    EXPECT_EQ(shown, withChits);
    EraseChit(*Robot, shown, true);
    EXPECT_EQ(shown, withoutRobot);
    Tweak(Renderer.Notes(), *Robot, 7, -3, shown, true);
    EXPECT_NE(shown, withoutRobot);
    RotateRight(Renderer.Notes(), *Robot, shown, true);
    MoveSouth(Renderer.Notes(), *Robot, shown, true);
    EraseChit(*Robot, shown, true);
    EXPECT_EQ(shown, withoutRobot);

    // Every chit keeps what it covered on its board's own picture, the one hanging over its
    // board's edge too: erasing it from the redrawn map gives what erasing it from a map put
    // together from separately drawn boards gives.
    for (const char* id : {"Wall", "Pit", "Flag1", "Ghost", "Crate", "Beacon", "ZoomBotArchive", "HammerBotArchive"}) {
        TChit* chit = Phase->ChitList()->FindByID(id);
        ASSERT_NE(chit, nullptr) << id;
        Renderer.BuildMapPicture(Game, 0, 2, shown);
        EraseChit(*chit, shown, true);
        QImage expected = ExpectedMap(2);
        EraseChit(*chit, expected, true);
        EXPECT_EQ(shown, expected) << id;
    }

    // With the layer limit on, the hidden robot covers nothing and the course chit under it is
    // erased to the bare board.
    Game.SetChitLayerLimit(100);
    Renderer.BuildMapPicture(Game, 0, 2, shown);
    EXPECT_TRUE(Robot->SaveUnder().isNull());
    EraseChit(*Course, shown, true);
    Course->TakeOffMap();
    EXPECT_EQ(shown, TMapRenderer().BuildMapPicture(Game, 0, 2));
}

TEST_F(MapRedrawTest, SaveImagesWritesWhatQtsWriterMakesOfTheMapAndEachBoard)
{
    Game.SetGameName("League");
    Game.CurrentTurn()->SetCurrentPhaseNumber(2);
    for (int limit : {-1, 100}) {
        Game.SetChitLayerLimit(limit);
        const std::vector<std::string> written = Renderer.SaveImages(Game);
        ASSERT_EQ(written.size(), 6u);
        // The chits keep what they covered on the map, as a redraw leaves them.
        struct TUnder {
            QImage Pixels;
            QPoint At;
            QPoint Cell;
        };
        std::map<std::string, TUnder> unders;
        TChitList& chits = *Phase->ChitList();
        for (int i = 0; i < chits.Count(); ++i) {
            TChit& chit = *chits.Items(i);
            unders[chit.ID()] = {chit.SaveUnder(), chit.SaveUnderAt(), chit.SaveUnderCell()};
        }
        QImage redrawn;
        Renderer.BuildMapPicture(Game, 0, 2, redrawn);
        for (int i = 0; i < chits.Count(); ++i) {
            TChit& chit = *chits.Items(i);
            const TUnder& under = unders[chit.ID()];
            EXPECT_EQ(chit.SaveUnder(), under.Pixels) << chit.ID() << ", limit " << limit;
            EXPECT_EQ(chit.SaveUnderAt(), under.At) << chit.ID();
            EXPECT_EQ(chit.SaveUnderCell(), under.Cell) << chit.ID();
        }

        EXPECT_EQ(ReadBytes(written[0]), QtJpegBytes(ExpectedMap(2))) << "limit " << limit;
        for (int i = 0; i < Game.UsedBoardList()->Count(); ++i) {
            const TUsedBoard& placed = *Game.UsedBoardList()->Items(i);
            EXPECT_EQ(written[static_cast<std::size_t>(i) + 1],
                PhaseImagePath("League", placed.X(), placed.Y(), 2, 1));
            QImage board = *placed.Picture();
            Renderer.DrawPhaseChits(*Phase, board, placed, -1, Game.BotList());
            EXPECT_EQ(ReadBytes(written[static_cast<std::size_t>(i) + 1]), QtJpegBytes(board))
                << "limit " << limit << ", board " << i;
        }
    }
}

TEST(RenderJpeg, EncodedBytesAreThoseOfQtsWriter)
{
    QImage noise = Noise(333, 77, 9);
    QImage odd = Noise(17, 9, 10);
    odd.setDotsPerMeterX(2835);
    odd.setDotsPerMeterY(11811);
    odd.setText("Comment", "drawn by the tool");
    odd.setText("Note", QString::fromUtf8("two\nlines, \xc3\xa9"));
    QImage density = Noise(40, 40, 11);
    density.setDotsPerMeterX(1000);
    density.setDotsPerMeterY(2922);
    QImage seeThrough = SeeThrough(64, 48, Magenta);
    for (const QImage& picture : {noise, odd, density, seeThrough, Solid(1, 1, Grey)}) {
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888,
                 QImage::Format_Grayscale8, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBX8888}) {
            const QImage converted = picture.convertToFormat(format);
            const QImage written = TJpegWriter::TakesFormat(format) ? converted : converted.convertToFormat(QImage::Format_RGB888);
            EXPECT_EQ(EncodeJpeg(converted), QtJpegBytes(written))
                << picture.width() << " x " << picture.height() << ", format " << format;
        }
    }
    // Written in parts, and from within a larger picture: the same bytes.
    const QImage large = Noise(500, 300, 12);
    const QRect part(37, 21, 333, 77);
    TJpegWriter writer(part.width(), part.height(), QImage::Format_RGB32, odd);
    for (int top = part.top(); top <= part.bottom(); top += 10)
        writer.WriteRows(large, part.left(), top, std::min(10, part.bottom() + 1 - top));
    QImage expected = large.copy(part);
    expected.setDotsPerMeterX(odd.dotsPerMeterX());
    expected.setDotsPerMeterY(odd.dotsPerMeterY());
    for (const QString& key : odd.textKeys())
        expected.setText(key, odd.text(key));
    EXPECT_EQ(writer.Finish(), QtJpegBytes(expected));
    EXPECT_THROW(TJpegWriter(0, 10, QImage::Format_RGB32, large), EImageError);
    EXPECT_THROW(TJpegWriter(10, 10, QImage::Format_Grayscale8, large), EImageError);
    EXPECT_THROW(TJpegWriter(70000, 2, QImage::Format_RGB32, large), EImageError);
}
