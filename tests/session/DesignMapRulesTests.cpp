#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/UsedBoardUnt.h"
#include "session/DesignMapRulesUnt.h"
#include "session/SettingsUnt.h"
#include "session/UiTestData.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

class DesignMapRules : public ::testing::Test {
protected:
    void SetUp() override { FChits = ShippedChits(); }

    std::unique_ptr<TMapDesign> NewDesign(int flags = 4)
    {
        return std::make_unique<TMapDesign>(ShippedBoards(), *FChits, flags);
    }
    TBoard* Board(const char* id) { return ShippedBoards().FindByID(id); }
    void Choose(TMapDesign& design, int col, int row, const char* boardID)
    {
        design.SelectCell(col, row);
        design.ChooseBoard(boardID ? Board(boardID) : nullptr);
    }
    TChit& Chit(const char* id) { return *FChits->FindByID(id); }
    bool Drop(TMapDesign& design, const char* chitID, int col, int row, int sx, int sy)
    {
        return design.DropChit(Chit(chitID), GridPointOfSquare(design, col, row, sx, sy));
    }
    std::string Place(const char* chitID) { return ::Place(Chit(chitID)); }
    // Where each of the chits stands, joined by spaces.
    std::string Places(std::initializer_list<const char*> chitIDs)
    {
        std::string text;
        for (const char* id : chitIDs)
            text += (text.empty() ? "" : " ") + Place(id);
        return text;
    }
    // The layout holds a copy of every cell's board, with its board and turn, and nothing else.
    static void ExpectLayoutMatchesCells(const TMapDesign& design)
    {
        auto text = [](const TUsedBoard& b, int col, int row) {
            return Format("%s at %d,%d: %s turned %d", b.ID().c_str(), col, row, b.BoardID().c_str(), b.RotationCount());
        };
        std::set<std::string> cells, copies;
        for (int col = 0; col < design.ColCount(); ++col)
            for (int row = 0; row < design.RowCount(); ++row)
                if (const TUsedBoard* cell = design.CellBoard(col, row)) {
                    cells.insert(text(*cell, col, row));
                    const TUsedBoard* copy = design.Layout().FindByID(cell->ID());
                    EXPECT_TRUE(copy && copy != cell && copy->Board() == cell->Board()) << cell->ID();
                }
        for (int i = 0; i < design.Layout().Count(); ++i)
            copies.insert(text(*design.Layout().Items(i), design.Layout().Items(i)->X(), design.Layout().Items(i)->Y()));
        EXPECT_EQ(copies, cells);
        EXPECT_EQ(design.Layout().Count(), static_cast<int>(cells.size()));
    }

    std::unique_ptr<TChitList> FChits;
};

} // namespace

// A drop away from any square (an empty cell, a grid line, outside the grid) takes the chit off
// the map, and OK goes.
TEST_F(DesignMapRules, OkOnlyWhenTheStartAndEveryFlagStandOnSquares)
{
    auto design = NewDesign(4);
    EXPECT_EQ(design->ColCount(), 1);
    EXPECT_EQ(design->RowCount(), 1);
    std::vector<std::string> ids;
    for (const TChit* chit : design->FlagChits())
        ids.push_back(chit->ID());
    EXPECT_EQ(ids, (std::vector<std::string>{"Start", "Flag1", "Flag2", "Flag3", "Flag4"}));
    EXPECT_FALSE(design->CanAccept());

    Choose(*design, 0, 0, "Cross_1");
    const struct {
        const char* chit;
        int x, y;
        bool okAfter;
    } drops[] = {{"Start", 1, 12, false}, {"Flag1", 6, 6, false}, {"Flag2", 12, 1, false}, {"Flag3", 3, 9, false}, {"Flag4", 10, 4, true}};
    for (const auto& drop : drops) {
        EXPECT_TRUE(Drop(*design, drop.chit, 0, 0, drop.x, drop.y)) << drop.chit;
        EXPECT_EQ(Place(drop.chit), Format("0_0:%d,%d", drop.x, drop.y));
        EXPECT_EQ(Chit(drop.chit).BoardID(), "Cross_1");
        EXPECT_EQ(design->CanAccept(), drop.okAfter) << drop.chit;
    }
    // Flags beyond the count play no part.
    EXPECT_EQ(Place("Flag5"), "off");

    design->SetGridSize(2, 1);
    const int cell = design->CellPixels();
    const QPoint away[] = {
        {cell + 1 + 100, 100}, // the empty cell
        {cell, 100},           // the grid line between the cells
        {100, cell},           // the grid line below
        {2 * (cell + 1) + 5, 5}, // right of the grid
        {5, cell + 1 + 5},     // below the grid
        {-3, 10},
    };
    for (QPoint point : away) {
        ASSERT_TRUE(Drop(*design, "Flag1", 0, 0, 5, 5));
        ASSERT_TRUE(design->CanAccept());
        EXPECT_FALSE(design->DropChit(Chit("Flag1"), point)) << point.x() << "," << point.y();
        EXPECT_EQ(Place("Flag1"), "off");
        EXPECT_TRUE(Chit("Flag1").UsedBoardID().empty());
        EXPECT_TRUE(Chit("Flag1").BoardID().empty());
        EXPECT_FALSE(design->CanAccept());
    }
    EXPECT_EQ(Place("Start"), "0_0:1,12");
}

TEST_F(DesignMapRules, TurningABoardKeepsEachFlagOnItsSquare)
{
    auto design = NewDesign(2);
    Choose(*design, 0, 0, "Maelstrom_3");
    ASSERT_TRUE(Drop(*design, "Start", 0, 0, 1, 1));
    ASSERT_TRUE(Drop(*design, "Flag1", 0, 0, 4, 10));
    ASSERT_TRUE(Drop(*design, "Flag2", 0, 0, 12, 3));
    const std::pair<int, int> turns[] = {{+1, 1}, {+1, 2}, {+1, 3}, {+1, 0}, {-1, 3}, {-1, 2}};
    for (auto [step, expected] : turns) {
        design->RotateSelected(step);
        EXPECT_EQ(design->CellBoard(0, 0)->RotationCount(), expected);
        ExpectLayoutMatchesCells(*design);
        EXPECT_EQ(Places({"Start", "Flag1", "Flag2"}), "0_0:1,1 0_0:4,10 0_0:12,3");
        EXPECT_TRUE(design->CanAccept());
        // Each flag is found where its square now shows.
        for (const auto& [id, x, y] : {std::tuple{"Start", 1, 1}, std::tuple{"Flag1", 4, 10}, std::tuple{"Flag2", 12, 3}})
            EXPECT_EQ(design->ChitAt(GridPointOfSquare(*design, 0, 0, x, y)), &Chit(id)) << id << " turned " << expected;
    }
    // Square (1, 1) turned twice shows at the bottom right of the cell.
    const int cell = design->CellPixels();
    EXPECT_EQ(design->ChitAt(QPoint(cell - 20, cell - 20)), &Chit("Start"));
    EXPECT_EQ(design->ChitAt(QPoint(20, 20)), nullptr);
}

TEST_F(DesignMapRules, ChoosingSelectBoardEmptiesTheCellAndReplacingKeepsTheChits)
{
    auto design = NewDesign(1);
    design->SetGridSize(2, 2);
    Choose(*design, 1, 1, "Vault_3");
    Choose(*design, 0, 0, "Chess_3");
    ASSERT_TRUE(Drop(*design, "Start", 1, 1, 7, 8));
    ASSERT_TRUE(Drop(*design, "Flag1", 0, 0, 3, 3));
    ExpectLayoutMatchesCells(*design);

    // Another board in the same cell: the chit stays on its square, now of the new board.
    Choose(*design, 1, 1, "Exchange_1");
    ExpectLayoutMatchesCells(*design);
    EXPECT_EQ(design->Layout().FindByID("1_1")->BoardID(), "Exchange_1");
    EXPECT_EQ(design->Layout().FindByID("1_1")->RotationCount(), 0);
    EXPECT_EQ(Place("Start"), "1_1:7,8");
    EXPECT_EQ(Chit("Start").BoardID(), "Exchange_1");
    EXPECT_TRUE(design->CanAccept());

    // "Select Board": the placed board leaves the layout and its chits the map.
    Choose(*design, 1, 1, nullptr);
    EXPECT_EQ(design->CellBoard(1, 1), nullptr);
    ExpectLayoutMatchesCells(*design);
    EXPECT_EQ(Places({"Start", "Flag1"}), "off 0_0:3,3");
    EXPECT_FALSE(design->CanAccept());
    EXPECT_FALSE(design->SelectedCellHasBoard());
    EXPECT_EQ(design->SelectedBoard(), nullptr);
    // An empty cell stays empty.
    Choose(*design, 1, 0, nullptr);
    ExpectLayoutMatchesCells(*design);
}

TEST_F(DesignMapRules, LoweringTheGridSizeRemovesTheBoardsThatFallOutside)
{
    auto design = NewDesign(2);
    design->SetGridSize(3, 2);
    Choose(*design, 0, 0, "Cross_2");
    Choose(*design, 2, 0, "Cross_3");
    Choose(*design, 1, 1, "Island_1");
    ASSERT_TRUE(Drop(*design, "Start", 0, 0, 6, 6));
    ASSERT_TRUE(Drop(*design, "Flag1", 2, 0, 6, 6));
    ASSERT_TRUE(Drop(*design, "Flag2", 1, 1, 6, 6));
    ASSERT_TRUE(design->CanAccept());
    EXPECT_EQ(design->SelectedCol(), 1);
    EXPECT_EQ(design->SelectedRow(), 1);

    // The grid size asked for, then the cells still holding a board and where Start, Flag 1 and Flag 2 stand.
    const std::tuple<int, int, std::set<std::string>, const char*> steps[] = {
        {2, 2, {"0_0", "1_1"}, "0_0:6,6 off 1_1:6,6"},
        {2, 1, {"0_0"}, "0_0:6,6 off off"},
        {3, 2, {"0_0"}, "0_0:6,6 off off"},   // growing again brings nothing back
        {0, -5, {"0_0"}, "0_0:6,6 off off"},  // at least 1 x 1
        {101, 250, {"0_0"}, "0_0:6,6 off off"}, // at most 100 x 100
    };
    for (const auto& [cols, rows, layout, places] : steps) {
        SCOPED_TRACE(Format("%d x %d", cols, rows));
        design->SetGridSize(cols, rows);
        std::set<std::string> ids;
        for (int i = 0; i < design->Layout().Count(); ++i)
            ids.insert(design->Layout().Items(i)->ID());
        EXPECT_EQ(ids, layout);
        ExpectLayoutMatchesCells(*design);
        EXPECT_EQ(Places({"Start", "Flag1", "Flag2"}), places);
        // The selection stays inside the grid.
        EXPECT_LT(design->SelectedCol(), design->ColCount());
        EXPECT_LT(design->SelectedRow(), design->RowCount());
    }
    EXPECT_EQ(design->ColCount(), 100);
    EXPECT_EQ(design->RowCount(), 100);
    EXPECT_EQ(design->CellBoard(99, 99), nullptr);
    EXPECT_EQ(design->CellBoard(100, 0), nullptr);
    EXPECT_EQ(design->CellBoard(-1, 0), nullptr);
}

// Drops land on their squares at every zoom.
TEST_F(DesignMapRules, ZoomStartsAt380PixelCellsAndStopsAt190)
{
    auto design = NewDesign(1);
    design->SetGridSize(3, 2);
    Choose(*design, 1, 1, "GearBox_2BB");
    // Each step zooms in (+1), out (-1) or not at all, then the cell's side in pixels.
    const std::pair<int, int> steps[] = {{0, 380}, {-1, 190}, {-1, 190}, {+1, 380}, {+1, 570}, {+1, 760}, {-1, 570}};
    for (const auto& [zoom, cell] : steps) {
        SCOPED_TRACE(Format("cell %d", cell));
        if (zoom > 0)
            design->ZoomIn();
        else if (zoom < 0)
            design->ZoomOut();
        EXPECT_EQ(design->CellPixels(), cell);
        EXPECT_EQ(design->GridExtent(), QSize(3 * (cell + 1), 2 * (cell + 1)));
        for (auto [x, y] : {std::pair{1, 1}, std::pair{12, 12}, std::pair{5, 9}}) {
            ASSERT_TRUE(Drop(*design, "Flag1", 1, 1, x, y));
            EXPECT_EQ(Place("Flag1"), Format("1_1:%d,%d", x, y));
        }
    }
}

TEST_F(DesignMapRules, PressSelectsTheCellAndTheChitUnderIt)
{
    auto design = NewDesign(2);
    design->SetGridSize(2, 1);
    Choose(*design, 1, 0, "Coliseum_2BB");
    ASSERT_TRUE(Drop(*design, "Flag2", 1, 0, 8, 2));
    EXPECT_EQ(design->SelectedChit(), nullptr);

    design->PressAt(QPoint(10, 10));
    EXPECT_EQ(design->SelectedCol(), 0);
    EXPECT_FALSE(design->SelectedCellHasBoard());
    EXPECT_EQ(design->SelectedChit(), nullptr);
    EXPECT_EQ(design->MouseDownPoint(), QPoint(10, 10));

    const QPoint onFlag = GridPointOfSquare(*design, 1, 0, 8, 2);
    design->PressAt(onFlag);
    EXPECT_EQ(design->SelectedCol(), 1);
    EXPECT_EQ(design->SelectedBoard(), Board("Coliseum_2BB"));
    EXPECT_EQ(design->SelectedChit(), &Chit("Flag2"));
    // A press on a square without a chit keeps the selected chit.
    design->PressAt(GridPointOfSquare(*design, 1, 0, 8, 3));
    EXPECT_EQ(design->SelectedChit(), &Chit("Flag2"));

    // Only the chits to place can be selected; size and shift go to the selected one.
    design->SelectChit("ZoomBot");
    EXPECT_EQ(design->SelectedChit(), &Chit("Flag2"));
    EXPECT_TRUE(design->SetSelectedChitSize(90));
    EXPECT_FALSE(design->SetSelectedChitSize(90));
    EXPECT_TRUE(design->SetSelectedChitShift(7, -3));
    EXPECT_FALSE(design->SetSelectedChitShift(7, -3));
    EXPECT_EQ(Chit("Flag2").ImageSizePercent(), 90);
    EXPECT_EQ(Chit("Flag2").ImagePixelShiftX(), 7);
    EXPECT_EQ(Chit("Flag2").ImagePixelShiftY(), -3);
    EXPECT_EQ(Chit("Flag1").ImageSizePercent(), 100);
    design->SelectChit("Start");
    EXPECT_EQ(design->SelectedChit(), &Chit("Start"));
}

TEST_F(DesignMapRules, TheSettingsReceiveCopiesOfTheLayoutAndOfEveryChit)
{
    TNewGameSettings settings;
    {
        auto design = NewDesign(1);
        design->SetGridSize(2, 1);
        Choose(*design, 0, 0, "PitMaze_1");
        design->RotateSelected(+1);
        Choose(*design, 1, 0, "Chasm_2BB");
        ASSERT_TRUE(Drop(*design, "Start", 0, 0, 2, 11));
        ASSERT_TRUE(Drop(*design, "Flag1", 1, 0, 9, 4));
        design->ApplyTo(settings);

        ASSERT_TRUE(settings.UsedBoardList && settings.ChitList);
        EXPECT_EQ(settings.UsedBoardList->SaveToXMLString(), design->CopyLayout()->SaveToXMLString());
        EXPECT_EQ(settings.ChitList->SaveToXMLString(), FChits->SaveToXMLString());

        // Changing the copies leaves the designer's own as they were.
        settings.UsedBoardList->FindByID("0_0")->SetRotationCount(3);
        settings.UsedBoardList->Delete(1);
        settings.ChitList->FindByID("Start")->SetX(5);
        settings.ChitList->FindByID("Flag1")->TakeOffMap();
        EXPECT_EQ(design->Layout().Count(), 2);
        EXPECT_EQ(design->Layout().FindByID("0_0")->RotationCount(), 1);
        EXPECT_EQ(Places({"Start", "Flag1"}), "0_0:2,11 1_0:9,4");
        EXPECT_TRUE(design->CanAccept());
    }
    // The copies point at the settings' layout and outlive the designer.
    TChit* start = settings.ChitList->FindByID("Start");
    EXPECT_EQ(start->UsedBoardList(), settings.UsedBoardList.get());
    ASSERT_TRUE(start->IsOnMap());
    EXPECT_EQ(start->UsedBoard()->RotationCount(), 3);
    EXPECT_EQ(start->UsedBoard()->Board(), Board("PitMaze_1"));
    // The caller's own chits no longer point at the designer's layout.
    EXPECT_EQ(Chit("Start").UsedBoardList(), nullptr);
    EXPECT_EQ(Chit("Start").UsedBoardID(), "0_0");
}

TEST_F(DesignMapRules, OpeningNeedsTheStartAndFlagsAndTakesThemOffTheMap)
{
    // Left on a cell by an earlier designer: the new grid holds no board yet.
    TUsedBoardList old;
    TUsedBoard placed(&ShippedBoards(), Board("Cross_1"), 0, 0);
    Chit("Flag2").PlaceAt(old.AddUsedBoard(placed), 3, 3);
    Chit("Flag2").SetUsedBoardList(&old);
    ASSERT_TRUE(Chit("Flag2").IsOnMap());
    {
        auto design = NewDesign(2);
        EXPECT_EQ(Place("Flag2"), "off");
        EXPECT_FALSE(design->CanAccept());
    }

    for (int flags : {0, 6}) {
        auto design = NewDesign(flags);
        EXPECT_EQ(static_cast<int>(design->FlagChits().size()), flags + 1);
    }
    EXPECT_EQ(NewDesign(-3)->FlagChits().size(), 1u);
    EXPECT_THROW(NewDesign(7), EChitNotFound);
    FChits->Delete(FChits->IndexOf(FChits->FindByID("Start")));
    EXPECT_THROW(NewDesign(1), EChitNotFound);
}
