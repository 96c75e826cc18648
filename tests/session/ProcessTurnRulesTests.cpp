// The process-turn window's rules without a window: phase texts and steps, the robot list's
// order, which chit an entry stands for, what lies under a point of the shown map, the enabling
// of the editing controls, and the archive, marker, layer and picture commands.
#include "session/ProcessTurnRulesUnt.h"
#include "render/GameFolderUnt.h"
#include "session/ProcessFixture.h"

#include <QFile>

namespace {

// The map of the fixture shown at zoom 0: 2 x 2 cells of 190 pixels.
const QSize Shown(380, 380);

std::vector<std::string> Texts(const TBotItems& items)
{
    std::vector<std::string> texts;
    for (const auto& item : items)
        texts.push_back(BotItemText(*item));
    return texts;
}

} // namespace

TEST(ProcessTurnRules, PhaseDescriptionNamesTheStateOfTheViewedPhase)
{
    const std::tuple<int, int, const char*> cases[] = {{0, 0, "Start of Turn"}, {3, 0, "Review of Start of Turn"},
        {3, 3, "Edit Phase 3"}, {3, 1, "Review of Phase 1"}, {1, 4, "Preview of Phase 4"}, {5, 5, "Edit Phase 5"}};
    for (const auto& [current, viewing, text] : cases)
        EXPECT_EQ(PhaseDescription(current, viewing), text) << current << "/" << viewing;
}

TEST_F(ProcessTest, NextPhaseMovesTheSliderOnlyWhenItStoodOnTheCurrentPhase)
{
    // Current phase and slider before, then whether it stepped, the current phase and the slider after.
    const std::tuple<int, int, bool, int, int> cases[] = {{2, 2, true, 3, 3}, {2, 1, true, 3, 1}, {0, 0, true, 1, 1},
        {1, 4, true, 2, 4}, {5, 5, false, 5, 5}, {5, 3, false, 5, 3}};
    for (const auto& [current, slider, stepped, currentAfter, sliderAfter] : cases) {
        SCOPED_TRACE(Format("%d/%d", current, slider));
        StartGame();
        GoToPhase(current, slider);
        const TNextPhaseResult result = NextPhase(*Game, slider);
        EXPECT_EQ(result.Stepped, stepped);
        EXPECT_EQ(Game->CurrentPhaseNumber(), currentAfter);
        EXPECT_EQ(result.Slider, sliderAfter);
    }
}

TEST_F(ProcessTest, RobotsAreOrderedByTheCardsOfTheViewedRegister)
{
    // Register 1: Hammer Bot 500, Zoom Bot 670, Twonky none. Register 4: Twonky 20, the others none.
    Program(btHammerBot, 1, 500);
    Program(btZoomBot, 1, 670);
    Program(btTwonky, 4, 20);
    // The current and the viewed phase, and the list's texts in order.
    const std::vector<std::tuple<int, int, std::vector<std::string>>> cases = {
        {0, 0, {"Zoom Bot - Move 2 (670)", "Hammer Bot - Move 1 (500)", "Twonky"}},
        {1, 1, {"Zoom Bot - Move 2 (670)", "Hammer Bot - Move 1 (500)", "Twonky"}},
        {1, 4, {"Twonky - U-Turn (20)", "Hammer Bot", "Zoom Bot"}},
        {2, 2, {"Hammer Bot", "Twonky", "Zoom Bot"}},
    };
    for (const auto& [current, viewing, texts] : cases) {
        GoToPhase(current, viewing);
        TBotItems items = BotItems(*Game);
        SortBotItems(items);
        EXPECT_EQ(Texts(items), texts) << current << "/" << viewing;
    }
    // Among robots without a card the names decide, not the list's order.
    TBotItems items = BotItems(*Game); // Hammer Bot, Twonky, Zoom Bot: none has a card in register 2
    EXPECT_EQ(CompareBotItems(*items[1], *items[2]), -1);
    EXPECT_EQ(CompareBotItems(*items[2], *items[1]), 1);
    // A card the deck does not know counts as none.
    Game->BotList()->FindByType(btZoomBot)->Registers()->Registers(0)->SetCardID("NoSuchCard");
    Game->CurrentTurn()->SetViewingPhaseNumber(1);
    SortBotItems(items);
    EXPECT_EQ(Texts(items), (std::vector<std::string> {"Hammer Bot - Move 1 (500)", "Twonky", "Zoom Bot"}));
}

TEST_F(ProcessTest, EntriesResolveByIdentityInTheViewedPhase)
{
    TBotListInfo zoom(btZoomBot, *Game);
    TChitListInfo flag("Flag1", *Game);
    TChitListInfo missing("Nothing", *Game);
    EXPECT_EQ(zoom.GetChitID(), "ZoomBot");
    // Off the map, with no variant on it: the plain chit.
    EXPECT_EQ(zoom.GetChit(), Chit("ZoomBot"));
    // A variant on the map stands for the robot while the plain chit is off it.
    Place("ZoomBotShutDown", 0, 0, 3, 3);
    EXPECT_EQ(zoom.GetChit(), Chit("ZoomBotShutDown"));
    Place("ZoomBot", 0, 0, 4, 4);
    EXPECT_EQ(zoom.GetChit(), Chit("ZoomBot"));
    EXPECT_EQ(flag.GetChit(), Chit("Flag1"));
    EXPECT_EQ(missing.GetChit(), nullptr);
    EXPECT_EQ(OtherItemText(flag), "Flag 1");
    EXPECT_EQ(OtherItemText(missing), "");

    // The next phase holds copies: the same entries find them there.
    Game->NextPhase();
    Game->CurrentTurn()->SetViewingPhaseNumber(1);
    EXPECT_EQ(zoom.GetChit(), Chit("ZoomBot"));
    EXPECT_NE(zoom.GetChit(), Game->CurrentTurn()->PhaseByNumber(0)->ChitList()->FindByID("ZoomBot"));
}

TEST_F(ProcessTest, DropOnAnEmptyCellOrBesideTheMapTakesTheChitOff)
{
    const QPoint emptyCell(300, 300);
    const QPoint outside(-5, 10);
    for (QPoint point : {emptyCell, outside}) {
        Place("ZoomBot", 0, 0, 5, 5);
        const TMapPlace place = DropPlace(*Game, point, Shown);
        EXPECT_FALSE(place.OnMap());
        PlaceChit(*Game, *Chit("ZoomBot"), place);
        EXPECT_EQ(Where("ZoomBot"), "off");
    }
    // On a square: placed there, both references set, on a turned board too.
    PlaceChit(*Game, *Chit("ZoomBot"), DropPlace(*Game, ShownPoint(1, 0, 3, 8, Shown), Shown));
    EXPECT_EQ(Where("ZoomBot"), "1_0 B 3,8");
}

TEST_F(ProcessTest, APointOfTheMapPicksListedRobotsThenMarkersAndHintsEveryChitButNothingInAPreview)
{
    Place("ZoomBot", 0, 0, 5, 5);
    Place("HammerBot", 0, 0, 6, 5);
    TChit* marker = AddMarker(*Viewed(), *Game->UsedBoardList(), "Pit", TMapPlace {"0_0", 5, 5});
    ASSERT_NE(marker, nullptr);
    TBotItems bots = BotItems(*Game);
    TChitListInfo other(marker->ID(), *Game);
    std::vector<TChitListInfo*> entries;
    for (const auto& entry : bots)
        entries.push_back(entry.get());
    entries.push_back(&other);

    const QPoint robot = ShownPoint(0, 0, 5, 5, Shown);
    const QPoint flag = ShownPoint(1, 0, 4, 4, Shown);
    const std::vector<TChitListInfo*> both = ChitsAtPoint(*Game, entries, robot, Shown);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0]->GetChit()->ID(), "ZoomBot");
    EXPECT_EQ(both[1]->GetChit()->ID(), "Pit_1");
    EXPECT_EQ(ChitAtPoint(*Game, entries, robot, Shown), both[0]);
    // A flag is on the map but in no list: it is seen, never picked.
    EXPECT_TRUE(ChitsAtPoint(*Game, entries, flag, Shown).empty());
    EXPECT_EQ(ChitAtPoint(*Game, entries, QPoint(300, 300), Shown), nullptr);
    // The hint names every chit on the square, in list order.
    EXPECT_EQ(MapHint(*Game, robot, Shown), "Zoom Bot\r\npit 1");
    EXPECT_EQ(MapHint(*Game, flag, Shown), "Flag 1");
    EXPECT_EQ(MapHint(*Game, ShownPoint(0, 0, 7, 7, Shown), Shown), "");
    EXPECT_EQ(MapHint(*Game, QPoint(300, 300), Shown), "");

    // A preview shows the current phase, where nothing is picked.
    GoToPhase(1, 4);
    EXPECT_TRUE(IsPreview(*Game));
    EXPECT_EQ(ShownPhaseNumber(*Game), 1);
    EXPECT_TRUE(ChitsAtPoint(*Game, entries, robot, Shown).empty());
    Game->CurrentTurn()->SetViewingPhaseNumber(1);
    EXPECT_FALSE(IsPreview(*Game));
    EXPECT_EQ(ChitsAtPoint(*Game, entries, robot, Shown).size(), 2u);
}

TEST_F(ProcessTest, EditingControlsFollowTheSelectedChit)
{
    // The size, then what is enabled, with the archive's labels when they show something.
    auto describe = [](const TChitControls& c) {
        std::string text = Format("%d%%", c.SizePercent);
        text += c.ChitEditing ? " edit" : "";
        text += c.Archive ? " archive" : "";
        text += c.ArchiveBoard.empty() ? "" : " board " + c.ArchiveBoard;
        text += c.ArchiveCoords.empty() ? "" : " at " + c.ArchiveCoords;
        return text + (c.SaveImages ? " save" : "") + (c.NextPhase ? " next" : "");
    };
    enum TSelected { Nothing, ZoomEntry, StartEntry };
    const std::vector<std::tuple<const char*, std::function<void()>, TSelected, const char*>> cases = {
        {"nothing selected", [] {}, Nothing, "100% save next"},
        {"robot off the map", [] {}, ZoomEntry, "100% save next"},
        {"robot on the map", [this] { Place("ZoomBot", 0, 0, 5, 5)->SetImageSizePercent(80); }, ZoomEntry,
            "80% edit archive save next"},
        {"marker on the map", [] {}, StartEntry, "100% edit save next"},
        {"archive set", [this] { ASSERT_NE(SetArchive(*Viewed(), *Place("ZoomBot", 1, 0, 3, 4)), nullptr); }, ZoomEntry,
            "100% edit archive board (1, 0) at (3, 4) save next"},
        {"archive on a board no longer on the map",
            [this] {
                SetArchive(*Viewed(), *Place("ZoomBot", 0, 0, 2, 2));
                Viewed()->ArchiveList()->FindByBotType(btZoomBot)->SetUsedBoardID("7_7");
            },
            ZoomEntry, "100% edit archive board unknown grid coords at (2, 2) save next"},
        {"archive without a square", [this] { Viewed()->ArchiveList()->AddArchive(btZoomBot); }, ZoomEntry,
            "100% save next"},
        // A previewed phase has nothing of its own to edit or write; the last has no next phase.
        {"preview", [this] { Place("ZoomBot", 0, 0, 5, 5); GoToPhase(1, 4); }, ZoomEntry, "100% next"},
        {"last phase", [this] { Place("ZoomBot", 0, 0, 5, 5); GoToPhase(5, 5); }, ZoomEntry, "100% edit archive save"},
    };
    for (const auto& [name, arrange, selection, expected] : cases) {
        SCOPED_TRACE(name);
        StartGame();
        arrange();
        TBotListInfo zoom(btZoomBot, *Game);
        TChitListInfo start("Start", *Game);
        const TChitListInfo* selected = selection == ZoomEntry ? &zoom : (selection == StartEntry ? &start : nullptr);
        const TChitControls controls = ChitControls(Game, selected);
        EXPECT_EQ(describe(controls), expected);
        EXPECT_EQ(controls.SaveImagesCaption, Format("Save Images for Turn 1 Phase %d", Game->ViewingPhaseNumber()));
    }
    EXPECT_FALSE(ChitControls(nullptr, nullptr).SaveImages);
}

TEST_F(ProcessTest, CentreUndoesTheNudgeExactly)
{
    TChit* robot = Place("ZoomBot", 0, 0, 5, 5);
    for (QPoint step : {QPoint(1, 0), QPoint(1, 0), QPoint(1, 0), QPoint(0, 1)})
        robot->Tweak(step.x(), step.y());
    EXPECT_EQ(CenterTweak(*robot), QPoint(-3, -1));
    robot->Tweak(CenterTweak(*robot).x(), CenterTweak(*robot).y());
    EXPECT_EQ(robot->ImagePixelShiftX(), 0);
    EXPECT_EQ(robot->ImagePixelShiftY(), 0);
    robot->SetImagePixelShiftX(INT_MIN);
    EXPECT_EQ(CenterTweak(*robot).x(), INT_MAX);
}

TEST_F(ProcessTest, ArchiveSetThenMoveToBringsTheRobotBackWithTheMarkerThere)
{
    TChit* robot = Place("ZoomBot", 1, 0, 3, 4);
    EXPECT_FALSE(MoveToArchive(*Viewed(), *robot)); // no archive yet
    EXPECT_EQ(ArchiveBotType(*Game, *robot), btZoomBot);
    TBotArchive* archive = SetArchive(*Viewed(), *robot);
    ASSERT_NE(archive, nullptr);
    robot->MoveSouth();
    robot->MoveSouth();
    ASSERT_EQ(robot->Y(), 6);
    EXPECT_TRUE(MoveToArchive(*Viewed(), *robot));
    EXPECT_EQ(Where("ZoomBot"), "1_0 B 3,4");
    EXPECT_EQ(Where("ZoomBotArchive"), "1_0 B 3,4");
    const TChit* marker = Chit("ZoomBotArchive");
    // Off the map, the robot's entry finds its marker; moving the entry still moves the robot.
    TBotListInfo zoom(btZoomBot, *Game);
    robot->TakeOffMap();
    EXPECT_EQ(zoom.GetChit(), marker);
    ASSERT_EQ(MovedChit(zoom), robot);
    EXPECT_TRUE(MoveToArchive(*Viewed(), *MovedChit(zoom)));
    EXPECT_TRUE(robot->IsOnMap());
    TChitListInfo markerEntry("ZoomBotArchive", *Game);
    EXPECT_EQ(MovedChit(markerEntry), marker);
    // Chits of no robot have no archive.
    EXPECT_EQ(ArchiveBotType(*Game, *Chit("Start")), btUnknown);
    EXPECT_EQ(SetArchive(*Viewed(), *Chit("Start")), nullptr);
}

TEST_F(ProcessTest, AddChitOffersTheTemplatesSortedWithoutRegardToCase)
{
    Chit("Flag1")->SetIsCloneable(true);
    Chit("Twonky")->SetIsCloneable(true);
    Chit("Twonky")->SetDescription("bolt");
    std::vector<std::string> captions;
    for (const TAddChitItem& item : AddChitItems(*Game)) {
        captions.push_back(item.Caption);
        EXPECT_EQ(Viewed()->ChitList()->CloneableAt(item.Index)->ID(), item.TemplateID);
    }
    EXPECT_EQ(captions, (std::vector<std::string> {"bolt", "Flag 1", "pit", "Start"}));
}

TEST_F(ProcessTest, TwoMarkersFromOneTemplateAreNumberedAndStandOnTheirSquares)
{
    const TUsedBoardList& layout = *Game->UsedBoardList();
    TChit* first = AddMarker(*Viewed(), layout, "Start", TMapPlace {"0_0", 3, 3});
    TChit* second = AddMarker(*Viewed(), layout, "Start", TMapPlace {"1_0", 4, 5});
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->ID(), "Start_1");
    EXPECT_EQ(second->ID(), "Start_2");
    EXPECT_EQ(second->Description(), "Start 2");
    EXPECT_EQ(Where("Start_1"), "0_0 A 3,3");
    EXPECT_EQ(Where("Start_2"), "1_0 B 4,5");
    // Templates that are not cloneable, missing ones and squares that do not exist add nothing.
    const int count = Viewed()->ChitList()->Count();
    EXPECT_EQ(AddMarker(*Viewed(), layout, "Flag1", TMapPlace {"0_0", 3, 3}), nullptr);
    EXPECT_EQ(AddMarker(*Viewed(), layout, "Nothing", TMapPlace {"0_0", 3, 3}), nullptr);
    EXPECT_EQ(AddMarker(*Viewed(), layout, "Start", TMapPlace {"1_1", 3, 3}), nullptr);
    EXPECT_EQ(AddMarker(*Viewed(), layout, "Start", TMapPlace {"0_0", 13, 3}), nullptr);
    EXPECT_EQ(Viewed()->ChitList()->Count(), count);
}

TEST_F(ProcessTest, SaveImagesWritesThePhaseTheCaptionNames)
{
    Place("ZoomBot", 0, 0, 5, 5);
    GoToPhase(2, 1);
    EXPECT_EQ(SaveImagesCaption(*Game), "Save Images for Turn 1 Phase 1");
    std::vector<std::string> written = SaveViewedPhaseImages(Session.Renderer(), *Game);
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0], PhaseImagePath("League", -1, -1, 1, 1));
    for (const std::string& file : written)
        EXPECT_TRUE(QFile::exists(QString::fromStdString(file))) << file;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PhaseImagePath("League", -1, -1, 2, 1))));
    EXPECT_EQ(Game->CurrentPhaseNumber(), 2);
    // A previewed phase has nothing of its own to write.
    Game->CurrentTurn()->SetViewingPhaseNumber(3);
    EXPECT_TRUE(SaveViewedPhaseImages(Session.Renderer(), *Game).empty());
}

TEST(ProcessTurnRules, SavedImagesNoteSaysHowManyPicturesWentWhere)
{
    struct TCase {
        std::vector<std::string> Files;
        std::string Text;
        std::string Folder;
    };
    const TCase cases[] = {
        {{"/g/League/2/Full - Turn 2, Phase 3.jpg", "/g/League/2/(0, 0) - Turn 2, Phase 3.jpg"},
            "Saved 2 pictures of Turn 2, Phase 3 in /g/League/2/", "/g/League/2/"},
        {{"/g/A (game)/2/Full - Turn 2, Phase 3.jpg"}, "Saved 1 picture of Turn 2, Phase 3 in /g/A (game)/2/", "/g/A (game)/2/"},
        {{}, "No pictures were written: Turn 2, Phase 3 has not been reached yet.", ""},
    };
    for (const TCase& c : cases) {
        const TSavedImagesNote note = SavedImagesNote(c.Files, 2, 3);
        EXPECT_EQ(note.Text, c.Text);
        EXPECT_EQ(note.Folder, c.Folder);
    }
}
