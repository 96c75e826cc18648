#include "model/UsedBoardUnt.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

// A catalogue of boards with synthetic pictures in a temporary executable folder.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        SetExecutableFolder(FDir.path().toStdString() + "/");
        ASSERT_TRUE(PatternPicture(1164, 1164).save(FDir.path() + "/Big.png"));
        ASSERT_TRUE(PatternPicture(24, 24).save(FDir.path() + "/Small.png"));
        ASSERT_TRUE(PatternPicture(36, 36).save(FDir.path() + "/Other.png"));
        Big = Catalogue.AddBoard("Big_1", "Big.png");
        Small = Catalogue.AddBoard("Small_1", "Small.png");
        Other = Catalogue.AddBoard("Other_1", "Other.png");
    }

    TUsedBoard* Place(TUsedBoardList& layout, TBoard* board, int x, int y, int rotation = 0)
    {
        TUsedBoard source(&Catalogue, board, x, y);
        source.SetRotationCount(rotation);
        TUsedBoard* placed = layout.AddUsedBoard(source);
        placed->SetBoardList(&Catalogue);
        return placed;
    }

    TBoardList Catalogue;
    TBoard* Big = nullptr;
    TBoard* Small = nullptr;
    TBoard* Other = nullptr;

private:
    QTemporaryDir FDir;
    TExecutableFolderScope FFolderScope;
};

// Columns x rows of the map, and the largest board picture.
std::string Extent(const TUsedBoardList& layout)
{
    return Format("%d x %d, %d x %d", layout.ColCount(), layout.RowCount(), layout.MaxBoardWidth(), layout.MaxBoardHeight());
}

// The placed board (with its board) and the square under a pixel of the map, or "none".
std::string SquareAt(const TUsedBoardList& layout, QPoint pixel)
{
    TMapSquare square = layout.SquareAtPixel(pixel);
    return square ? square.UsedBoard->ID() + "/" + square.UsedBoard->BoardID() + " " + square.Node->GetID() : "none";
}

} // namespace

TEST_F(LayoutTest, EmptyMapAndOneBoardAtTwoOne)
{
    TUsedBoardList layout;
    EXPECT_EQ(Extent(layout), "0 x 0, 0 x 0");
    EXPECT_EQ(SquareAt(layout, QPoint(0, 0)), "none");

    Place(layout, Small, 2, 1);
    EXPECT_EQ(Extent(layout), "3 x 2, 24 x 24");
    EXPECT_EQ(layout.FindAt(1, 1), nullptr); // same row
    EXPECT_EQ(layout.FindAt(2, 0), nullptr); // same column
    EXPECT_EQ(layout.FindAt(2, 1)->ID(), "2_1");
}

// A placed board whose picture is missing, or whose board is not in the catalogue, adds nothing
// to the sizes and has no squares; the rest of the map is unchanged.
TEST_F(LayoutTest, ABoardThatDoesNotResolveLeavesTheRestOfTheMapItsSize)
{
    for (bool inCatalogue : {true, false}) {
        SCOPED_TRACE(inCatalogue);
        TUsedBoardList layout;
        Place(layout, Small, 0, 0);
        TUsedBoard* lost = Place(layout, inCatalogue ? Catalogue.AddBoard("Lost_1", "Missing.png") : Big, 1, 0);
        if (!inCatalogue)
            lost->BoardRef()->SetID("NotInTheCatalogue");
        EXPECT_EQ(Extent(layout), "2 x 1, 24 x 24");
        EXPECT_NE(SquareAt(layout, QPoint(5, 5)), "none");
        EXPECT_EQ(SquareAt(layout, QPoint(30, 5)), "none");
    }
}

TEST_F(LayoutTest, RotationIsKeptWithinFourQuarterTurns)
{
    struct Case { int from, to, stored; };
    const Case cases[] = {{3, 4, 0}, {0, -1, 3}, {1, 2, 2}, {2, 1, 1}, {0, 7, 3}, {0, -6, 2}, {1, -4, 0}, {2, 2147483647, 3},
        {0, -2147483647 - 1, 0}};
    for (const Case& c : cases) {
        TUsedBoard placed;
        placed.SetRotationCount(c.from);
        placed.SetRotationCount(c.to);
        EXPECT_EQ(placed.RotationCount(), c.stored) << c.from << " -> " << c.to;
    }
}

TEST_F(LayoutTest, CachedPictureTurnsInStepWithAnyRotationAndFollowsTheReferencedBoard)
{
    TUsedBoard cached(&Catalogue, Small, 0, 0);
    cached.SetRotationCount(3);
    EXPECT_FALSE(cached.HasPicture()); // built on first use only
    // TurnedPicture follows the pixel rule of a quarter turn (see the board tests).
    EXPECT_EQ(*cached.Picture(), TurnedPicture(Small->Picture(), 3));
    cached.RotateRight();
    EXPECT_EQ(cached.RotationCount(), 0);
    EXPECT_EQ(*cached.Picture(), Small->Picture());
    cached.RotateLeft();
    EXPECT_EQ(cached.RotationCount(), 3);
    EXPECT_EQ(*cached.Picture(), TurnedPicture(Small->Picture(), 3));
    for (int value : {1, 3, -1, 6, 2, 5, 0, 4, -3}) {
        cached.SetRotationCount(value);
        ASSERT_EQ(*cached.Picture(), TurnedPicture(Small->Picture(), value)) << value;
    }

    // The picture follows the referenced board and the catalogue.
    TUsedBoard placed(&Catalogue, Small, 0, 0);
    EXPECT_EQ(placed.Picture()->width(), 24);
    placed.BoardRef()->SetID("Other_1");
    EXPECT_EQ(placed.Picture()->width(), 36);
    placed.BoardRef()->SetID("Missing");
    EXPECT_EQ(placed.Picture(), nullptr);
    EXPECT_FALSE(placed.SquareCenter(1, 1).has_value());
    placed.BoardRef()->SetID("Small_1");
    placed.SetBoardList(nullptr);
    EXPECT_EQ(placed.Picture(), nullptr);
    EXPECT_FALSE(placed.HasPicture());
}

TEST_F(LayoutTest, SquareCentresTurnWithTheBoardAndMapPixelsFindTheirSquares)
{
    TUsedBoardList layout;
    TUsedBoard* west = Place(layout, Big, 0, 0);
    const std::pair<int, QPoint> centres[] = {{0, {56, 66}}, {1, {1099, 56}}, {2, {1109, 1099}}, {3, {66, 1109}}};
    for (const auto& [rotation, centre] : centres) {
        west->SetRotationCount(rotation);
        EXPECT_EQ(west->SquareCenter(1, 1), centre) << rotation;
    }
    EXPECT_FALSE(west->SquareCenter(0, 1).has_value());
    EXPECT_FALSE(west->SquareCenter(1, 13).has_value());
    west->SetRotationCount(0);

    TUsedBoard* east = Place(layout, Big, 1, 0, 1);
    ASSERT_EQ(layout.CellOrigin(1, 0), QPoint(1164, 0));
    EXPECT_EQ(layout.MapSquareCenter(*east, 1, 1), QPoint(1164 + 1099, 56));

    EXPECT_EQ(SquareAt(layout, QPoint(1164 + 1099, 56)), "1_0/Big_1 1_1");
    EXPECT_EQ(SquareAt(layout, QPoint(1163, 1163)), "0_0/Big_1 12_12");
    EXPECT_EQ(SquareAt(layout, QPoint(10, 1164 + 10)), "none"); // empty row below
    EXPECT_EQ(SquareAt(layout, QPoint(3 * 1164, 0)), "none");   // past the last column
    EXPECT_EQ(SquareAt(layout, QPoint(-1, 5)), "none");
}

TEST_F(LayoutTest, SmallerBoardIsStretchedOverItsCell)
{
    TUsedBoardList layout;
    Place(layout, Big, 0, 0);
    Place(layout, Small, 1, 0);
    // The 24-pixel board, its squares calibrated 2 pixels apart, fills a 1164-pixel cell: a
    // point near the cell's far corner lies on its last square.
    for (int x = 1; x <= 12; ++x) {
        for (int y = 1; y <= 12; ++y) {
            Small->NodeAt(x, y)->SetImageCenterX(2 * x - 1);
            Small->NodeAt(x, y)->SetImageCenterY(2 * y - 1);
        }
    }
    EXPECT_EQ(SquareAt(layout, QPoint(1164 + 1150, 1150)), "1_0/Small_1 12_12");
}

TEST_F(LayoutTest, AddRemoveAndFind)
{
    TUsedBoardList layout;
    TUsedBoard source(&Catalogue, Big, 1, 2);
    source.SetRotationCount(2);
    source.Picture();
    TUsedBoard* copy = layout.AddUsedBoard(source);
    EXPECT_EQ(copy->SaveToXMLString(), source.SaveToXMLString());
    EXPECT_FALSE(copy->HasPicture());
    EXPECT_EQ(copy->Picture(), nullptr);
    layout.SetBoardList(&Catalogue);
    EXPECT_EQ(copy->Board(), Big);

    TUsedBoard second(&Catalogue, Small, 0, 0);
    layout.AddUsedBoard(second);
    EXPECT_EQ(layout.FindByID("0_0")->BoardID(), "Small_1");
    EXPECT_EQ(layout.FindAt(1, 2), copy);
    EXPECT_EQ(layout.Neighbour(*layout.FindByID("0_0"), 1, 2), copy);
    EXPECT_EQ(layout.Neighbour(*copy, 0, -1), nullptr);

    TUsedBoard elsewhere(&Catalogue, Big, 5, 5);
    layout.RemoveUsedBoard(elsewhere);
    EXPECT_EQ(layout.Count(), 2);
    // Only the cell counts, not the board.
    TUsedBoard sameCell(&Catalogue, Other, 1, 2);
    layout.RemoveUsedBoard(sameCell);
    EXPECT_EQ(layout.Count(), 1);
    EXPECT_EQ(layout.FindAt(1, 2), nullptr);
}

TEST_F(LayoutTest, LayoutTextIsExact)
{
    TUsedBoardList layout;
    Place(layout, Big, 2, 1, 3);
    Place(layout, Small, 0, 0);
    const std::string expected = "<UsedBoardList>"
                                 "<UsedBoard ID=\"2_1\"><X>2</X><Y>1</Y><RotationCount>3</RotationCount>"
                                 "<BoardRef ID=\"Big_1\"></BoardRef></UsedBoard>\r\n"
                                 "<UsedBoard ID=\"0_0\"><X>0</X><Y>0</Y><RotationCount>0</RotationCount>"
                                 "<BoardRef ID=\"Small_1\"></BoardRef></UsedBoard>"
                                 "</UsedBoardList>";
    EXPECT_EQ(layout.SaveToXMLString(), expected);

    // The ID follows the cell: a load takes the cell, not the stored ID.
    TUsedBoard placed;
    placed.LoadFromXMLString("<UsedBoard ID=\"9_9\"><X>3</X><Y>5</Y><RotationCount>1</RotationCount>"
                             "<BoardRef ID=\"Big_1\"></BoardRef></UsedBoard>");
    EXPECT_EQ(placed.ID(), "3_5");
    EXPECT_EQ(placed.BoardID(), "Big_1");
    placed.SetX(4);
    placed.SetY(0);
    EXPECT_EQ(placed.ID(), "4_0");
}

TEST_F(LayoutTest, ExtremeValuesFromADamagedFileStayInRange)
{
    TUsedBoardList layout;
    layout.LoadFromXMLString("<UsedBoardList><UsedBoard><X>2147483647</X><Y>-2147483648</Y><RotationCount>1</RotationCount>"
                             "<BoardRef ID=\"Big_1\"></BoardRef></UsedBoard></UsedBoardList>");
    layout.SetBoardList(&Catalogue);
    TUsedBoard* placed = layout.Items(0);
    EXPECT_EQ(placed->ID(), "2147483647_-2147483648");
    EXPECT_EQ(Extent(layout), "2147483647 x 0, 1164 x 1164");
    EXPECT_EQ(layout.Neighbour(*placed, 1, 0), nullptr);
    EXPECT_EQ(layout.Neighbour(*placed, 0, -1), nullptr);
    EXPECT_EQ(layout.CellOrigin(placed->X(), placed->Y()), QPoint(2147483647, -2147483647 - 1));
    Big->NodeAt(1, 1)->SetImageCenterY(-2147483647 - 1);
    EXPECT_EQ(placed->SquareCenter(1, 1), QPoint(2147483647, 56));
    EXPECT_EQ(layout.MapSquareCenter(*placed, 1, 1), QPoint(2147483647, -2147483647 - 1 + 56));
}

TEST_F(LayoutTest, TurnedPictureLeavesTheUnturnedPixelsToBeReadAgain)
{
    TUsedBoard placed(&Catalogue, Small, 0, 0);
    placed.SetRotationCount(1);
    const QImage turned = placed.Picture()->copy();
    // Only the turned copy is held; the unturned picture's size is still known.
    EXPECT_FALSE(Small->HasPicture());
    EXPECT_EQ(Small->PictureSize(), QSize(24, 24));
    // Square centres need only that size.
    EXPECT_EQ(placed.SquareCenter(1, 1), QPoint(24 - (66 - 1), 56));
    EXPECT_FALSE(Small->HasPicture());
    // The pixels come back when asked for.
    EXPECT_EQ(turned, TurnedPicture(Small->Picture(), 1));
    EXPECT_TRUE(Small->HasPicture());
    // A picture decoded for someone else stays theirs.
    TUsedBoard second(&Catalogue, Small, 1, 0);
    ASSERT_NE(second.Picture(), nullptr);
    EXPECT_TRUE(Small->HasPicture());
    // Turning the cached copy needs no unturned pixels.
    Small->ReleasePicturePixels();
    second.RotateLeft();
    EXPECT_FALSE(Small->HasPicture());
    EXPECT_EQ(*second.Picture(), TurnedPicture(Small->Picture(), 3));

    // A released picture forgets its size: another file may stand there now.
    Small->ReleasePicture();
    Small->SetRelativeFilePath("Other.png");
    EXPECT_EQ(Small->PictureSize(), QSize(36, 36));
    Small->ReleasePicturePixels();
    Small->SetRelativeFilePath("Big.png");
    EXPECT_EQ(Small->PictureSize(), QSize(1164, 1164));
    Small->SetRelativeFilePath("Missing.png");
    Small->ReleasePicturePixels();
    EXPECT_THROW(Small->PictureSize(), EImageError);
}
