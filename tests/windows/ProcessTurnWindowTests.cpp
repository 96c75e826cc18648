// The process-turn window driven offscreen through real widgets and events: phases, the
// preview, the select and marker pop-ups, drag and drop and the chit buttons checked on the
// pixels of the picture shown, undo from the keyboard, layers, zoom and pictures.
#include "windows/frmProcessTurnUnt.h"
#include "render/GameFolderUnt.h"
#include "windows/DragObjectsUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "session/ProcessFixture.h"
#include "windows/UiWindowTestUtils.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

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
    // A button's caption as shown, without its access key mark.
    QString Caption(const char* button) const { return Control<QPushButton>(button)->text().remove('&'); }
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
    EXPECT_EQ(Caption("btnSaveImages"), "Save Images for Turn 1 Phase 1");
    Click("btnSaveImages");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(PhaseImagePath("League", -1, -1, 1, 1))));
    // The shown map is not drawn again: the next edit erases exactly what the robot covered.
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    ASSERT_EQ(SelectedID(), "ZoomBot");
    Click("btnMoveEast");
    EXPECT_EQ(Window->MapPicture(), TMapRenderer().BuildMapPicture(*Game, 0, 1));
    Control<QSlider>("tbrPhases")->setValue(2);
    EXPECT_EQ(Caption("btnSaveImages"), "Save Images for Turn 1 Phase 2");

    EXPECT_FALSE(QFile::exists(QString::fromStdString(Session.RecoveryFileName())));
    Click("btnNextPhase");
    EXPECT_EQ(Control<QSlider>("tbrPhases")->value(), 3);
    EXPECT_EQ(Text("lblPhase"), "Phase 3");
    // The step is kept for recovery at once.
    Session.FinishAutosave();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Session.RecoveryFileName())));
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

    // Moved in the model behind the window's back, the flag is put right by the next edit: the
    // shown map is always what a fresh drawing shows.
    QApplication::processEvents();
    Chit("Flag1")->SetX(6);
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 8, 8));
    ASSERT_EQ(SelectedID(), "ZoomBot");
    Click("btnMoveEast");
    EXPECT_EQ(MapPixelOf(0, 0, 9, 8), ZoomBotColour);
    EXPECT_EQ(MapPixelOf(0, 0, 8, 8), BoardA);
    EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(0, 0, 9, 8)), ZoomBotColour));
    EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(0, 0, 8, 8)), BoardA));
    EXPECT_EQ(MapPixelOf(1, 0, 4, 4), BoardB);
    EXPECT_EQ(MapPixelOf(1, 0, 6, 4), FlagColour);
    EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(1, 0, 6, 4)), FlagColour));

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

    // "Fit" shows the whole map in the view at the largest whole cell, and follows the view.
    auto* view = Control<QWidget>("sbxMap")->findChild<QWidget*>("qt_scrollarea_viewport");
    for (QSize size : {QSize(1100, 660), QSize(700, 520), QSize(1300, 400)}) {
        Window->resize(size);
        Click("btnZoomFit");
        QApplication::processEvents();
        const int cell = Map()->width() / 2;
        EXPECT_EQ(Map()->size(), QSize(2 * cell, 2 * cell)) << size.width();
        EXPECT_TRUE(view->width() >= 2 * cell && view->height() >= 2 * cell) << size.width();
        EXPECT_TRUE(view->width() < 2 * cell + 2 || view->height() < 2 * cell + 2) << size.width();
        EXPECT_EQ(Window->ShownPicture().size(), Window->ShownSize());
    }
    // It stays fitted while the window changes size; "+" goes to the next larger zoom, "-" to
    // the next smaller.
    Window->resize(1100, 660);
    QApplication::processEvents();
    const int fitted = Map()->width() / 2;
    EXPECT_GT(fitted, 190);
    EXPECT_TRUE(Control<QPushButton>("btnZoomOut")->isEnabled());
    Click("btnZoomIn");
    EXPECT_FALSE(Window->ZoomFits());
    EXPECT_GT(Map()->width() / 2, fitted);
    EXPECT_LE(Map()->width() / 2 - 190, fitted);
    Click("btnZoomFit");
    Click("btnZoomOut");
    EXPECT_EQ(Map()->size(), QSize(380, 380));

    // Hide Chits keeps the course (layers up to 100) and hides the robots; Show Chits brings them back.
    Click("btnShowHideChits");
    EXPECT_EQ(Game->ChitLayerLimit(), 100);
    EXPECT_EQ(Caption("btnShowHideChits"), "Show Chits");
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), BoardA);
    EXPECT_EQ(MapPixelOf(1, 0, 4, 4), FlagColour);
    Click("btnShowHideChits");
    EXPECT_EQ(Game->ChitLayerLimit(), -1);
    EXPECT_EQ(Caption("btnShowHideChits"), "Hide Chits");
    EXPECT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour);
}

TEST_F(ProcessWindowTest, MovingTheLowerOfTwoOverlappingChitsLeavesTheMapAsAFreshDrawing)
{
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    // A start marker under the robot (on a lower layer), picked from the select pop-up.
    QTest::mouseClick(Map(), Qt::RightButton, {}, At(0, 0, 5, 5));
    Control<QMenu>("mniAddChit")->actions().at(1)->trigger();
    CloseMenus();
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    Control<QMenu>("pmuSelectChit")->actions().at(1)->trigger();
    CloseMenus();
    ASSERT_EQ(SelectedID(), "Start_1");

    for (const char* step : {"btnMoveEast", "btnUndo", "btnRotateRight", "btnMoveSouth"}) {
        SCOPED_TRACE(step);
        Click(step);
        EXPECT_EQ(MapPixelOf(0, 0, 5, 5), ZoomBotColour);
        EXPECT_TRUE(Near(Window->ShownPicture().pixel(At(0, 0, 5, 5)), ZoomBotColour));
        EXPECT_EQ(Window->MapPicture(), TMapRenderer().BuildMapPicture(*Game, 0, 0));
    }
    EXPECT_EQ(Where("Start_1"), "0_0 A 5,6");
}

TEST_F(ProcessWindowTest, TheOtherListFollowsTheViewedPhase)
{
    GoToPhase(2, 2);
    Open();
    QTest::mouseClick(Map(), Qt::RightButton, {}, At(0, 0, 5, 5));
    Control<QMenu>("mniAddChit")->actions().at(1)->trigger();
    CloseMenus();
    auto* other = Control<QListWidget>("lstOtherChits");
    auto listed = [other] {
        QStringList lines;
        for (int i = 0; i < other->count(); ++i)
            if (!other->item(i)->isHidden())
                lines << other->item(i)->text();
        return lines;
    };
    EXPECT_EQ(listed(), QStringList {"Start 1"});
    // Phase 1 does not hold the marker placed in phase 2.
    Control<QSlider>("tbrPhases")->setValue(1);
    EXPECT_EQ(Text("lblPhaseDescription"), "Review of Phase 1");
    EXPECT_EQ(listed(), QStringList());
    Control<QSlider>("tbrPhases")->setValue(2);
    EXPECT_EQ(listed(), QStringList {"Start 1"});
    // Nor does a phase reached afterwards once the marker is taken back in it.
    Click("btnNextPhase");
    EXPECT_EQ(listed(), QStringList {"Start 1"});
    Game->ViewingPhase()->ChitList()->RemoveObject(Chit("Start_1"));
    Control<QSlider>("tbrPhases")->setValue(2);
    Control<QSlider>("tbrPhases")->setValue(3);
    EXPECT_EQ(listed(), QStringList());
}

TEST_F(ProcessWindowTest, KeysEditTheSelectedChitOncePerPressWhileTheMapOrTheRobotListHasTheFocus)
{
    Place("ZoomBot", 0, 0, 5, 5);
    Open();
    QTest::mouseClick(Map(), Qt::LeftButton, {}, At(0, 0, 5, 5));
    ASSERT_EQ(SelectedID(), "ZoomBot");
    EXPECT_EQ(QApplication::focusWidget(), Map());
    QWidget* list = Control<QListWidget>("lstBots");
    QWidget* field = Control<QWidget>("edtChitImagePercent");
    struct TKeyCase {
        QWidget* Focus;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        // The robot afterwards: square, facing, nudge; whether the press was a step.
        QPoint Square;
        TChitFacing Facing;
        QPoint Shift;
        bool Step;
    };
    const TKeyCase cases[] = {
        {Map(), Qt::Key_Right, Qt::NoModifier, {6, 5}, cfNorth, {}, true},
        {Map(), Qt::Key_Down, Qt::NoModifier, {6, 6}, cfNorth, {}, true},
        {list, Qt::Key_Left, Qt::NoModifier, {5, 6}, cfNorth, {}, true},
        {list, Qt::Key_Up, Qt::NoModifier, {5, 5}, cfNorth, {}, true},
        {list, Qt::Key_BracketRight, Qt::NoModifier, {5, 5}, cfEast, {}, true},
        {Map(), Qt::Key_BracketLeft, Qt::NoModifier, {5, 5}, cfNorth, {}, true},
        {Map(), Qt::Key_Right, Qt::ShiftModifier, {5, 5}, cfNorth, {1, 0}, true},
        {list, Qt::Key_Down, Qt::ShiftModifier, {5, 5}, cfNorth, {1, 1}, true},
        // In the size box the keys are the field's own.
        {field, Qt::Key_Right, Qt::NoModifier, {5, 5}, cfNorth, {1, 1}, false},
        {field, Qt::Key_BracketLeft, Qt::NoModifier, {5, 5}, cfNorth, {1, 1}, false},
        {field, Qt::Key_Left, Qt::ShiftModifier, {5, 5}, cfNorth, {1, 1}, false},
    };
    for (const TKeyCase& c : cases) {
        SCOPED_TRACE(QKeySequence(c.Key | c.Modifiers).toString().toStdString() + " in " + c.Focus->objectName().toStdString());
        c.Focus->setFocus();
        ASSERT_TRUE(c.Focus->hasFocus());
        const int steps = Session.UndoStack().count();
        QTest::keyClick(QApplication::focusWidget(), c.Key, c.Modifiers);
        const TChit& robot = *Chit("ZoomBot");
        EXPECT_EQ(QPoint(robot.X(), robot.Y()), c.Square);
        EXPECT_EQ(robot.ChitFacing(), c.Facing);
        EXPECT_EQ(QPoint(robot.ImagePixelShiftX(), robot.ImagePixelShiftY()), c.Shift);
        EXPECT_EQ(Session.UndoStack().count(), steps + (c.Step ? 1 : 0));
        EXPECT_EQ(Window->MapPicture(), TMapRenderer().BuildMapPicture(*Game, 0, 0));
    }

    // Page Down is Next Phase, except in the size box and on the slider, which use it.
    field->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    Control<QSlider>("tbrPhases")->setFocus();
    QTest::keyClick(Control<QSlider>("tbrPhases"), Qt::Key_PageDown);
    EXPECT_EQ(Game->CurrentPhaseNumber(), 0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_PageDown);
    EXPECT_EQ(Game->CurrentPhaseNumber(), 1);
    EXPECT_EQ(Text("lblPhaseDescription"), "Edit Phase 1");

    // Every access key of the window is its own, and one of them works.
    QSet<QChar> keys;
    auto mark = [&keys](const QString& caption) {
        const qsizetype at = caption.indexOf('&');
        if (at < 0 || at + 1 >= caption.size())
            return;
        const QChar key = caption.at(at + 1).toLower();
        EXPECT_FALSE(keys.contains(key)) << caption.toStdString();
        keys.insert(key);
    };
    for (const QPushButton* button : Window->findChildren<QPushButton*>())
        mark(button->text());
    for (const QLabel* label : Window->findChildren<QLabel*>())
        mark(label->text());
    auto* pages = Control<QTabWidget>("pgeChits");
    for (int i = 0; i < pages->count(); ++i)
        mark(pages->tabText(i));
    EXPECT_GE(keys.size(), 12);
    // (The button shows itself pressed for a moment before it acts.)
    QTest::keyClick(Window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Game->CurrentPhaseNumber() == 2; }, 2000));
}

TEST_F(ProcessWindowTest, TheWindowFitsALaptopScreen)
{
    Open();
    // 1366 x 768 less a title bar and a panel.
    const QSize screen(1366, 690);
    for (QSize size : {Window->size(), Window->minimumSizeHint(), Window->minimumSize()})
        EXPECT_TRUE(size.width() <= screen.width() && size.height() <= screen.height())
            << size.width() << " x " << size.height();
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

TEST_F(ProcessWindowTest, SaveImagesSaysWhereThePicturesWentAndItsLinkOpensTheFolder)
{
    GoToPhase(2, 1);
    Open();
    std::vector<std::string> opened;
    THookScope opener(OpenWithDesktop, [&](const std::string& folder) {
        opened.push_back(folder);
        return true;
    });
    auto* link = Control<QLabel>("lblOpenImageFolder");
    EXPECT_FALSE(link->isVisible());
    Click("btnSaveImages");
    const QString folder = QFileInfo(QString::fromStdString(PhaseImagePath("League", -1, -1, 1, 1))).absolutePath() + "/";
    const qsizetype pictures = QDir(folder).entryList({"*.jpg"}).size();
    ASSERT_GE(pictures, 2);
    EXPECT_EQ(Text("lblSavedImages"), QString("Saved %1 pictures of Turn 1, Phase 1 in %2").arg(pictures).arg(folder));
    ASSERT_TRUE(link->isVisible());
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    EXPECT_EQ(opened, std::vector<std::string>{folder.toStdString()});

    // A folder the desktop cannot open is said so.
    THookScope failing(OpenWithDesktop, [](const std::string&) { return false; });
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    EXPECT_EQ(Text("lblSavedImages"), "The folder could not be opened: " + folder);

    // The next save tells of its own phase.
    Control<QSlider>("tbrPhases")->setValue(2);
    Click("btnSaveImages");
    EXPECT_TRUE(Text("lblSavedImages").startsWith(QString("Saved %1 pictures of Turn 1, Phase 2 in ").arg(pictures)));
    EXPECT_TRUE(link->isVisible());
}
