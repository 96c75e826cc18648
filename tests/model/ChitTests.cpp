#include "model/BotArchiveUnt.h"
#include "model/ChitUnt.h"
#include "model/BotUnt.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <set>
#include <string>
#include <vector>

namespace {

// A 2 x 2 map: boards at (0, 0), (1, 0) (turned once) and (0, 1); cell (1, 1) is empty.
class ChitMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Catalogue.AddBoard("Cross_1", "Images/1st Edition/Cross.jpg");
        Catalogue.AddBoard("Island_2", "Images/2nd Edition/Island.jpg");
        Put(0, 0, "Cross_1", 0);
        Put(1, 0, "Island_2", 1);
        Put(0, 1, "Island_2", 0);
    }

    void Put(int x, int y, const char* boardID, int rotation)
    {
        TUsedBoard placed(&Catalogue, Catalogue.FindByID(boardID), x, y);
        placed.SetRotationCount(rotation);
        Layout.AddUsedBoard(placed)->SetBoardList(&Catalogue);
    }

    TChit* AddPlaced(TChitList& chits, const std::string& id, int cellX, int cellY, int x, int y)
    {
        TChit* chit = chits.AddChit(id, id, "Images/" + id + ".jpg");
        chit->PlaceAt(Layout.FindAt(cellX, cellY), x, y);
        return chit;
    }

    static std::string Where(const TChit& chit)
    {
        return Format("%s/%s (%d, %d)", chit.UsedBoardID().c_str(), chit.BoardID().c_str(), chit.X(), chit.Y());
    }

    TBoardList Catalogue;
    TUsedBoardList Layout;
};

std::string ChitLine(const std::string& id, const std::string& description, const std::string& path)
{
    return "<Chit ID=\"" + id + "\"><X>-1</X><Y>-1</Y><RelativeFilePath>" + path + "</RelativeFilePath><Description>"
        + description
        + "</Description><ImageSizePercent>100</ImageSizePercent><ImagePixelShiftX>0</ImagePixelShiftX>"
          "<ImagePixelShiftY>0</ImagePixelShiftY><ChitFacing>cfNorth</ChitFacing><DrawLayer>0</DrawLayer>"
          "<IsCloneable>False</IsCloneable><IsClone>False</IsClone></Chit>";
}

} // namespace

// ----------------------------------------------------------------------------- one chit

TEST(Chit, NewChitIsOffTheMapReadingItsReferencesCreatesNoneAndArchiveMarkersHaveArchiveInTheirID)
{
    TChit chit;
    EXPECT_FALSE(chit.IsOnMap());
    EXPECT_EQ(chit.BoardID() + chit.UsedBoardID(), "");
    chit.SetID("Start");
    chit.SetDescription("Start");
    chit.SetRelativeFilePath("Images/Start.jpg");
    EXPECT_EQ(chit.SaveToXMLString(), ChitLine("Start", "Start", "Images/Start.jpg"));

    // Archive markers have "Archive" anywhere in their ID.
    const std::pair<const char*, bool> cases[] = {{"ZoomBotArchive", true}, {"ArchiveZoomBot", true}, {"MyArchive2", true},
        {"Archive", true}, {"archive", false}, {"ZoomBotArchiv", false}, {"ZoomBot", false}, {"", false}};
    for (auto [id, marker] : cases) {
        chit.SetID(id);
        EXPECT_EQ(chit.IsArchiveMarker(), marker) << id;
    }
}

TEST(Chit, FacingTurnsBothWaysAndReadsAnyCaseAndNudgeStaysInRange)
{
    TChit chit;
    for (TChitFacing expected : {cfWest, cfSouth, cfEast, cfNorth}) {
        chit.RotateLeft();
        EXPECT_EQ(chit.ChitFacing(), expected);
    }
    for (TChitFacing expected : {cfEast, cfSouth, cfWest, cfNorth}) {
        chit.RotateRight();
        EXPECT_EQ(chit.ChitFacing(), expected);
    }

    TChit loaded;
    loaded.LoadFromXMLString("<Chit ID=\"A\"><ChitFacing>cfsouth</ChitFacing><IsCloneable>true</IsCloneable></Chit>");
    EXPECT_EQ(loaded.ChitFacing(), cfSouth);
    EXPECT_TRUE(loaded.IsCloneable());
    TChit unknown;
    unknown.SetChitFacing(cfEast);
    unknown.LoadFromXMLString("<Chit ID=\"A\"><ChitFacing>cfUp</ChitFacing></Chit>");
    EXPECT_EQ(unknown.ChitFacing(), cfEast);

    // The nudge stays in range; setting the size reports a change.
    chit.Tweak(3, -2);
    chit.Tweak(1, 1);
    EXPECT_EQ(chit.ImagePixelShiftX(), 4);
    EXPECT_EQ(chit.ImagePixelShiftY(), -1);
    chit.SetImagePixelShiftX(2147483647);
    chit.SetImagePixelShiftY(-2147483647 - 1);
    chit.Tweak(1, -1);
    EXPECT_EQ(chit.ImagePixelShiftX(), 2147483647);
    EXPECT_EQ(chit.ImagePixelShiftY(), -2147483647 - 1);
    EXPECT_FALSE(chit.SetSizePercent(100));
    EXPECT_TRUE(chit.SetSizePercent(80));
    EXPECT_EQ(chit.ImageSizePercent(), 80);
}

TEST(Chit, PictureIsLazyAndAMissingFileRaises)
{
    QTemporaryDir dir;
    TExecutableFolderScope folder(dir.path().toStdString() + "/");
    ASSERT_TRUE(PatternPicture(40, 20).save(dir.path() + "/Flag1.png"));
    TChit chit;
    chit.SetRelativeFilePath("Flag1.png");
    EXPECT_FALSE(chit.HasPicture());
    EXPECT_EQ(chit.Picture().size(), QSize(40, 20));
    chit.SaveUnder() = QImage(5, 5, QImage::Format_RGB32);
    chit.ReleasePictures();
    EXPECT_FALSE(chit.HasPicture());
    EXPECT_TRUE(chit.SaveUnder().isNull());
    chit.SetRelativeFilePath("Nowhere.jpg");
    EXPECT_THROW(chit.Picture(), EImageError);
}

// ----------------------------------------------------------------------------- on the map

TEST_F(ChitMapTest, PlaceAtAndTakeOffMapSetBothReferences)
{
    TChit chit;
    chit.PlaceAt(Layout.FindAt(1, 0), 4, 9);
    EXPECT_EQ(Where(chit), "1_0/Island_2 (4, 9)");
    EXPECT_TRUE(chit.IsOnMap());

    // Without a layout, or when the placed board is gone, the chit counts as off the map.
    chit.SetUsedBoardList(nullptr);
    EXPECT_FALSE(chit.IsOnMap());
    chit.SetUsedBoardList(&Layout);
    chit.UsedBoardRef()->SetID("5_5");
    EXPECT_FALSE(chit.IsOnMap());

    chit.PlaceAt(Layout.FindAt(0, 0), 1, 1);
    chit.TakeOffMap();
    EXPECT_EQ(Where(chit), "/ (-1, -1)");
    EXPECT_FALSE(chit.IsOnMap());
    // A chit off the map does not move.
    for (void (TChit::*move)() : {&TChit::MoveEast, &TChit::MoveWest, &TChit::MoveNorth, &TChit::MoveSouth})
        (chit.*move)();
    chit.StepToNeighbour(1, 0);
    EXPECT_EQ(Where(chit), "/ (-1, -1)");
    chit.PlaceAt(nullptr, 3, 3);
    EXPECT_EQ(Where(chit), "/ (-1, -1)");
}

TEST_F(ChitMapTest, MovesStepInTheBoardsOwnGridAndAcrossEdges)
{
    struct Case { const char* name; int cellX, cellY, x, y; void (TChit::*move)(); const char* after; };
    const Case cases[] = {
        {"east inside", 0, 0, 5, 5, &TChit::MoveEast, "0_0/Cross_1 (6, 5)"},
        {"north inside", 0, 0, 5, 5, &TChit::MoveNorth, "0_0/Cross_1 (5, 4)"},
        {"east on a turned board", 1, 0, 5, 5, &TChit::MoveEast, "1_0/Island_2 (6, 5)"},
        {"east onto the neighbour", 0, 0, 12, 7, &TChit::MoveEast, "1_0/Island_2 (1, 7)"},
        {"west onto the neighbour", 1, 0, 1, 3, &TChit::MoveWest, "0_0/Cross_1 (12, 3)"},
        {"south onto the neighbour", 0, 0, 8, 12, &TChit::MoveSouth, "0_1/Island_2 (8, 1)"},
        {"north onto the neighbour", 0, 1, 8, 1, &TChit::MoveNorth, "0_0/Cross_1 (8, 12)"},
        {"east into the empty cell", 0, 1, 12, 4, &TChit::MoveEast, "/ (-1, -1)"},
        {"west off the map", 0, 0, 1, 4, &TChit::MoveWest, "/ (-1, -1)"},
        {"north off the map", 1, 0, 6, 1, &TChit::MoveNorth, "/ (-1, -1)"},
        {"south into the empty cell", 1, 0, 6, 12, &TChit::MoveSouth, "/ (-1, -1)"},
        {"east past the last column", 1, 0, 12, 2, &TChit::MoveEast, "/ (-1, -1)"},
    };
    for (const Case& c : cases) {
        TChitList chits;
        TChit* chit = AddPlaced(chits, "ZoomBot", c.cellX, c.cellY, c.x, c.y);
        (chit->*c.move)();
        EXPECT_EQ(Where(*chit), c.after) << c.name;
        EXPECT_EQ(chit->IsOnMap(), std::string(c.after) != "/ (-1, -1)") << c.name;
    }
}

TEST_F(ChitMapTest, PlacedChitTextIsExactAndLoadsBack)
{
    TChitList chits;
    TChit* chit = AddPlaced(chits, "Flag1", 1, 0, 3, 11);
    chit->SetChitFacing(cfWest);
    chit->SetDrawLayer(2);
    chit->SetVersion(4);
    const std::string expected =
        "<ChitList><Chit ID=\"Flag1\" Version=\"4\"><X>3</X><Y>11</Y><RelativeFilePath>Images/Flag1.jpg</RelativeFilePath>"
        "<Description>Flag1</Description><ImageSizePercent>100</ImageSizePercent><ImagePixelShiftX>0</ImagePixelShiftX>"
        "<ImagePixelShiftY>0</ImagePixelShiftY><ChitFacing>cfWest</ChitFacing><DrawLayer>2</DrawLayer>"
        "<IsCloneable>False</IsCloneable><IsClone>False</IsClone>"
        "<BoardRef ID=\"Island_2\"></BoardRef>\r\n<UsedBoardRef ID=\"1_0\"></UsedBoardRef></Chit></ChitList>";
    EXPECT_EQ(chits.SaveToXMLString(), expected);
    TChitList loaded;
    loaded.LoadFromXMLString(expected);
    EXPECT_EQ(loaded.SaveToXMLString(), expected);
    // A copy carries no pointers until its owner gives them.
    EXPECT_FALSE(loaded.Items(0)->IsOnMap());
    loaded.SetUsedBoardList(&Layout);
    loaded.SetBoardList(&Catalogue);
    EXPECT_TRUE(loaded.Items(0)->IsOnMap());
    EXPECT_EQ(loaded.Items(0)->Board()->ID(), "Island_2");
}

TEST_F(ChitMapTest, ListIsSavedInAscendingDrawLayer)
{
    TChitList chits;
    const std::pair<const char*, int> layers[] = {{"A", 5}, {"B", 0}, {"C", 2}, {"D", 0}, {"E", -1}, {"F", 2}};
    for (auto [id, layer] : layers)
        chits.AddChit(id, id, "x.jpg")->SetDrawLayer(layer);
    chits.SaveToXMLString();
    std::string order;
    for (int i = 0; i < chits.Count(); ++i)
        order += chits.Items(i)->ID();
    EXPECT_EQ(order, "EBDCFA");
}

// ----------------------------------------------------------------------------- clones

TEST_F(ChitMapTest, ClonesAreNumberedAfterTheHighest)
{
    TChitList chits;
    TChit* start = AddPlaced(chits, "Start", 0, 0, 2, 2);
    start->SetIsCloneable(true);
    start->SetDrawLayer(3);
    start->SetVersion(2);
    start->SetChitFacing(cfEast);
    start->Tweak(4, 4);
    start->SetSizePercent(60);
    // Off the map at the default size, nudge and facing; references, layer and version come along.
    TChit* first = chits.AddClone(*start);
    EXPECT_EQ(first->SaveToXMLString(),
        "<Chit ID=\"Start_1\" Version=\"2\"><X>-1</X><Y>-1</Y><RelativeFilePath>Images/Start.jpg</RelativeFilePath>"
        "<Description>Start 1</Description><ImageSizePercent>100</ImageSizePercent><ImagePixelShiftX>0</ImagePixelShiftX>"
        "<ImagePixelShiftY>0</ImagePixelShiftY><ChitFacing>cfNorth</ChitFacing><DrawLayer>3</DrawLayer>"
        "<IsCloneable>False</IsCloneable><IsClone>True</IsClone>"
        "<BoardRef ID=\"Cross_1\"></BoardRef>\r\n<UsedBoardRef ID=\"0_0\"></UsedBoardRef></Chit>");
    EXPECT_EQ(first->UsedBoardList(), &Layout);
    EXPECT_EQ(first->BoardList(), &Catalogue);
    for (int i = 2; i <= 3; ++i)
        EXPECT_EQ(chits.AddClone(*start)->Description(), Format("Start %d", i));
    EXPECT_EQ(chits.CloneCount(), 3);
    EXPECT_EQ(chits.CloneableCount(), 1);
    EXPECT_EQ(chits.CloneableAt(0), start);
    EXPECT_EQ(chits.CloneableAt(1), nullptr);
    EXPECT_EQ(chits.CloneAt(2)->ID(), "Start_3");
    EXPECT_EQ(chits.CloneAt(3), nullptr);
}

TEST(ChitClones, NumbersAreReadFromTheTemplatesOwnClonesOnly)
{
    struct Case { std::vector<std::pair<std::string, bool>> existing /* ID, IsClone */; const char* next; };
    const Case cases[] = {
        {{}, "Start_1"},
        {{{"Start_1", true}, {"Start_3", true}}, "Start_4"}, // a gap below the highest is not filled
        {{{"Start_", true}, {"Start_x", true}}, "Start_1"},
        {{{"Start_7", false}}, "Start_1"},              // not a clone
        {{{"Starting_9", true}, {"Start9", true}}, "Start_1"}, // not this template's
        {{{"Start_ 12abc", true}, {"Start_3", true}}, "Start_13"},
        {{{"Start_-4", true}}, "Start_1"},
        {{{"Start_2147483647", true}}, "Start_2147483648"},
    };
    for (const Case& c : cases) {
        TChitList chits;
        TChit* start = chits.AddChit("Start", "Start", "Images/Start.jpg");
        for (const auto& [id, isClone] : c.existing)
            chits.AddChit(id, id, "x.jpg")->SetIsClone(isClone);
        EXPECT_EQ(chits.AddClone(*start)->ID(), c.next) << c.next;
    }
}

// ----------------------------------------------------------------------------- robots

TEST_F(ChitMapTest, FindBotChitPrefersTheStateChitsInOrder)
{
    struct Case { std::set<std::string> onMap; const char* found; };
    const Case cases[] = {{{"", "ShutDown", "Virtual", "Destroyed", "Archive"}, "ZoomBot"},
        {{"ShutDown", "Virtual", "Destroyed", "Archive"}, "ZoomBotShutDown"}, {{"Virtual", "Archive"}, "ZoomBotVirtual"},
        {{"Destroyed", "Archive"}, "ZoomBotDestroyed"}, {{"Archive"}, "ZoomBotArchive"}, {{}, ""}};
    for (const Case& c : cases) {
        TChitList chits;
        for (const char* suffix : BotChitSuffixes) {
            TChit* chit = chits.AddChit(std::string("ZoomBot") + suffix, "", "");
            if (c.onMap.count(suffix))
                chit->PlaceAt(Layout.FindAt(0, 0), 3, 3);
        }
        chits.AddChit("HammerBot", "", "")->PlaceAt(Layout.FindAt(0, 0), 4, 4);
        TChit* found = chits.FindBotChit("ZoomBot");
        EXPECT_EQ(found ? found->ID() : "", c.found);
    }
}

TEST_F(ChitMapTest, RobotTypeAndIndexOfAChit)
{
    TChitList chits;
    for (const char* id : {"ZoomBot", "ZoomBotArchive", "HulkX-90Virtual", "Flag1", "BuzzBombDestroyed"})
        chits.AddChit(id, "", "");
    // The index is the one in a new bot list: Hammer Bot 0 ... Zoom Bot 7, Buzz Bomb 8.
    struct Case { const char* id; TBotType type; const char* base; int index; };
    const Case cases[] = {{"ZoomBot", btZoomBot, "ZoomBot", 7}, {"ZoomBotArchive", btZoomBot, "ZoomBot", 7},
        {"HulkX-90Virtual", btHulkX90, "HulkX-90", 1}, {"BuzzBombDestroyed", btBuzzBomb, "BuzzBomb", 8},
        {"ZoomBotShutDown", btUnknown, "", -1}, // a robot's ID, but not in the list
        {"Flag1", btUnknown, "", -1}, {"zoombot", btUnknown, "", -1}};
    TBotList bots;
    for (const Case& c : cases) {
        EXPECT_EQ(BotTypeOfChitID(c.id, chits), c.type) << c.id;
        EXPECT_EQ(BaseChitIDOfChit(c.id, chits), c.base) << c.id;
        TChit probe;
        probe.SetID(c.id);
        EXPECT_EQ(chits.BotIndexOfChit(&probe, bots), c.index) << c.id;
    }
    EXPECT_EQ(chits.BotIndexOfChit(nullptr, bots), -1);
}

// Shut down before virtual before destroyed (10 damage): the chit for the robot's state takes the
// square of the one shown, keeps its own look, and a second call changes nothing. The archive
// marker never stands for the robot, so a robot only it shows is left alone; so is another robot.
TEST_F(ChitMapTest, StateChitTakesThePlaceOfTheChitShown)
{
    struct Case { TBotActivityLevel activity; TBotState state; int damage; const char* placed; const char* shown; };
    const Case cases[] = {
        {alShutDown, bsVirtual, 10, "ZoomBotDestroyed", "ZoomBotShutDown"},
        {alShutDown, bsReal, 0, "ZoomBot", "ZoomBotShutDown"},
        {alShuttingDownNextTurn, bsVirtual, 10, "ZoomBotDestroyed", "ZoomBotVirtual"},
        {alNormal, bsReal, 10, "ZoomBotDestroyed", "ZoomBotDestroyed"},
        {alNormal, bsReal, 9, "ZoomBotDestroyed", "ZoomBot"},
        {alShuttingDownNextTurn, bsReal, 0, "ZoomBotDestroyed", "ZoomBot"},
        {alNormal, bsReal, 0, "ZoomBotShutDown", "ZoomBot"},
        {alNormal, bsReal, 0, "ZoomBotArchive", "ZoomBotArchive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placed);
        TChitList chits;
        for (int s = 0; s < BotChitSuffixCount; ++s) {
            TChit* chit = chits.AddChit(std::string("ZoomBot") + BotChitSuffixes[s], "", "");
            chit->SetChitFacing(static_cast<TChitFacing>(s % 4));
            chit->SetSizePercent(50 + s);
        }
        TChit* placed = chits.FindByID(c.placed);
        placed->PlaceAt(Layout.FindAt(1, 0), 4, 6);
        TChit* hammer = AddPlaced(chits, "HammerBot", 0, 0, 2, 2);
        TChit* shown = chits.FindByID(c.shown);
        const TChitFacing facing = shown->ChitFacing();
        const int size = shown->ImageSizePercent();
        TBotList bots;
        TBot* bot = bots.FindByType(btZoomBot);
        bot->SetBotActivityLevel(c.activity);
        bot->SetBotState(c.state);
        bot->SetDamage(c.damage);
        chits.ShowBotsInState(bots);
        EXPECT_EQ(chits.FindBotChit("ZoomBot"), shown);
        EXPECT_EQ(Where(*shown), "1_0/Island_2 (4, 6)");
        if (placed != shown) {
            EXPECT_EQ(Where(*placed), "/ (-1, -1)");
        }
        EXPECT_EQ(shown->ChitFacing(), facing);
        EXPECT_EQ(shown->ImageSizePercent(), size);
        EXPECT_EQ(Where(*hammer), "0_0/Cross_1 (2, 2)");
        const std::string once = chits.SaveToXMLString();
        chits.ShowBotsInState(bots);
        EXPECT_EQ(chits.SaveToXMLString(), once);
    }
}

// ----------------------------------------------------------------------------- archives

TEST_F(ChitMapTest, ArchiveRecordsAreSetFromARobotChitAndMoveItBack)
{
    TChitList chits;
    TChit* virtualChit = AddPlaced(chits, "SpinBotVirtual", 1, 0, 6, 8);
    TChit* marker = chits.AddChit("SpinBotArchive", "", "");
    TChit* flag = AddPlaced(chits, "Flag2", 0, 0, 1, 1);
    TBotArchiveList archives;

    EXPECT_EQ(SetBotArchive(archives, chits, *flag), nullptr);
    EXPECT_EQ(archives.Count(), 0);

    TBotArchive* record = SetBotArchive(archives, chits, *virtualChit);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(Where(*marker), "1_0/Island_2 (6, 8)");
    // Setting again reuses the record.
    virtualChit->MoveSouth();
    EXPECT_EQ(SetBotArchive(archives, chits, *virtualChit), record);
    EXPECT_EQ(archives.SaveToXMLString(), "<BotArchiveList><BotArchive ID=\"btSpinBot\"><BotType>btSpinBot</BotType><X>6</X>"
                                          "<Y>9</Y><UsedBoardRef ID=\"1_0\"></UsedBoardRef></BotArchive></BotArchiveList>");

    virtualChit->PlaceAt(Layout.FindAt(0, 1), 2, 2);
    EXPECT_TRUE(MoveChitToArchive(record, *virtualChit));
    EXPECT_EQ(Where(*virtualChit), "1_0/Island_2 (6, 9)");
    EXPECT_TRUE(virtualChit->IsOnMap());

    // A new record is not set and moves nothing; one whose board left the map leaves the chit off it.
    TBotArchive* empty = archives.AddArchive(btTwitch);
    EXPECT_FALSE(empty->IsSet());
    EXPECT_EQ(empty->SaveToXMLString(), "<BotArchive ID=\"btTwitch\"><BotType>btTwitch</BotType><X>-1</X><Y>-1</Y>"
                                        "<UsedBoardRef></UsedBoardRef></BotArchive>");
    EXPECT_FALSE(MoveChitToArchive(empty, *virtualChit));
    EXPECT_FALSE(MoveChitToArchive(nullptr, *virtualChit));
    EXPECT_EQ(Where(*virtualChit), "1_0/Island_2 (6, 9)");
    record->SetUsedBoardID("7_7");
    EXPECT_TRUE(MoveChitToArchive(record, *virtualChit));
    EXPECT_EQ(virtualChit->UsedBoardID(), "7_7");
    EXPECT_FALSE(virtualChit->IsOnMap());

    // The type is read in any case and the default reference is reused, not doubled.
    TBotArchiveList loaded;
    loaded.LoadFromXMLString("<BotArchiveList><BotArchive><BotType>btspinbot</BotType><X>4</X><Y>7</Y>"
                             "<UsedBoardRef ID=\"1_0\"></UsedBoardRef></BotArchive></BotArchiveList>");
    ASSERT_EQ(loaded.Count(), 1);
    ASSERT_NE(loaded.FindByBotType(btSpinBot), nullptr);
    EXPECT_EQ(loaded.Items(0)->SaveToXMLString(), "<BotArchive><BotType>btSpinBot</BotType><X>4</X><Y>7</Y>"
                                                  "<UsedBoardRef ID=\"1_0\"></UsedBoardRef></BotArchive>");
    EXPECT_TRUE(loaded.Items(0)->IsSet());
}

// ----------------------------------------------------------------------------- built-in table

// The start, six flags and the eight robots of the board (the buzz bomb comes with its option);
// the shipped catalogue's tests check what each chit holds.
TEST(ChitList, BuiltCatalogueFileHasOneChitPerLineAndLoadsBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string folder = dir.path().toStdString() + "/";
    BuildChitListFile(folder);
    const std::string bytes = ReadBytes(folder + "Chits.xml");
    EXPECT_TRUE(bytes.starts_with("<ChitList>" + ChitLine("Start", "Start", "Images/Start.jpg") + "\r\n")) << bytes;
    EXPECT_TRUE(bytes.ends_with(ChitLine("ZoomBot", "Zoom Bot", "Images/Zoom Bot.jpg") + "</ChitList>\r\n")) << bytes;
    EXPECT_EQ(SplitLines(bytes).size(), 15u);

    TChitList loaded;
    loaded.LoadFromXMLFile(folder + "Chits.xml");
    ASSERT_EQ(loaded.Count(), 15);
    EXPECT_EQ(loaded.CloneableCount(), 0);
    EXPECT_EQ(loaded.Items(14)->Objects().size(), 0u);
}
