#include "model/BoardUnt.h"
#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/frmEditBoardUnt.h"
#include "windows/MainWindowFixture.h"
#include "windows/UiWindowTestUtils.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace {

// Where the picture control was painted since the last look.
class TPaintSpy : public QObject {
public:
    QRegion Painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// The window on a fresh copy of the shipped catalogue, shown and active as on a desktop.
class EditBoardWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        Boards.LoadFromXMLFile(ExecutableFolder() + "Boards.xml");
        Window = std::make_unique<TfrmEditBoard>(Boards);
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        cbxBoards = Control<QComboBox>(*Window, "cbxBoards");
        cbxControls = Control<QComboBox>(*Window, "cbxControls");
        Image1 = Control<TBoardEditorImage>(*Window, "Image1");
        PreviousHandler = TApplication::SetErrorHandler(
            [this](QObject*, const std::exception& error) { Errors.push_back(ApplicationErrorText(error)); });
    }
    void TearDown() override
    {
        THookScope quiet(AskSaveChanges, [](const std::string&) { return saDiscard; });
        Window.reset();
        TApplication::SetErrorHandler(std::move(PreviousHandler));
    }

    TBoardEditor& Editor() { return Window->Editor(); }
    QPushButton* Button(const char* name) { return Control<QPushButton>(*Window, name); }
    QPoint ChitAt() { return QPoint(Editor().TestChit().X(), Editor().TestChit().Y()); }
    QPoint Centre(int x, int y)
    {
        const TBoardNode* node = Editor().Board()->NodeAt(x, y);
        return QPoint(node->ImageCenterX(), node->ImageCenterY());
    }
    std::string Caption() { return Window->windowTitle().toStdString(); }

    TBoardList Boards;
    std::unique_ptr<TfrmEditBoard> Window;
    QComboBox* cbxBoards = nullptr;
    QComboBox* cbxControls = nullptr;
    TBoardEditorImage* Image1 = nullptr;
    std::vector<std::string> Errors;
    TApplicationErrorHandler PreviousHandler;
};

} // namespace

TEST_F(EditBoardWindow, OpensOnTheFirstBoardWithTheChitOnItsFirstSquare)
{
    EXPECT_EQ(Caption(), Format("Edit Board Nodes - %d / %d unedited", Boards.Count(), Boards.Count()));
    EXPECT_EQ(cbxBoards->count(), Boards.Count());
    EXPECT_EQ(cbxBoards->currentIndex(), 0);
    ASSERT_NE(Editor().Board(), nullptr);
    EXPECT_EQ(Editor().Board()->ID(), cbxBoards->currentData().toString().toStdString());
    EXPECT_EQ(cbxControls->currentText(), ".oeu");
    EXPECT_TRUE(Control<QLabel>(*Window, "lblUnedited")->isVisible());
    EXPECT_EQ(ChitAt(), QPoint(1, 1));
    // The picture fills the view, in proportion.
    EXPECT_EQ(Image1->size(), Control<QScrollArea>(*Window, "scrImage")->viewport()->size());
    EXPECT_EQ(Image1->PictureRect(), FittedPictureRect(Editor().Picture().size(), Image1->size()));

    // Another board: the chit starts on its first square again.
    Button("btnMoveS")->click();
    cbxBoards->setCurrentIndex(3);
    EXPECT_EQ(Editor().Board()->ID(), cbxBoards->currentData().toString().toStdString());
    EXPECT_EQ(ChitAt(), QPoint(1, 1));
}

// Keys reach the editor wherever the focus is, once each, and never also work the control.
TEST_F(EditBoardWindow, WasdKeysMoveTheChitAndNudgeItsSquareRowAndColumn)
{
    cbxControls->setCurrentIndex(cbxControls->findText("wasd"));
    cbxBoards->setFocus();
    const int board = cbxBoards->currentIndex();
    const QPoint nodeEast = Button("btnNodeE")->mapTo(Window.get(), QPoint(0, 0));

    // Up on row 1 does nothing, as the N button there does not.
    QTest::keyClick(cbxBoards, Qt::Key_W);
    Button("btnMoveN")->click();
    EXPECT_EQ(ChitAt(), QPoint(1, 1));
    // S would pick "Spin Zone" in the board list; here it only moves the chit.
    QTest::keyClick(cbxBoards, Qt::Key_S);
    EXPECT_EQ(ChitAt(), QPoint(1, 2));
    EXPECT_EQ(cbxBoards->currentIndex(), board);
    QTest::keyClick(Window.get(), Qt::Key_D);
    EXPECT_EQ(ChitAt(), QPoint(2, 2));

    const QPoint square = Centre(2, 2);
    const QPoint left = Centre(1, 2);
    const QPoint above = Centre(2, 1);
    QTest::keyClick(Button("btnMoveN"), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(Centre(2, 2), square + QPoint(1, 0));
    EXPECT_EQ(Centre(1, 2), left);
    EXPECT_EQ(ChitAt(), QPoint(2, 2));
    QTest::keyClick(cbxControls, Qt::Key_S, Qt::ShiftModifier);
    EXPECT_EQ(Centre(2, 2), square + QPoint(1, 1));
    EXPECT_EQ(Centre(1, 2), left + QPoint(0, 1));
    EXPECT_EQ(Centre(2, 1), above);
    EXPECT_EQ(cbxControls->currentText(), "wasd");
    // Ctrl before Shift: the square alone.
    QTest::keyClick(Window.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Centre(2, 2), square + QPoint(0, 1));
    EXPECT_EQ(Centre(1, 2), left + QPoint(0, 1));
    // The label goes, and the buttons stay where the mouse is.
    EXPECT_FALSE(Control<QLabel>(*Window, "lblUnedited")->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(Button("btnNodeE")->mapTo(Window.get(), QPoint(0, 0)), nodeEast);

    // The buttons do the same.
    Button("btnNodeW")->click();
    Button("btnRowColN")->click();
    EXPECT_EQ(Centre(2, 2), square - QPoint(1, 0));
    Button("btnNodeE")->click();
    Button("btnRowColE")->click();
    EXPECT_EQ(Centre(2, 2), square + QPoint(1, 0));
    EXPECT_EQ(Centre(2, 1), above + QPoint(1, 0));
    Button("btnRowColW")->click();
    EXPECT_EQ(Centre(2, 2), square);
    EXPECT_TRUE(Control<QLabel>(*Window, "lblUnedited")->isVisible());
    Button("btnTurnRight")->click();
    EXPECT_EQ(Editor().TestChit().ChitFacing(), cfEast);
    Button("btnTurnLeft")->click();
    EXPECT_EQ(Editor().TestChit().ChitFacing(), cfNorth);
}

// A move shows again only the chit's old and new places, not the whole board.
TEST_F(EditBoardWindow, AMovePaintsOnlyWhereTheChitWasAndIs)
{
    TPaintSpy spy;
    Image1->installEventFilter(&spy);
    QApplication::processEvents();
    spy.Painted = QRegion();
    const QRect shown = Image1->PictureRect();
    const double scale = static_cast<double>(shown.width()) / Editor().Picture().width();
    const QSize chit = Editor().ChitRect().size() * scale;

    QTest::keyClick(Window.get(), Qt::Key_E);
    QApplication::processEvents();
    EXPECT_EQ(ChitAt(), QPoint(1, 2));
    const QRect painted = spy.Painted.boundingRect();
    ASSERT_FALSE(painted.isEmpty());
    EXPECT_LE(painted.width(), chit.width() + 6);
    EXPECT_LE(painted.height(), chit.height() + TBoardNode::SquareSpacing * scale + 6);
    EXPECT_TRUE(painted.contains(QPoint(shown.left() + static_cast<int>(56 * scale), shown.top() + static_cast<int>(66 * scale))));
    EXPECT_LT(painted.width() * painted.height(), shown.width() * shown.height() / 20);
}

TEST_F(EditBoardWindow, TwoZoomInsShowPlusTwoAnd600PixelsEachWay)
{
    Window->resize(520, 480);
    QApplication::processEvents();
    auto* scroll = Control<QScrollArea>(*Window, "scrImage");
    auto* btnZoomIn = Button("btnZoomIn");
    ASSERT_LT(scroll->viewport()->width(), 600);
    ASSERT_LT(scroll->viewport()->height(), 600);
    EXPECT_EQ(btnZoomIn->text(), "+");
    QTest::mouseClick(btnZoomIn, Qt::LeftButton);
    QTest::mouseClick(btnZoomIn, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(btnZoomIn->text(), "+ (2)");
    EXPECT_EQ(Image1->size(), QSize(600, 600));
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 600 - scroll->viewport()->width());
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 600 - scroll->viewport()->height());

    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(Button("btnZoomOut"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(btnZoomIn->text(), "+");
    EXPECT_EQ(Image1->size(), scroll->viewport()->size());
}

// Closing with changes not saved asks: Cancel stays, Save writes, Discard puts every centre back.
TEST_F(EditBoardWindow, ClosingWithChangesAsksToSaveDiscardOrStay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TExecutableFolderScope folder(dir.path().toStdString() + "/");
    const std::string file = ExecutableFolder() + "Boards.xml";
    const std::string loaded = Boards.SaveToXMLString();

    std::vector<std::string> asked;
    TSaveAnswer answer = saCancel;
    THookScope ask(AskSaveChanges, [&](const std::string& question) {
        asked.push_back(question);
        return answer;
    });
    // Nothing changed, or changed and back: it closes without asking.
    Button("btnNodeS")->click();
    Button("btnNodeN")->click();
    QTest::keyClick(Window.get(), Qt::Key_Escape);
    EXPECT_FALSE(Window->isVisible());
    EXPECT_TRUE(asked.empty());

    Window->show();
    Button("btnRowColE")->click();
    Window->close();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(Window->isVisible());

    answer = saDiscard;
    QTest::keyClick(Window.get(), Qt::Key_Escape);
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(Boards.SaveToXMLString(), loaded);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));

    Window->show();
    Button("btnNodeE")->click();
    answer = saSave;
    Window->close();
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_FALSE(ReadBytes(file).empty());
    TBoardList saved;
    saved.LoadFromXMLFile(file);
    EXPECT_EQ(saved.SaveToXMLString(), Boards.SaveToXMLString());
    EXPECT_NE(saved.SaveToXMLString(), loaded);
}

// EditBoards runs the window modally and lets go of every board picture it decoded.
TEST(EditBoardsTest, RunsTheWindowAndReleasesTheBoardPictures)
{
    TBoardList boards;
    boards.LoadFromXMLFile(ExecutableFolder() + "Boards.xml");
    std::string caption;
    THookScope modal(ShowModalDialog, [&](QDialog& dialog) {
        caption = dialog.windowTitle().toStdString();
        dialog.findChild<QComboBox*>("cbxBoards")->setCurrentIndex(2);
        EXPECT_TRUE(dialog.findChild<TBoardEditorImage*>("Image1"));
        return false;
    });
    EditBoards(boards);
    EXPECT_EQ(caption, Format("Edit Board Nodes - %d / %d unedited", boards.Count(), boards.Count()));
    for (int i = 0; i < boards.Count(); ++i)
        EXPECT_FALSE(boards.Items(i)->HasPicture()) << boards.Items(i)->ID();
}

// View > Board Editor works without a game, on the session's catalogue.
TEST_F(MainWindowTest, BoardEditorOpensOnTheSessionsCatalogue)
{
    Open();
    QAction* item = Item("mniBoardEditor");
    EXPECT_TRUE(item->isEnabled());
    std::vector<TBoardList*> opened;
    THookScope editor(EditBoards, [&](TBoardList& boards) { opened.push_back(&boards); });
    item->trigger();
    EXPECT_EQ(opened, std::vector<TBoardList*>{Session->BoardList()});
    MakeGame();
    EXPECT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_EQ(opened.size(), 2u);
}
