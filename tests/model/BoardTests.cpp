#include "model/BoardUnt.h"
#include "model/UsedBoardUnt.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

// A temporary executable folder for pictures and reference files; the real one is put back.
class BoardFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        SetExecutableFolder(Folder());
    }

    std::string Folder() const { return FDir.path().toStdString() + "/"; }
    void SavePicture(const std::string& relativePath, const QImage& image, const char* format = "PNG")
    {
        ASSERT_TRUE(SavePictureFile(Folder() + relativePath, image, format));
    }

private:
    QTemporaryDir FDir;
    TExecutableFolderScope FFolderScope;
};

std::string NodeText(int x, int y, int cx, int cy)
{
    return Format("<BoardNode><X>%d</X><Y>%d</Y><ImageCenterX>%d</ImageCenterX><ImageCenterY>%d</ImageCenterY></BoardNode>",
        x, y, cx, cy);
}

// The square under a pixel of the board's picture turned by a rotation, or "none".
std::string NodeIDAt(TBoard& board, int rotation, QPoint pixel)
{
    TBoardNode* node = board.NodeAtPixel(rotation, pixel);
    return node ? node->GetID() : "none";
}

} // namespace

// ----------------------------------------------------------------------------- nodes

TEST(BoardNodes, NewBoardHas144NodesColumnByColumnAtDefaultCentresAndIsEditedUntilMovedBack)
{
    TBoard board("Cross_1", "Images/1st Edition/Cross.jpg");
    TBoardNodeList* nodes = board.Nodes();
    ASSERT_NE(nodes, nullptr);
    ASSERT_EQ(nodes->Count(), 144);
    for (int i = 0; i < 144; ++i)
        EXPECT_EQ(nodes->Items(i)->GetID(), TBoardNodeList::NodeID(i / 12 + 1, i % 12 + 1)) << i;
    // 97 pixels per step from the first centre.
    EXPECT_EQ(nodes->Items(0)->SaveToXMLString(), NodeText(1, 1, 56, 66));
    EXPECT_EQ(board.NodeAt(3, 7)->SaveToXMLString(), NodeText(3, 7, 250, 648));
    EXPECT_EQ(nodes->Items(143)->SaveToXMLString(), NodeText(12, 12, 1123, 1133));
    EXPECT_TRUE(board.IsUnedited());
    // Edited until moved back exactly.
    for (auto [dx, dy] : std::vector<std::pair<int, int>>{{1, 0}, {0, -1}}) {
        board.NodeAt(4, 9)->SetImageCenterX(347 + dx);
        board.NodeAt(4, 9)->SetImageCenterY(842 + dy);
        EXPECT_FALSE(board.IsUnedited()) << dx << "," << dy;
        board.NodeAt(4, 9)->SetImageCenterX(347);
        board.NodeAt(4, 9)->SetImageCenterY(842);
        EXPECT_TRUE(board.IsUnedited()) << dx << "," << dy;
    }
    board.NodeAt(12, 12)->SetImageCenterY(0);
    EXPECT_FALSE(board.IsUnedited());
    // Missing nodes do not make a board edited.
    board.Nodes()->Delete(143);
    EXPECT_EQ(board.NodeAt(12, 12), nullptr);
    EXPECT_TRUE(board.IsUnedited());
}

TEST(BoardNodes, NodeIDFollowsXAndYAndLookupsFindNothingOffTheGrid)
{
    EXPECT_EQ(TBoardNodeList::NodeID(3, 12), "3_12");
    EXPECT_EQ(TBoardNodeList::NodeID(-1, 0), "-1_0");
    TBoardNodeList nodes;
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 5}, {13, 1}, {5, 0}, {1, 13}, {-1, -1}})
        EXPECT_EQ(nodes.NodeAt(x, y), nullptr) << x << "," << y;
    TBoardNode* node = nodes.NodeAt(2, 3);
    node->SetID("9_9");
    EXPECT_EQ(node->GetID(), "2_3");
    // Lookups still work when a node no longer stands at its natural place.
    node->SetX(7);
    node->SetY(11);
    EXPECT_EQ(node->GetID(), "7_11");
    EXPECT_EQ(nodes.NodeAt(7, 11), node);
    EXPECT_EQ(nodes.NodeAt(2, 3), nullptr);
}

// ----------------------------------------------------------------------------- pictures

TEST(QuarterTurn, FollowsThePixelRuleBothWays)
{
    for (auto [w, h] : std::vector<std::pair<int, int>>{{3, 2}, {7, 5}, {1, 4}, {300, 257}}) {
        QImage old = PatternPicture(w, h);
        QImage cw = old, ccw = old;
        TurnPicture(cw, 0);
        TurnPicture(ccw, 1);
        ASSERT_EQ(cw.size(), QSize(h, w));
        ASSERT_EQ(ccw.size(), QSize(h, w));
        for (int i = 0; i < h; ++i) {
            for (int j = 0; j < w; ++j) {
                ASSERT_EQ(cw.pixel(i, j), old.pixel(j, h - 1 - i)) << w << "x" << h << " cw " << i << "," << j;
                ASSERT_EQ(ccw.pixel(i, j), old.pixel(w - 1 - j, i)) << w << "x" << h << " ccw " << i << "," << j;
            }
        }
        // Three clockwise turns are made as one counter-clockwise turn; counts are taken modulo 4.
        EXPECT_EQ(TurnedPicture(old, 3), ccw);
        EXPECT_EQ(TurnedPicture(old, -1), ccw);
        EXPECT_EQ(TurnedPicture(old, 5), cw);
        EXPECT_EQ(TurnedPicture(old, 4), old);
    }
}

TEST_F(BoardFolderTest, PictureIsReadOnFirstUseAndAgainAfterReleaseAndAMissingOneRaises)
{
    SavePicture("Images/Board.png", PatternPicture(24, 24));
    SavePicture("Images/1st Edition/Cross.jpg", PatternPicture(120, 96), "JPG");
    TBoardList list;
    TBoard* board = list.AddBoard("B", "Images/Board.png");
    TBoard* jpeg = list.AddBoard("Cross_1", "Images/1st Edition/Cross.jpg");
    EXPECT_FALSE(board->HasPicture());
    EXPECT_EQ(board->Picture(), PatternPicture(24, 24));
    EXPECT_EQ(jpeg->Picture().size(), QSize(120, 96));
    // Replacing the file changes nothing until the cache is released.
    SavePicture("Images/Board.png", PatternPicture(36, 36));
    EXPECT_EQ(board->Picture().width(), 24);
    list.ReleasePictures();
    EXPECT_FALSE(board->HasPicture());
    EXPECT_FALSE(jpeg->HasPicture());
    EXPECT_EQ(board->Picture().width(), 36);
    // A missing or damaged picture raises an image error.
    TBoard missing("Gone", "Images/Gone.jpg");
    try {
        missing.Picture();
        FAIL() << "no error";
    } catch (const EImageError& e) {
        EXPECT_NE(std::string(e.what()).find("Images/Gone.jpg"), std::string::npos) << e.what();
    }
    WriteBytes(Folder() + "Damaged.jpg", "\xFF\xD8\xFF\xE0 this is not a picture");
    TBoard damaged("Damaged", "Damaged.jpg");
    EXPECT_THROW(damaged.NodeAtPixel(0, QPoint(1, 1)), EImageError);
}


// ----------------------------------------------------------------------------- pixel to square

TEST_F(BoardFolderTest, NodeAtPixelUndoesTheRotation)
{
    SavePicture("Images/Big.png", PatternPicture(1164, 1164));
    TBoard board("Big", "Images/Big.png");
    struct Case { int rotation; QPoint point; int x, y; };
    // Default centres lie 97 apart from (56, 66): the boundaries between squares 1 and 2 are at
    // x = 104.5 and y = 114.5, not at 97 as an even division of the picture would have them.
    const Case cases[] = {
        {0, {0, 0}, 1, 1}, {0, {1163, 1163}, 12, 12}, {0, {1163, 0}, 12, 1}, {0, {0, 1163}, 1, 12},
        {0, {97, 97}, 1, 1}, {0, {104, 114}, 1, 1}, {0, {105, 114}, 2, 1}, {0, {104, 115}, 1, 2},
        {0, {105, 115}, 2, 2}, {0, {500, 200}, 6, 2},
        // Turned boards' squares near their centres are checked below through a placed board.
        {1, {0, 0}, 1, 12}, {1, {500, 200}, 2, 7}, {2, {1163, 0}, 1, 12}, {2, {500, 200}, 7, 10}, {3, {500, 200}, 10, 5},
        // Rotation counts beyond 0..3 are taken modulo 4.
        {5, {0, 0}, 1, 12}, {-1, {0, 0}, 12, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rotation << " " << c.point.x() << "," << c.point.y());
        EXPECT_EQ(NodeIDAt(board, c.rotation, c.point), TBoardNodeList::NodeID(c.x, c.y));
    }
    // Through a placed board, which supplies the rotation, every square is found at every turn near
    // its shown centre, also straight towards a neighbour, where a point comes closest to another centre.
    TBoardList catalogue;
    catalogue.AddBoard("Big", "Images/Big.png");
    TUsedBoard placed(&catalogue, catalogue.FindByID("Big"), 0, 0);
    for (int rotation = 0; rotation < 4; ++rotation) {
        placed.SetRotationCount(rotation);
        std::string wrong;
        for (int x = 1; x <= 12; ++x) {
            for (int y = 1; y <= 12; ++y) {
                for (QPoint offset : {QPoint(0, 0), QPoint(40, 0), QPoint(-40, 0), QPoint(0, 40), QPoint(0, -40)}) {
                    const QPoint p = placed.SquareCenter(x, y).value() + offset;
                    if (!placed.Picture()->rect().contains(p))
                        continue; // the bottom row's centres lie 31 pixels from the edge
                    TBoardNode* node = placed.NodeAtPixel(p);
                    if (!node || node->GetID() != TBoardNodeList::NodeID(x, y))
                        wrong += Format(" (%d, %d)", p.x(), p.y());
                }
            }
        }
        EXPECT_EQ(wrong, "") << "turned " << rotation;
    }
    // Outside the picture there is no square, whatever the rotation.
    for (int rotation = 0; rotation < 4; ++rotation)
        for (QPoint p : {QPoint(-1, 0), QPoint(0, -1), QPoint(1164, 5), QPoint(5, 1164), QPoint(-97, -97)})
            EXPECT_EQ(NodeIDAt(board, rotation, p), "none") << rotation << " " << p.x() << "," << p.y();
}

TEST_F(BoardFolderTest, NodeAtPixelFollowsCalibratedCentresOfAnOblongPicture)
{
    // 600 x 300: the turned picture is 300 x 600, and a point outside either is no square.
    SavePicture("Images/Oblong.png", PatternPicture(600, 300));
    TBoard board("Oblong", "Images/Oblong.png");
    for (int x = 1; x <= 12; ++x) {
        for (int y = 1; y <= 12; ++y) {
            board.NodeAt(x, y)->SetImageCenterX(25 + 50 * (x - 1));
            board.NodeAt(x, y)->SetImageCenterY(12 + 25 * (y - 1));
        }
    }
    // Square (3, 2) is centred at (125, 37) unturned; (299 - 37, 125) once turned clockwise,
    // (599 - 125, 299 - 37) twice, (37, 599 - 125) three times.
    struct Case { int rotation; QPoint point; const char* id; };
    const Case cases[] = {{0, {125, 37}, "3_2"}, {1, {262, 125}, "3_2"}, {2, {474, 262}, "3_2"}, {3, {37, 474}, "3_2"},
        {0, {599, 299}, "12_12"}, {0, {300, 400}, "none"}, {1, {299, 599}, "12_1"}, {1, {400, 100}, "none"}};
    for (const Case& c : cases)
        EXPECT_EQ(NodeIDAt(board, c.rotation, c.point), c.id) << c.rotation << " " << c.point.x() << "," << c.point.y();

    // A moved centre takes the point with it; a node off the grid is never an answer.
    board.NodeAt(3, 2)->SetImageCenterX(2000000000);
    EXPECT_EQ(NodeIDAt(board, 0, QPoint(125, 35)), "3_1");
    board.NodeAt(4, 2)->SetX(0);
    EXPECT_EQ(NodeIDAt(board, 0, QPoint(175, 35)), "4_1");
    // Without a node list there is no square.
    board.Nodes()->ClearObjects();
    EXPECT_EQ(NodeIDAt(board, 0, QPoint(125, 37)), "none");
}

// ----------------------------------------------------------------------------- catalogue

TEST(BoardList, AddFindAndPickerOrder)
{
    TBoardList list;
    const std::pair<const char*, const char*> boards[] = {{"A", "maelstrom"}, {"B", "Cross"}, {"C", "Island"}, {"D", "cross"}};
    for (auto [id, description] : boards)
        list.AddBoard(id, std::string(id) + ".jpg")->SetDescription(description);
    EXPECT_EQ(list.FindByID("C"), list.Items(2));
    EXPECT_EQ(list.FindByID("c"), nullptr);
    EXPECT_EQ(list.FindByID(""), nullptr);
    // Sorted by description regardless of case, equal ones in stored order.
    std::string shown;
    list.FillBoardPicker([&shown](const std::string& text, TBoard& board) { shown += text + "=" + board.ID() + " "; });
    EXPECT_EQ(shown, "Cross=B cross=D Island=C maelstrom=A ");
}

TEST_F(BoardFolderTest, BuiltCatalogueFileIsExactAndLoadsBack)
{
    BuildBoardListFile(Folder());
    std::string text = ReadBytes(Folder() + "Boards.xml");
    std::vector<std::string> lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 26u * 144u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(lines[0], "<BoardList><Board ID=\"CanneryRow_1\"><RelativeFilePath>Images/1st Edition/Cannery Row.jpg"
                        "</RelativeFilePath><Description></Description><BoardNodeList>"
            + NodeText(1, 1, 56, 66));
    EXPECT_EQ(lines[1], NodeText(1, 2, 56, 163));
    EXPECT_EQ(lines[143], NodeText(12, 12, 1123, 1133) + "</BoardNodeList></Board>");
    EXPECT_EQ(lines.back(), NodeText(12, 12, 1123, 1133) + "</BoardNodeList></Board></BoardList>");

    TBoardList loaded;
    loaded.LoadFromXMLFile(Folder() + "Boards.xml");
    ASSERT_EQ(loaded.Count(), 26);
    EXPECT_EQ(loaded.SaveToXMLString(), TrimBlanksAndControls(text));
    // Every centre is a default one; the built-in catalogue offers its boards without text, in stored order.
    std::string shown, stored;
    loaded.FillBoardPicker([&shown](const std::string& t, TBoard& board) { shown += t + "=" + board.ID() + " "; });
    for (int i = 0; i < 26; ++i) {
        EXPECT_TRUE(loaded.Items(i)->IsUnedited()) << loaded.Items(i)->ID();
        stored += "=" + loaded.Items(i)->ID() + " ";
    }
    EXPECT_EQ(shown, stored);
}

TEST(BoardList, StoredNodesOverwriteDefaultsByPositionAndTheRestStay)
{
    TBoardList list;
    list.LoadFromXMLString("<BoardList><Board ID=\"X_1\"><RelativeFilePath>x.jpg</RelativeFilePath>"
                           "<Description>Ex &amp; Why</Description><BoardNodeList>"
        + NodeText(1, 1, 60, 70) + NodeText(1, 2, 61, 171) + "</BoardNodeList></Board></BoardList>");
    ASSERT_EQ(list.Count(), 1);
    TBoard* board = list.Items(0);
    EXPECT_EQ(board->Description(), "Ex & Why");
    ASSERT_EQ(board->Nodes()->Count(), 144);
    EXPECT_EQ(board->NodeAt(1, 1)->ImageCenterX(), 60);
    EXPECT_EQ(board->NodeAt(1, 2)->ImageCenterY(), 171);
    EXPECT_EQ(board->NodeAt(1, 3)->ImageCenterY(), 260);
    EXPECT_FALSE(board->IsUnedited());
}
