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
#include <QFileInfo>
#include <QImage>
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
#include <tuple>
#include <vector>

namespace {

// ----------------------------------------------------------------------------- picture helpers

constexpr QRgb Grey = 0xff808080, Red = 0xffff0000, Green = 0xff00ff00, Blue = 0xff0000ff, Yellow = 0xffffff00,
              Magenta = 0xffff00ff, Cyan = 0xff00ffff;

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

// The smallest rectangle holding every pixel of exactly that colour; empty when there is none.
QRect BoxOf(const QImage& image, QRgb colour)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if ((line[x] | 0xff000000u) == (colour | 0xff000000u))
                box |= QRect(x, y, 1, 1);
    }
    return box;
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

// Where the chit is drawn on its board's picture and how large, nudge and slot not included.
QRect ChitRect(const TChit& chit)
{
    return QRect(ChitPixelLeft(chit), ChitPixelTop(chit), ChitPixelWidth(chit), ChitPixelHeight(chit));
}

// ----------------------------------------------------------------------------- JPEG files

// Qt's own writer at the settings of the tool's files: the encoder's reference.
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

// ----------------------------------------------------------------------------- fixtures

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
        ASSERT_TRUE(SavePictureFile(Folder() + relativePath, image));
    }

    // A board whose squares are fitted to its picture: square n of size/12 pixels has its
    // centre at (2n - 1) x size / 24.
    TBoard* AddBoard(const std::string& id, const QImage& picture, bool fitSquares = true)
    {
        SavePicture("Images/" + id + ".png", picture);
        TBoard* board = Catalogue.AddBoard(id, "Images/" + id + ".png");
        for (int x = 1; fitSquares && x <= 12; ++x)
            for (int y = 1; y <= 12; ++y) {
                board->NodeAt(x, y)->SetImageCenterX(Centre(x, picture.width()));
                board->NodeAt(x, y)->SetImageCenterY(Centre(y, picture.height()));
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

// One grey board of 480 pixels placed at (0, 0), and a list for the chits on it.
class BoardRenderTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        AddBoard("Plain", Solid(480, 480, Grey));
        Placed = Place(Layout, "Plain", 0, 0);
    }

    TUsedBoardList Layout;
    TUsedBoard* Placed = nullptr;
    TChitList Chits;
};

// A game whose boards are placed one by one and whose one turn stands at the given phase.
class GameRenderTest : public RenderTest {
protected:
    TPhase* StartTurn(int phase)
    {
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

// ----------------------------------------------------------------------------- one chit

TEST_F(BoardRenderTest, ChitFacingTurnsThePictureAndSwapsItsSides)
{
    // 40 x 20: red left half, blue right half; the stored picture faces north.
    QImage picture = Solid(40, 20, Red);
    QPainter(&picture).fillRect(20, 0, 20, 20, Blue);
    TChit* chit = AddChit(Chits, "Arrow", picture, Placed, 5, 6);
    const int cx = Centre(5, 480), cy = Centre(6, 480);

    struct Case { TChitFacing Facing; QRect RedBox; QRect BlueBox; };
    const std::vector<Case> cases = {
        {cfNorth, QRect(cx - 20, cy - 10, 20, 20), QRect(cx, cy - 10, 20, 20)},
        {cfEast, QRect(cx - 10, cy - 20, 20, 20), QRect(cx - 10, cy, 20, 20)}, // left half turned to the top
        {cfSouth, QRect(cx, cy - 10, 20, 20), QRect(cx - 20, cy - 10, 20, 20)},
        {cfWest, QRect(cx - 10, cy, 20, 20), QRect(cx - 10, cy - 20, 20, 20)},
    };
    for (const Case& c : cases) {
        chit->SetChitFacing(c.Facing);
        QImage canvas = *Placed->Picture();
        DrawChit(Renderer.Notes(), *chit, canvas, false, -1, -1);
        EXPECT_EQ(BoxOf(canvas, Red), c.RedBox) << "facing " << c.Facing;
        EXPECT_EQ(BoxOf(canvas, Blue), c.BlueBox) << "facing " << c.Facing;
    }

    EXPECT_EQ(ChitRect(*chit), QRect(cx - 10, cy - 20, 20, 40)); // facing west
    chit->SetImageSizePercent(50);
    EXPECT_EQ(ChitRect(*chit), QRect(cx - 5, cy - 10, 10, 20));
    // Without a placed board the sides are not exchanged and there is no corner.
    chit->TakeOffMap();
    EXPECT_EQ(ChitRect(*chit), QRect(-1, -1, 20, 10));
}

TEST_F(BoardRenderTest, SizeNudgeAndCellOffsetPlaceTheChit)
{
    TUsedBoard* right = Place(Layout, "Plain", 1, 0);
    TChit* chit = AddChit(Chits, "Box", Solid(100, 100, Red), right, 4, 9);
    chit->SetImageSizePercent(29); // 29% of 100 pixels is 29, not 28
    chit->SetImagePixelShiftX(7);
    chit->SetImagePixelShiftY(-3);
    const QRect onBoard(Centre(4, 480) - 14 + 7, Centre(9, 480) - 14 - 3, 29, 29);
    QImage board = *right->Picture();
    DrawChit(Renderer.Notes(), *chit, board, false, -1, -1);
    EXPECT_EQ(BoxOf(board, Red), onBoard);
    // On the whole map the chit's cell origin is added.
    QImage map = Solid(960, 480, Grey);
    DrawChit(Renderer.Notes(), *chit, map, true, -1, -1);
    EXPECT_EQ(BoxOf(map, Red), onBoard.translated(480, 0));
}

TEST_F(BoardRenderTest, SlotsPushAMarkerAwayFromTheCentreOfItsSquare)
{
    TChit* marker = AddChit(Chits, "Marker", Solid(30, 30, Green), Placed, 6, 6);
    auto boxAt = [&](int slot) {
        QImage canvas = *Placed->Picture();
        DrawChit(Renderer.Notes(), *marker, canvas, false, -1, slot);
        return BoxOf(canvas, Green);
    };
    const QRect centred = boxAt(-1);
    ASSERT_EQ(centred, QRect(Centre(6, 480) - 15, Centre(6, 480) - 15, 30, 30));
    // Slots 0 and 1 lower left and right, 2 and 3 middle, 4 and 5 upper, 6 lower and 7 upper
    // centre: each marker's outer edge 45 pixels from the centre, 30 pixels out for 30 pixels.
    const std::vector<std::pair<int, QPoint>> slotCases = {{0, {-30, 30}}, {1, {30, 30}}, {2, {-30, 0}},
        {3, {30, 0}}, {4, {-30, -30}}, {5, {30, -30}}, {6, {0, 30}}, {7, {0, -30}}, {-5, {0, 0}}};
    for (const auto& [slot, offset] : slotCases)
        EXPECT_EQ(boxAt(slot), centred.translated(offset)) << "slot " << slot;
    // A larger marker moves less, so that its outer edge stays where the small one's is.
    EXPECT_EQ(ChitSlotOffset(0, 50, 40), QPoint(-20, 25));
}

TEST_F(BoardRenderTest, ChitsAboveTheLayerLimitOrOffTheirBoardAreNotDrawnAndCoverNothing)
{
    TChit* low = AddChit(Chits, "Low", Solid(20, 20, Red), Placed, 3, 3);
    TChit* high = AddChit(Chits, "High", Solid(20, 20, Blue), Placed, 8, 8);
    low->SetDrawLayer(100);
    high->SetDrawLayer(101);
    QImage canvas = *Placed->Picture();
    DrawChit(Renderer.Notes(), *low, canvas, false, 100, -1);
    DrawChit(Renderer.Notes(), *high, canvas, false, 100, -1);
    EXPECT_FALSE(BoxOf(canvas, Red).isEmpty());
    EXPECT_TRUE(BoxOf(canvas, Blue).isEmpty());

    // Nor is a chit whose placed board, or square, does not resolve: what it covered when it
    // was drawn before is not put back either.
    const QImage original = Noise(480, 480, 9);
    for (const auto& [usedBoardID, x] : {std::pair {"5_5", 6}, std::pair {"0_0", 13}}) {
        high->UsedBoardRef()->SetID(usedBoardID);
        high->SetX(x);
        canvas = original;
        DrawChit(Renderer.Notes(), *high, canvas, false, -1, -1);
        EXPECT_EQ(canvas, original) << usedBoardID;
        EraseChit(*high, canvas, false);
        EXPECT_EQ(canvas, original) << usedBoardID;
    }
}

TEST_F(BoardRenderTest, EraseRestoresTheCanvasPixelForPixel)
{
    TChit* chit = AddChit(Chits, "Odd", Noise(37, 23, 7), Place(Layout, "Plain", 1, 0), 6, 6);
    struct Case { const char* Name; int X, Y, Slot, ShiftX; TChitFacing Facing; bool FullMap; };
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

// ----------------------------------------------------------------------------- editing on a canvas

TEST_F(BoardRenderTest, EditingStepsEraseTheChitAndDrawItWhereItNowStands)
{
    TChit* chit = AddChit(Chits, "Bot", Solid(20, 10, Red), Placed, 6, 6);
    TDrawNotes& notes = Renderer.Notes();
    using TStep = std::function<void(QImage&)>;
    auto step = [&notes, chit](void (*edit)(TDrawNotes&, TChit&, QImage&, bool)) {
        return [&notes, chit, edit](QImage& canvas) { edit(notes, *chit, canvas, false); };
    };
    struct Case { const char* Name; QPoint From; std::vector<TStep> Steps; QPoint To; TChitFacing Facing = cfNorth; QPoint Shift {}; };
    // Onto and off the outer ring each way, and every other kind of step.
    const std::vector<Case> cases = {
        {"north from row 2", {6, 2}, {step(MoveNorth)}, {6, 1}},
        {"south from row 11", {6, 11}, {step(MoveSouth)}, {6, 12}},
        {"west from column 12", {12, 6}, {step(MoveWest)}, {11, 6}},
        {"east from column 1", {1, 6}, {step(MoveEast)}, {2, 6}},
        {"turned right, then left twice", {6, 6}, {step(RotateRight), step(RotateLeft), step(RotateLeft)}, {6, 6}, cfWest},
        {"nudged", {6, 6}, {[&](QImage& canvas) { Tweak(notes, *chit, 5, -4, canvas, false); }}, {6, 6}, cfNorth, {5, -4}},
        {"larger", {6, 6}, {[&](QImage& canvas) { EXPECT_TRUE(SetSizePercent(notes, *chit, 200, canvas, false)); }}, {6, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        chit->SetX(c.From.x());
        chit->SetY(c.From.y());
        chit->SetChitFacing(cfNorth);
        chit->SetImagePixelShiftX(0);
        chit->SetImagePixelShiftY(0);
        chit->SetImageSizePercent(100);
        QImage canvas = *Placed->Picture();
        DrawChit(notes, *chit, canvas, false, -1, -1);
        for (const TStep& edit : c.Steps)
            edit(canvas);
        EXPECT_EQ(QPoint(chit->X(), chit->Y()), c.To);
        EXPECT_EQ(chit->ChitFacing(), c.Facing);
        EXPECT_EQ(QPoint(chit->ImagePixelShiftX(), chit->ImagePixelShiftY()), c.Shift);
        // The chit alone where it now stands, as drawing its new state shows it: everything else
        // on the canvas is as it was.
        QImage expected = *Placed->Picture();
        DrawChit(notes, *chit, expected, false, -1, -1);
        EXPECT_EQ(canvas, expected);
    }
    EXPECT_EQ(chit->ImageSizePercent(), 200);
    // The same size again is no step.
    QImage canvas;
    EXPECT_FALSE(SetSizePercent(notes, *chit, 200, canvas, false));
}

TEST_F(GameRenderTest, MoveOntoTheNextBoardDrawsTheChitThereOnTheWholeMap)
{
    AddBoard("Left", Solid(480, 480, Grey));
    AddBoard("Right", Solid(480, 480, Cyan));
    TUsedBoard* left = PlaceInGame("Left", 0, 0);
    TUsedBoard* right = PlaceInGame("Right", 1, 0, 1);
    TChit* chit = AddChit(*StartTurn(0)->ChitList(), "Bot", Solid(24, 24, Yellow), left, 12, 5);

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
    chit->PlaceAt(left, 12, 5);
    QImage board = *left->Picture();
    DrawChit(Renderer.Notes(), *chit, board, false, -1, -1);
    MoveEast(Renderer.Notes(), *chit, board, false);
    EXPECT_EQ(chit->UsedBoardID(), "1_0");
    EXPECT_EQ(board, *left->Picture());
}

// ----------------------------------------------------------------------------- phases

TEST_F(BoardRenderTest, ArchiveMarkersOnOneInnerSquareTakeSlotsInListOrder)
{
    TBotList bots;
    const QRect centred(Centre(6, 480) - 15, Centre(6, 480) - 15, 30, 30);
    // Markers of robots 0, 2 and 5 of the bot list: whatever their robots, they take slots 0, 1
    // and 2 (lower left, lower right, middle left) in list order.
    const std::pair<const char*, QRgb> hammer {"HammerBotArchive", Red}, spin {"SpinBotArchive", Green},
        twitch {"TwitchArchive", Blue};
    const QPoint offsets[] = {{-30, 30}, {30, 30}, {-30, 0}};
    for (const auto& order : {std::vector {hammer, spin, twitch}, std::vector {twitch, hammer, spin}}) {
        TPhase phase;
        for (const auto& [id, colour] : order)
            AddChit(*phase.ChitList(), id, Solid(30, 30, colour), Placed, 6, 6);
        // Not an archive marker: stays centred, and takes no slot from the markers.
        AddChit(*phase.ChitList(), "Flag1", Solid(10, 10, Yellow), Placed, 6, 6);
        QImage canvas = *Placed->Picture();
        Renderer.DrawPhaseChits(phase, canvas, *Placed, -1, &bots);
        for (std::size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(BoxOf(canvas, order[i].second), centred.translated(offsets[i])) << order[i].first;
        EXPECT_EQ(BoxOf(canvas, Yellow), centred.adjusted(10, 10, -10, -10));
    }

    // On the outer ring the markers stay centred: the last drawn covers the others.
    TPhase phase;
    for (const auto& [id, colour] : {hammer, spin, twitch})
        AddChit(*phase.ChitList(), id, Solid(30, 30, colour), Placed, 1, 7);
    QImage canvas = *Placed->Picture();
    Renderer.DrawPhaseChits(phase, canvas, *Placed, -1, &bots);
    EXPECT_EQ(BoxOf(canvas, Blue), QRect(Centre(1, 480) - 15, Centre(7, 480) - 15, 30, 30));
    EXPECT_TRUE(BoxOf(canvas, Red).isEmpty());
    EXPECT_TRUE(BoxOf(canvas, Green).isEmpty());
}

TEST_F(BoardRenderTest, PhaseChitsAreDrawnByLayerWithEachRobotInItsState)
{
    TUsedBoard* other = Place(Layout, "Plain", 1, 0);
    TBotList bots;
    bots.FindByType(btZoomBot)->SetBotActivityLevel(alShutDown);
    TPhase phase;
    TChitList& chits = *phase.ChitList();
    AddChit(chits, "Top", Solid(30, 30, Magenta), Placed, 4, 4)->SetDrawLayer(5);
    AddChit(chits, "Bottom", Solid(40, 40, Cyan), Placed, 4, 4)->SetDrawLayer(1);
    AddChit(chits, "ZoomBot", Solid(20, 20, Red), Placed, 9, 9);
    AddChit(chits, "ZoomBotShutDown", Solid(20, 20, Green));
    AddChit(chits, "Elsewhere", Solid(20, 20, Blue), other, 9, 9);

    QImage canvas = *Placed->Picture();
    Renderer.DrawPhaseChits(phase, canvas, *Placed, -1, &bots);
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

TEST_F(BoardRenderTest, DesignerCellShowsOnlyItsOwnBoardsChits)
{
    Placed->SetRotationCount(2);
    TChit* start = AddChit(Chits, "Start", Solid(20, 20, Red), Placed, 2, 3);
    TChit* flag = AddChit(Chits, "Flag1", Solid(20, 20, Blue), Place(Layout, "Plain", 0, 1), 2, 3);
    const QImage cell = Renderer.BoardPictureWithChits(*Placed, {start, flag});
    const QPoint centre = *Placed->SquareCenter(2, 3);
    EXPECT_EQ(BoxOf(cell, Red), QRect(centre.x() - 10, centre.y() - 10, 20, 20));
    EXPECT_TRUE(BoxOf(cell, Blue).isEmpty());
    TUsedBoard unknown(&Catalogue, nullptr, 3, 3);
    EXPECT_TRUE(Renderer.BoardPictureWithChits(unknown, {start}).isNull());
}

// ----------------------------------------------------------------------------- the map

// How boards and chits make up the map is checked pixel for pixel by the redraw tests below.
TEST_F(GameRenderTest, MapOfATurnOrPhaseThatDoesNotExistShowsNoChits)
{
    AddBoard("Big", Solid(480, 480, Grey));
    AddChit(*StartTurn(2)->ChitList(), "Bot", Solid(20, 20, Red), PlaceInGame("Big", 0, 0), 5, 5);
    EXPECT_EQ(BoxOf(Renderer.BuildMapPicture(Game, 0, 2), Red), QRect(Centre(5, 480) - 10, Centre(5, 480) - 10, 20, 20));
    for (const auto& [turn, phase] : {std::pair {0, 3}, std::pair {0, 9}, std::pair {7, 2}, std::pair {-1, 2}})
        EXPECT_TRUE(BoxOf(Renderer.BuildMapPicture(Game, turn, phase), Red).isEmpty()) << turn << "/" << phase;
}

TEST_F(GameRenderTest, ChitIsDrawnWhereItsSquareCentreLiesOnATurnedBoard)
{
    // A marker of one colour at the centre of square (3, 2) of the unturned picture.
    QImage picture = Solid(480, 480, Grey);
    QPainter(&picture).fillRect(Centre(3, 480) - 2, Centre(2, 480) - 2, 5, 5, QColor(Magenta));
    AddBoard("Marked", picture);
    PlaceInGame("Marked", 0, 0);
    TUsedBoard* turned = PlaceInGame("Marked", 1, 0);
    TPhase* phase = StartTurn(0);
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
        // turned point on each axis; the chit, 21 pixels wide, covers the marker all the same.
        const QPoint apart = drawn.center() - marker.center();
        EXPECT_LE(std::abs(apart.x()), 2) << rotation;
        EXPECT_LE(std::abs(apart.y()), 2) << rotation;
        // On the map it lands in the turned board's cell, over the same spot.
        const QImage map = Renderer.BuildMapPicture(Game, 0, 0);
        EXPECT_EQ(map.pixel(marker.center() + QPoint(480, 0)), Yellow) << rotation;
        EXPECT_TRUE(BoxOf(map.copy(0, 0, 480, 480), Yellow).isEmpty()) << rotation;
    }
}

// ----------------------------------------------------------------------------- damaged input

TEST_F(GameRenderTest, MissingPicturesAreSkippedAndReportedOnce)
{
    AddBoard("Plain", Solid(480, 480, Grey));
    TUsedBoard* placed = PlaceInGame("Plain", 0, 0);
    Catalogue.AddBoard("Gone", "Images/NoSuchBoard.png");
    PlaceInGame("Gone", 1, 0);
    TPhase* phase = StartTurn(0);
    AddChit(*phase->ChitList(), "Lost", Solid(20, 20, Blue), placed, 3, 3)->SetRelativeFilePath("Images/NoSuchChit.png");
    AddChit(*phase->ChitList(), "Bot", Solid(20, 20, Red), placed, 6, 6);

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

TEST_F(BoardRenderTest, DamagedChitSizesAreClampedAndReported)
{
    TChit* huge = AddChit(Chits, "Huge", Solid(30, 20, Red), Placed, 6, 6);
    TChit* negative = AddChit(Chits, "Negative", Solid(30, 20, Blue), Placed, 6, 6);
    huge->SetImageSizePercent(2000000000);
    negative->SetImageSizePercent(-50);

    TMessageCapture capture;
    QImage canvas = *Placed->Picture();
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
    TChit* wide = AddChit(Chits, "Wide", Solid(3000, 10, Green), Placed, 6, 6);
    wide->SetImageSizePercent(500);
    EXPECT_LE(ChitPixelWidth(*wide), MaxChitPixelSide);
    EXPECT_GT(ChitPixelWidth(*wide), MaxChitPixelSide - 50);
}

TEST_F(GameRenderTest, HugeLayoutIsCutDownToWhatCanBeDrawn)
{
    AddBoard("Tiny", Solid(10, 10, Grey));
    PlaceInGame("Tiny", 0, 0);
    PlaceInGame("Tiny", 2000000000, 0);
    StartTurn(0);
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

TEST(RenderFolder, GameNamesBecomeSafeFolderNamesApartFromTheToolsOwnFiles)
{
    const std::string logName = QFileInfo(QString::fromStdString(DefaultLogFileName())).fileName().toStdString();
    const std::string latin = "Liga \xc3\xa4\xc3\xb6\xc3\xbc \xe2\x82\xac";
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Names the new-game dialog accepts stay as they are, and so do names that only look like
        // the tool's own.
        {"Sunday League 2", "Sunday League 2"}, {"Game..2", "Game..2"}, {".hidden", ".hidden"},
        {" spaced ", " spaced "}, {latin, latin}, {"Images2", "Images2"}, {"My Images", "My Images"},
        {"Boards", "Boards"}, {"League (games)", "League (games)"},
        // Everything that could leave the folder, or that no folder can be named.
        {"../x", ".._x"}, {"a/b", "a_b"}, {"a\\b", "a_b"}, {"/etc", "_etc"}, {"..", "__"}, {".", "_"},
        {"...", "___"}, {"", "Unnamed Game"}, {"tab\there", "tab_here"}, {"line\nbreak\r", "line_break_"},
        {"C:\"x\"|y?*<>", "C__x__y____"},
        // The tool's own entries in any letter case, and its log whatever the program is called; a
        // name that already ends like a moved one moves too, so that no two games meet.
        {"Images", "Images (game)"}, {"images", "images (game)"}, {"BOARDS.XML", "BOARDS.XML (game)"},
        {"turntemplate.TXT", "turntemplate.TXT (game)"}, {"CoglineTurnGenerator", "CoglineTurnGenerator (game)"},
        {logName, logName + " (game)"}, {"Images (game)", "Images (game) (game)"},
        {"League (Game)", "League (Game) (game)"},
    };
    std::set<std::string> folders;
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(SafeFolderName(name), safe) << name;
        folders.insert(SafeFolderName(name));
    }
    EXPECT_EQ(folders.size(), cases.size() - 1); // only "a/b" and "a\\b" meet

    // One folder name holds at most 255 bytes, a moved one with its suffix; a character is never
    // cut in half.
    EXPECT_EQ(SafeFolderName(std::string(300, 'x')), std::string(255, 'x'));
    EXPECT_EQ(SafeFolderName(std::string(300, 'x') + " (game)"), std::string(248, 'x') + " (game)");
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xc3\xa4";
    const std::string cut = SafeFolderName(umlauts);
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_EQ(QString::fromStdString(cut).toStdString(), cut);
}

TEST_F(RenderTest, FailedWriteLeavesTheEarlierFileAlone)
{
    const std::string name = Folder() + "Out/picture.jpg";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder() + "Out")));
    WriteBytes(name, "earlier");
    // Wider than any JPEG can be: the encoder refuses it.
    EXPECT_THROW(SaveJpegPicture(Solid(70000, 2, Grey), name), EImageError);
    EXPECT_EQ(ReadBytes(name), "earlier");
    EXPECT_EQ(QDir(QString::fromStdString(Folder() + "Out")).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_THROW(SaveJpegPicture(QImage(), name), EImageError);
    EXPECT_EQ(ReadBytes(name), "earlier");

    // A grey picture is written as its colour conversion (three components); missing folders are made.
    QImage grey = Noise(64, 32, 13).convertToFormat(QImage::Format_Grayscale8);
    SaveJpegPicture(grey, Folder() + "New/Deeper/grey.jpg");
    EXPECT_EQ(ReadBytes(Folder() + "New/Deeper/grey.jpg"), QtJpegBytes(grey.convertToFormat(QImage::Format_RGB888)));
}

TEST_F(GameRenderTest, AFullDiskKeepsEveryPictureOfThePhaseAsItWas)
{
    AddBoard("Plain", Solid(240, 240, Grey));
    AddBoard("Other", Solid(240, 240, Cyan));
    PlaceInGame("Plain", 0, 0);
    TUsedBoard* right = PlaceInGame("Other", 1, 0);
    Game.SetGameName("League");
    TChit* chit = AddChit(*StartTurn(2)->ChitList(), "Bot", Solid(40, 40, Red), right, 2, 2);
    const std::vector<std::string> files = Renderer.SaveImages(Game);
    ASSERT_EQ(files.size(), 3u);
    std::vector<std::string> earlier;
    for (const std::string& file : files)
        earlier.push_back(ReadBytes(file));

    // The disk fills up at the last write: the two files written before it are not replaced either.
    chit->MoveEast();
    {
        int writes = 0;
        THookScope<TWriteStep> disk(FileWriteStep(), [&](int descriptor, std::string_view bytes) {
            if (++writes < 3)
                return WriteAndSync(descriptor, bytes);
            WriteAndSync(descriptor, bytes.substr(0, bytes.size() / 2));
            return ENOSPC;
        });
        try {
            Renderer.SaveImages(Game);
            ADD_FAILURE() << "written";
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()),
                "Cannot write file \"" + files[2] + "\". No space left on device. None of the 3 files was replaced.");
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
    // Without a turn there is nothing to write.
    Game.SetGameName("League");
    EXPECT_TRUE(Renderer.SaveImages(Game).empty());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Folder() + "League")));

    StartTurn(0);
    const QString base = QFileInfo(QString::fromStdString(Folder())).canonicalFilePath() + "/";
    for (const char* name : {"../x", "a/b", "..", "/tmp/abs", "..\\..\\y"}) {
        Game.SetGameName(name);
        const std::vector<std::string> written = Renderer.SaveImages(Game);
        ASSERT_EQ(written.size(), 2u) << name;
        for (const std::string& file : written)
            EXPECT_TRUE(QFileInfo(QString::fromStdString(file)).canonicalFilePath().startsWith(base)) << file;
    }
    // Nothing anywhere else in the temporary folder.
    QDirIterator it(QString::fromStdString(Root()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        EXPECT_TRUE(file.startsWith(QString::fromStdString(Folder()))) << file.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + ".._x/1/Full - Turn 1, Phase 0.jpg")));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + "a_b/1/(0, 0) - Turn 1, Phase 0.jpg")));
}

// ----------------------------------------------------------------------------- shown map and designer grid

TEST(RenderView, ZoomGivesCellsOf190PixelsPerLevelAndTheMapKeepsItsProportions)
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
    // "Fit": the largest whole cell that fits both ways; leaving it, "+" goes to the first zoom
    // with larger cells and "-" to the last with smaller ones.
    const std::tuple<int, int, QSize, int, int, int> fits[] = {{3, 2, QSize(830, 640), 276, 1, 0},
        {2, 2, QSize(830, 648), 324, 1, 0}, {1, 1, QSize(380, 500), 380, 2, 0}, {1, 1, QSize(381, 381), 381, 2, 1},
        {4, 1, QSize(600, 600), 150, 0, 0}, {7, 7, QSize(3, 3), 1, 0, 0}, {0, 0, QSize(300, 300), 190, 1, 0}};
    for (const auto& [cols, rows, view, cell, above, below] : fits) {
        EXPECT_EQ(FittedCellPixels(cols, rows, view), cell) << cols << " x " << rows;
        EXPECT_EQ(ZoomLevelAbove(cell), above) << cell;
        EXPECT_EQ(ZoomLevelBelow(cell), below) << cell;
        EXPECT_GT(ShownCellPixels(above), cell);
        EXPECT_TRUE(ShownCellPixels(below) < cell || below == 0) << cell;
    }
    EXPECT_EQ(CellsArea(3, 2, 276), QSize(828, 552));
    EXPECT_EQ(DesignerGridExtent(3, 2, 380, 1), QSize(1143, 762));
    // The map is shown in proportion: at the control's size in a client larger both ways.
    EXPECT_EQ(ShownMapSize(QSize(380, 190), QSize(500, 300), 2, 1), QSize(380, 190));
    // Otherwise the width decides, unless the height in proportion does not fit the client.
    EXPECT_EQ(ShownMapSize(QSize(400, 300), QSize(300, 250), 2, 1), QSize(400, 200));
    EXPECT_EQ(ShownMapSize(QSize(400, 150), QSize(300, 100), 2, 1), QSize(300, 150));
    EXPECT_EQ(ShownMapSize(QSize(400, 150), QSize(300, 100), 0, 0), QSize(400, 150));
}

TEST_F(RenderTest, PointsOfTheShownMapAndOfTheDesignerGridFindTheirSquaresOnTurnedBoards)
{
    AddBoard("Big", Solid(1164, 1164, Grey), false);
    TUsedBoardList layout;
    TUsedBoard* plain = Place(layout, "Big", 0, 0);
    TUsedBoard* turned = Place(layout, "Big", 1, 0, 1);
    Place(layout, "Big", 1, 1);

    struct Case { QPoint Point; QSize Shown; const char* Board; QPoint Square; };
    // Square (3, 8) of the left board: column 3, row 8 of twelve 190 / 12-pixel squares. On the
    // board turned once, square (3, 5) shows in column 8, row 3.
    const std::vector<Case> cases = {
        {{40, 120}, {380, 380}, "0_0", {3, 8}},
        {{80, 240}, {760, 760}, "0_0", {3, 8}},
        {{190 + 118, 40}, {380, 380}, "1_0", {3, 5}},
        {{380 + 236, 80}, {760, 760}, "1_0", {3, 5}},
        {{190 + 5, 190 + 5}, {380, 380}, "1_1", {1, 1}},
    };
    for (const Case& c : cases) {
        const TMapSquare square = SquareAtShownPoint(layout, c.Point, c.Shown);
        ASSERT_TRUE(square) << c.Point.x() << "," << c.Point.y();
        EXPECT_EQ(square.UsedBoard->ID(), c.Board);
        EXPECT_EQ(QPoint(square.Node->X(), square.Node->Y()), c.Square) << c.Point.x() << "," << c.Point.y();
        EXPECT_EQ(UsedBoardAtShownPoint(layout, c.Point, c.Shown), square.UsedBoard);
    }
    // The empty cell, points off the shown map and a map shown at no size give nothing.
    for (QPoint point : {QPoint(40, 250), QPoint(-1, 10), QPoint(380, 10), QPoint(10, 380)})
        EXPECT_FALSE(SquareAtShownPoint(layout, point, QSize(380, 380))) << point.x() << "," << point.y();
    EXPECT_FALSE(SquareAtShownPoint(layout, QPoint(0, 0), QSize(0, 0)));
    EXPECT_FALSE(SquareAtShownPoint(TUsedBoardList(), QPoint(0, 0), QSize(380, 380)));

    // The designer's grid: cells of 380 pixels, each followed by a line of one.
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
    for (const auto& [placed, square] : {std::pair {plain, QPoint(2, 3)}, std::pair {turned, QPoint(3, 11)}}) {
        const TBoardNode* node = DesignerSquareAt(*placed, hit.InCell, 380);
        ASSERT_NE(node, nullptr) << placed->ID();
        EXPECT_EQ(QPoint(node->X(), node->Y()), square) << placed->ID();
    }
    EXPECT_EQ(DesignerSquareAt(*plain, QPoint(380, 10), 380), nullptr);
    TUsedBoard unknown(&Catalogue, nullptr, 2, 0);
    EXPECT_EQ(DesignerSquareAt(unknown, hit.InCell, 380), nullptr);
}

// ----------------------------------------------------------------------------- redraw into a kept picture

namespace {

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
        Phase = StartTurn(2);
        Phase0 = Game.CurrentTurn()->PhaseByNumber(0);
        TChitList& chits = *Phase->ChitList();
        Course = AddChit(chits, "Pit", Noise(30, 30, 4), a, 4, 4);
        Robot = AddChit(chits, "ZoomBot", Solid(24, 16, Yellow), a, 6, 7);
        Robot->SetDrawLayer(150);
        Robot->SetChitFacing(cfEast);
        AddChit(chits, "Flag1", SeeThrough(20, 20, Red), b, 3, 9)->SetDrawLayer(50);
        AddChit(chits, "Wall", Solid(40, 12, Magenta), a, 12, 5)->SetImagePixelShiftX(14);
        AddChit(chits, "Ghost", SeeThrough(30, 30, Green), glass, 6, 6)->SetDrawLayer(120);
        AddChit(chits, "Crate", Noise(26, 26, 5), small, 2, 11)->SetImageSizePercent(150);
        AddChit(chits, "Beacon", Solid(18, 18, Cyan), c, 9, 3)->SetChitFacing(cfSouth);
        for (TBotType type : {btZoomBot, btHammerBot})
            Game.BotList()->FindByType(type)->SetInUseFlag(true);
        AddChit(chits, "ZoomBotArchive", Solid(16, 16, Red), c, 5, 5)->SetDrawLayer(130);
        AddChit(chits, "HammerBot", Solid(16, 16, Blue), c, 8, 8)->SetDrawLayer(140);
        AddChit(chits, "HammerBotArchive", Solid(16, 16, Green), c, 5, 5)->SetDrawLayer(130);
        AddChit(chits, "ZoomBotDestroyed", Solid(22, 22, Magenta))->SetDrawLayer(150);
        Phase0->CopyChitsFrom(chits);
    }

    // The board's turned picture with the phase's chits drawn on it.
    QImage ExpectedBoard(int phaseNumber, const TUsedBoard& placed, int layerLimit)
    {
        QImage board = *placed.Picture();
        Renderer.DrawPhaseChits(
            *Game.CurrentTurn()->PhaseByNumber(phaseNumber), board, placed, layerLimit, Game.BotList());
        return board;
    }

    // The map as its rules say it is made: each board put into its cell less the cell's last
    // column and row (see-through boards over the background, smaller ones stretched), the rest
    // background.
    QImage ExpectedMap(int phaseNumber)
    {
        const QSize cell = MapCellSize(*Game.UsedBoardList());
        QImage map(MapPictureSize(*Game.UsedBoardList()), QImage::Format_RGB32);
        map.fill(MapBackground);
        QPainter painter(&map);
        for (int i = 0; i < Game.UsedBoardList()->Count(); ++i) {
            const TUsedBoard& placed = *Game.UsedBoardList()->Items(i);
            const QImage board = ExpectedBoard(phaseNumber, placed, Game.ChitLayerLimit());
            const QRect target(placed.X() * cell.width(), placed.Y() * cell.height(), cell.width() - 1, cell.height() - 1);
            if (board.size() == cell)
                painter.drawImage(target.topLeft(), board, QRect(QPoint(0, 0), target.size()));
            else
                painter.drawImage(target, board);
        }
        return map;
    }

    // What each chit of the phase keeps of what it covered on the map; where only counts when
    // something is kept.
    std::map<std::string, std::tuple<QImage, QPoint, QPoint>> KeptUnder() const
    {
        std::map<std::string, std::tuple<QImage, QPoint, QPoint>> under;
        for (int i = 0; i < Phase->ChitList()->Count(); ++i) {
            const TChit& chit = *Phase->ChitList()->Items(i);
            const bool kept = !chit.SaveUnder().isNull();
            under[chit.ID()] = {chit.SaveUnder(), kept ? chit.SaveUnderAt() : QPoint(), kept ? chit.SaveUnderCell() : QPoint()};
        }
        return under;
    }

    TPhase* Phase = nullptr;
    TPhase* Phase0 = nullptr;
    QImage Shown;
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
    for (std::size_t step = 0; step < changes.size(); ++step) {
        changes[step]();
        Renderer.BuildMapPicture(Game, 0, 2, shown);
        EXPECT_EQ(shown.constBits(), memory) << "step " << step;
        const QImage expected = ExpectedMap(2);
        EXPECT_EQ(shown, expected) << "step " << step;
        EXPECT_EQ(TMapRenderer().BuildMapPicture(Game, 0, 2), expected) << "step " << step;
        Renderer.BuildMapPicture(Game, 0, 0, shown);
        EXPECT_EQ(shown, ExpectedMap(0)) << "step " << step;
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

TEST_F(MapRedrawTest, AnEditDrawsAgainWhatItTouchedAndLeavesTheMapAsAFreshDrawingShowsIt)
{
    TChitList& chits = *Phase->ChitList();
    auto chit = [&chits](const char* id) { return chits.FindByID(id); };
    TUsedBoard* a = Game.UsedBoardList()->FindAt(0, 0);
    // The pit lies under the robot (the robot's layer is higher).
    Course->PlaceAt(a, 6, 7);
    // Each case changes one chit (or the robot's state) on a map drawn before, in turn; the area
    // given is where that chit stood.
    const std::vector<std::tuple<const char*, const char*, std::function<void()>>> cases = {
        {"the lower of two overlapping chits moved away", "Pit", [this] { Course->MoveEast(); }},
        {"and back under the upper", "Pit", [this] { Course->MoveWest(); }},
        {"the lower turned in place", "Pit", [this] { Course->RotateRight(); }},
        {"the lower grown over the upper", "Pit", [this] { Course->SetImageSizePercent(140); }},
        {"the upper moved off", "ZoomBot", [this] { Robot->MoveNorth(); }},
        {"the upper nudged back over it", "ZoomBot", [this] { Robot->Tweak(0, 20); }},
        {"a chit hanging over the board's edge", "Wall", [&chit] { chit("Wall")->MoveNorth(); }},
        {"a chit on a see-through board", "Ghost", [&chit] { chit("Ghost")->MoveEast(); }},
        {"from a board drawn in place onto a stretched one", "Beacon",
            [&chit] { chit("Beacon")->PlaceAt(chit("Crate")->UsedBoard(), 3, 10); }},
        {"an archive marker leaving a shared square moves the other into its slot", "ZoomBotArchive",
            [&chit] { chit("ZoomBotArchive")->MoveWest(); }},
        {"the robot's state shows another chit", "ZoomBot",
            [this] { Game.BotList()->FindByType(btZoomBot)->SetDamage(10); }},
        {"a chit taken off the map", "Pit", [this] { Course->TakeOffMap(); }},
        {"a hidden chit moved", "HammerBot",
            [this, &chit] {
                Game.SetChitLayerLimit(130);
                Renderer.BuildMapPicture(Game, 0, 2, Shown);
                chit("HammerBot")->MoveEast();
            }},
    };
    Renderer.BuildMapPicture(Game, 0, 2, Shown);
    for (const auto& [name, id, change] : cases) {
        SCOPED_TRACE(name);
        TChit* edited = chit(id);
        ASSERT_NE(edited, nullptr);
        const QRect area = Renderer.ChitArea(Game, *edited);
        change();
        const uchar* memory = Shown.constBits();
        const QRect redrawn = Renderer.RedrawMapArea(Game, 0, 2, Shown, area);
        EXPECT_EQ(Shown.constBits(), memory);
        EXPECT_TRUE(redrawn.contains(area) || area.isEmpty());
        // A fresh drawing has the same pixels, and each chit keeps what it keeps there.
        const auto kept = KeptUnder();
        EXPECT_EQ(Shown, TMapRenderer().BuildMapPicture(Game, 0, 2));
        EXPECT_TRUE(KeptUnder() == kept);
    }

    // An edit far from the others draws again only around it; one on a board drawn on a copy
    // draws that board's cell again.
    Game.SetChitLayerLimit(-1);
    Renderer.BuildMapPicture(Game, 0, 2, Shown);
    QRect area = Renderer.ChitArea(Game, *chit("Crate"));
    EXPECT_EQ(area, QRect(240, 240, 240, 240));
    TChit* flag = chit("Flag1");
    area = Renderer.ChitArea(Game, *flag);
    ASSERT_FALSE(area.isEmpty());
    flag->MoveSouth();
    const QRect redrawn = Renderer.RedrawMapArea(Game, 0, 2, Shown, area);
    EXPECT_EQ(redrawn, area.united(Renderer.ChitArea(Game, *flag)));
    EXPECT_EQ(Shown, TMapRenderer().BuildMapPicture(Game, 0, 2));
    // A picture of another size is drawn whole.
    QImage other(10, 10, QImage::Format_RGB32);
    EXPECT_EQ(Renderer.RedrawMapArea(Game, 0, 2, other, area), QRect(0, 0, 720, 480));
    EXPECT_EQ(other, Shown);
}

TEST_F(MapRedrawTest, SaveImagesWritesTheReferenceBytesOfTheCurrentPhasesMapAndEachBoard)
{
    Game.SetGameName("League");
    // Phase 0 shows the robot elsewhere: only the current phase is written.
    Phase0->ChitList()->FindByID("ZoomBot")->MoveNorth();
    ASSERT_NE(ExpectedMap(0), ExpectedMap(2));
    // An earlier file of the same name is replaced.
    const std::string full = PhaseImagePath("League", -1, -1, 2, 1);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder() + "League/1")));
    WriteBytes(full, "not a picture");
    for (int limit : {-1, 100}) {
        SCOPED_TRACE(limit);
        // The whole map hides the layers above the game's limit, each board's file shows every chit.
        Game.SetChitLayerLimit(limit);
        const std::vector<std::string> written = Renderer.SaveImages(Game);
        // The chits keep what they covered on the map, as a redraw leaves them.
        const auto saved = KeptUnder();
        QImage redrawn;
        Renderer.BuildMapPicture(Game, 0, 2, redrawn);
        EXPECT_TRUE(KeptUnder() == saved);

        std::vector<std::string> files {full}, bytes {QtJpegBytes(ExpectedMap(2))};
        for (int i = 0; i < Game.UsedBoardList()->Count(); ++i) {
            const TUsedBoard& placed = *Game.UsedBoardList()->Items(i);
            files.push_back(PhaseImagePath("League", placed.X(), placed.Y(), 2, 1));
            bytes.push_back(QtJpegBytes(ExpectedBoard(2, placed, -1)));
        }
        ASSERT_EQ(written, files);
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(ReadBytes(files[i]), bytes[i]) << files[i];
        EXPECT_EQ(QDir(QString::fromStdString(Folder() + "League/1")).entryList(QDir::Files | QDir::Hidden).size(), 6);
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
