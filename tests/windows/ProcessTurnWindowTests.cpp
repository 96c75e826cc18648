// The process-turn window driven offscreen through real widgets and events: phases, the
// preview, the select and marker pop-ups, drag and drop and the chit buttons checked on the
// pixels of the picture shown, undo from the keyboard, layers, zoom and pictures.
#include "windows/frmProcessTurnUnt.h"
#include "render/GameFolderUnt.h"
#include "windows/DragObjectsUnt.h"
#include "session/ProcessFixture.h"
#include "windows/UiWindowTestUtils.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

namespace {

bool Near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

class ProcessWindowTest : public ProcessTest {
protected:
    void TearDown() override
    {
        delete Window;
        ProcessTest::TearDown();
    }

    TfrmProcessTurn* Open()
    {
        ShowProcessTurn(Window, Session, &MainWindow);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window));
        return Window;
    }

    template <class T>
    T* Control(const char* name) const { return ::Control<T>(*Window, name); }
    QWidget* Map() const { return Control<QWidget>("imgMap"); }
    QString Text(const char* label) const { return Control<QLabel>(label)->text(); }
    void Click(const char* button) const { QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton); }
    void CloseMenus() const
    {
        Control<QMenu>("pmuOtherChits")->hide();
        Control<QMenu>("pmuSelectChit")->hide();
    }
    QPoint At(int bx, int by, int x, int y) const { return ShownPoint(bx, by, x, y, Window->ShownSize()); }
    std::string SelectedID() const { return Window->GetSelectedChit() ? Window->GetSelectedChit()->ID() : "none"; }
    QRgb MapPixelOf(int bx, int by, int x, int y) const { return Window->MapPicture().pixel(MapPixel(bx, by, x, y)); }

    // A drop of the chit at the point, as the end of a drag delivers it.
    bool DropAt(const std::string& chitID, QPoint at, QWidget* target = nullptr)
    {
        TDragChit payload(chitID, Control<QListWidget>("lstBots"));
        return DropOn(target ? target : Map(), &payload, at);
    }

    QWidget MainWindow;
    TfrmProcessTurn* Window = nullptr;
};

TEST_F(ProcessWindowTest, OneWindowAtATimeAndClosingClearsTheSlot)
{
    TfrmProcessTurn* first = Open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Process Turn 1 - League");
    ShowProcessTurn(Window, Session, &MainWindow);
    EXPECT_EQ(Window, first);
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Window, nullptr);

    // A holder that wants to be told.
    TfrmProcessTurn* held = nullptr;
    std::vector<TfrmProcessTurn*> told;
    ShowProcessTurn(held, Session, &MainWindow, [&](TfrmProcessTurn* window) {
        told.push_back(window);
        held = window;
    });
    ASSERT_NE(held, nullptr);
    // Another game: the window goes with the one it was opened on.
    Session.CloseGame();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(told.back(), nullptr);
    // Without a game nothing opens.
    ShowProcessTurn(Window, Session, &MainWindow);
    EXPECT_EQ(Window, nullptr);
}

// Where the slider stays on Next Phase is the rules' business; the window shows the phase it stands on.
TEST_F(ProcessWindowTest, SaveImagesWritesTheViewedPhaseAndNextPhaseShowsTheNewOneUpToTheLast)
{
    GoToPhase(2, 1);
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    auto* save = Control<QPushButton>("btnSaveImages");
    EXPECT_EQ(save->text(), "Save Images for Turn 1 Phase 1");
    Click("btnSaveImages");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(PhaseImagePath("League", -1, -1, 1, 1))));
    // The shown map is not drawn again: the next edit erases exactly what the robot covered.
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    ASSERT_EQ(SelectedID(), "ZoomBot");
    Click("btnMoveEast");
    EXPECT_EQ(Window->MapPicture(), TMapRenderer().BuildMapPicture(*Game, 0, 1));
    Control<QSlider>("tbrPhases")->setValue(2);
    EXPECT_EQ(save->text(), "Save Images for Turn 1 Phase 2");

    Click("btnNextPhase");
    EXPECT_EQ(Control<QSlider>("tbrPhases")->value(), 3);
    EXPECT_EQ(Text("lblPhase"), "Phase 3");
    EXPECT_EQ(Text("lblPhaseDescription"), "Edit Phase 3");
    EXPECT_EQ(Window->DrawnPhaseNumber(), 3);
    for (int step = 0; step < 2; ++step)
        Click("btnNextPhase");
    EXPECT_EQ(Text("lblPhaseDescription"), "Edit Phase 5");
    EXPECT_FALSE(Control<QPushButton>("btnNextPhase")->isEnabled());
}

TEST_F(ProcessWindowTest, PreviewShowsTheCurrentPhaseAndIgnoresClicksAndDrops)
{
    Program(btHammerBot, 4, 500);
    GoToPhase(1, 1);
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    Control<QSlider>("tbrPhases")->setValue(4);
    EXPECT_EQ(Text("lblPhaseDescription"), "Preview of Phase 4");
    EXPECT_EQ(Window->DrawnPhaseNumber(), 1);
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour);
    EXPECT_EQ(Lines(Control<QListWidget>("lstBots")),
        (QStringList {"Hammer Bot - Move 1 (500)", "Twonky", "Zoom Bot"}));

    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    EXPECT_EQ(Window->GetSelectedListInfo(), nullptr);
    EXPECT_FALSE(DropAt("ZoomBot", At(0, 0, 7, 7)));
    EXPECT_EQ(Game->CurrentTurn()->PhaseByNumber(1)->ChitList()->FindByID("ZoomBot")->X(), 5);
    EXPECT_FALSE(Control<QPushButton>("btnSaveImages")->isEnabled());
}

TEST_F(ProcessWindowTest, ClickingAStackOpensTheSelectPopUpAndAFlagDoesNothing)
{
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    // A marker from the right-click menu, on the robot's square.
    QTest::mouseClick(Map(), Qt::RightButton, {}, At(0, 0, 5, 5));
    // The templates' order is the rules' business; the second is "Start".
    auto* addChit = Control<QMenu>("mniAddChit");
    ASSERT_TRUE(addChit->menuAction()->isEnabled());
    ASSERT_EQ(addChit->actions().size(), 2);
    EXPECT_FALSE(addChit->actions().at(0)->icon().isNull());
    addChit->actions().at(1)->trigger();
    CloseMenus();
    EXPECT_EQ(Lines(Control<QListWidget>("lstOtherChits")), QStringList {"Start 1"});
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour); // the robot lies above the marker

    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    auto* select = Control<QMenu>("pmuSelectChit");
    ASSERT_EQ(select->actions().size(), 2);
    EXPECT_TRUE(select->isVisible());
    EXPECT_EQ(select->actions().at(0)->text(), "Zoom Bot");
    select->actions().at(1)->trigger();
    CloseMenus();
    EXPECT_EQ(Control<QTabWidget>("pgeChits")->currentWidget(), Control<QWidget>("tabOther"));
    EXPECT_EQ(SelectedID(), "Start_1");
    EXPECT_FALSE(Control<QPushButton>("btnArchiveSet")->isEnabled());

    // A single robot is chosen at once.
    Control<QListWidget>("lstOtherChits")->clearSelection();
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(1, 0, 4, 4)); // the flag alone
    EXPECT_FALSE(Control<QMenu>("pmuSelectChit")->isVisible());
    EXPECT_EQ(SelectedID(), "none");
    Place("HammerBot", 0, 0, 9, 9);
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 9, 9));
    EXPECT_EQ(SelectedID(), "HammerBot");
    EXPECT_EQ(Control<QTabWidget>("pgeChits")->currentWidget(), Control<QWidget>("tabBots"));
    // Beside the boards nothing can be added.
    QTest::mouseClick(Map(), Qt::RightButton, {}, QPoint(285, 285));
    EXPECT_FALSE(Control<QMenu>("mniAddChit")->menuAction()->isEnabled());
}

TEST_F(ProcessWindowTest, DragAndDropAndAMoveButtonRedrawOnlyWhatMoved)
{
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    ASSERT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour);
    // The drag starts from the map (offscreen it ends at once); the drop puts the robot on (8, 8).
    QTest::mousePress(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    QTest::mouseMove(Map(), At(0, 0, 5, 5) + QPoint(20, 0));
    QTest::mouseRelease(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5) + QPoint(20, 0));
    ASSERT_TRUE(DropAt("ZoomBot", At(0, 0, 8, 8)));
    EXPECT_EQ(Chit("ZoomBot")->X(), 8);
    EXPECT_EQ(MapPixelOf(0, 0, 8, 8), ZoomBotColour);
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), BoardA);
    EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(0, 0, 5, 5)), BoardA));
    EXPECT_TRUE(Near(Map()->grab().toImage().pixel(At(0, 0, 8, 8)), ZoomBotColour));

    // Moved in the model without a redraw, the flag shows where a full redraw would put it.
    QApplication::processEvents();
    Chit("Flag1")->SetX(6);
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 8, 8));
    ASSERT_EQ(SelectedID(), "ZoomBot");
    Click("btnMoveEast");
    EXPECT_EQ(MapPixelOf(0, 0, 9, 8), ZoomBotColour);
    EXPECT_EQ(MapPixelOf(0, 0, 8, 8), BoardA);
    EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(0, 0, 9, 8)), ZoomBotColour));
    EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(0, 0, 8, 8)), BoardA));
    EXPECT_EQ(MapPixelOf(1, 0, 4, 4), FlagColour);
    EXPECT_EQ(MapPixelOf(1, 0, 6, 4), BoardB);

    // Ctrl+Z takes the move back, Ctrl+Shift+Z does it again.
    QTest::keyClick(Window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Chit("ZoomBot")->X(), 8);
    EXPECT_EQ(MapPixelOf(0, 0, 8, 8), ZoomBotColour);
    QTest::keyClick(Window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Chit("ZoomBot")->X(), 9);
    // Undo twice: the drop goes as well; the buttons follow the history.
    Click("btnUndo");
    Click("btnUndo");
    EXPECT_EQ(Chit("ZoomBot")->X(), 5);
    EXPECT_FALSE(Control<QPushButton>("btnUndo")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>("btnRedo")->isEnabled());

    // Dropped beside the map, the robot leaves it.
    ASSERT_TRUE(DropAt("ZoomBot", QPoint(10, 10), Control<QWidget>("sbxMap")->findChild<QWidget*>("qt_scrollarea_viewport")));
    EXPECT_FALSE(Chit("ZoomBot")->IsOnMap());
    // Next Phase ends the history.
    Click("btnNextPhase");
    EXPECT_EQ(Session.UndoStack().count(), 0);
}

TEST_F(ProcessWindowTest, ArchiveButtonsSetTheArchiveAndBringTheRobotBack)
{
    // On the outer ring the marker is drawn in the square's centre.
    Place("ZoomBot", 1, 0, 12, 4);
    Open();
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(1, 0, 12, 4));
    ASSERT_TRUE(Control<QPushButton>("btnArchiveSet")->isEnabled());
    Click("btnArchiveSet");
    EXPECT_EQ(Text("lblArchiveBoard"), "(1, 0)");
    EXPECT_EQ(Text("lblArchiveCoords"), "(12, 4)");
    Click("btnMoveSouth");
    Click("btnMoveSouth");
    EXPECT_EQ(MapPixelOf(1, 0, 12, 4), ZoomBotArchiveColour);
    EXPECT_EQ(MapPixelOf(1, 0, 12, 6), ZoomBotColour);
    Click("btnArchiveMoveTo");
    EXPECT_EQ(MapPixelOf(1, 0, 12, 4), ZoomBotColour);
    EXPECT_EQ(MapPixelOf(1, 0, 12, 6), BoardB);
}

TEST_F(ProcessWindowTest, ZoomGrowsTheShownMapByWholeCellsAndHideChitsShowsTheCourseAlone)
{
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    EXPECT_EQ(Map()->size(), QSize(380, 380));
    EXPECT_FALSE(Control<QPushButton>("btnZoomOut")->isEnabled());
    Click("btnZoomIn");
    EXPECT_EQ(Map()->size(), QSize(760, 760));
    EXPECT_EQ(Window->ShownPicture().size(), Window->ShownSize());
    // The squares are found at the new size.
    const TMapSquare square = Window->SquareAtPoint(At(1, 0, 4, 5));
    ASSERT_TRUE(square);
    EXPECT_EQ(square.UsedBoard->ID(), "1_0");
    EXPECT_EQ(QPoint(square.Node->X(), square.Node->Y()), QPoint(4, 5));
    Click("btnZoomOut");
    EXPECT_EQ(Map()->size(), QSize(380, 380));

    // Hide Chits keeps the course (layers up to 100) and hides the robots; Show Chits brings them back.
    Click("btnShowHideChits");
    EXPECT_EQ(Game->ChitLayerLimit(), 100);
    EXPECT_EQ(Control<QPushButton>("btnShowHideChits")->text(), "Show Chits");
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), BoardA);
    EXPECT_EQ(MapPixelOf(1, 0, 4, 4), FlagColour);
    Click("btnShowHideChits");
    EXPECT_EQ(Game->ChitLayerLimit(), -1);
    EXPECT_EQ(Control<QPushButton>("btnShowHideChits")->text(), "Hide Chits");
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour);
}

TEST_F(ProcessWindowTest, UndoShowsThePhaseItTakesBack)
{
    GoToPhase(2, 2);
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    Click("btnMoveEast");
    Control<QSlider>("tbrPhases")->setValue(1);
    EXPECT_EQ(Window->DrawnPhaseNumber(), 1);
    Click("btnUndo");
    EXPECT_EQ(Control<QSlider>("tbrPhases")->value(), 2);
    EXPECT_EQ(Text("lblPhaseDescription"), "Edit Phase 2");
    EXPECT_EQ(Chit("ZoomBot")->X(), 5);
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour);
    EXPECT_EQ(MapPixelOf(0, 0, 6, 5), BoardA);
}
