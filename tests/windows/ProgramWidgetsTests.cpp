// The "Program" tab's card controls in the main window, driven through real Qt events.
#include "windows/MainWindowFixture.h"

#include "windows/DragObjectsUnt.h"
#include "windows/ProgramWidgetsUnt.h"

#include <QCoreApplication>
#include <QDrag>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <string>

namespace {

// The Zoom Bot's cards laid out as each test needs, shown by the window.
class ProgramWidgetsTest : public ProgramTabTest {
protected:
    TBot& Zoom() { return Bot(btZoomBot); }
    // Puts the Zoom Bot's hand card into register n, or into a new "Other" entry for n = 0,
    // locked or not; its ID.
    std::string Program(int n, int handIndex, bool locked = false)
    {
        TProgramCard* card = HandCard(btZoomBot, handIndex);
        TBotRegister* reg = n ? Zoom().Registers()->Registers(n - 1) : Zoom().ExtraRegisters()->AddExtraRegister(*card);
        reg->ProgramWith(*card);
        reg->SetIsLocked(locked);
        card->SetCardState(locked ? csRegisterLocked : csRegisterProgrammed);
        Session->MarkChanged(gcBots);
        return card->ID();
    }
    std::string RegisterCard(int n) { return Zoom().Registers()->Registers(n - 1)->CardID(); }
    TCardState State(const std::string& id) { return Deck().FindCard(id)->CardState(); }
    std::string Text(const std::string& id) { return Deck().FindCard(id)->DisplayName(); }
    TRegisterBox* Box(int n) { return Control<TRegisterBox>(Format("edtRegister%d", n).c_str()); }
    TCardListWidget* HandList() { return Control<TCardListWidget>("lstProgramCards"); }
    TCardListWidget* OtherList() { return Control<TCardListWidget>("lstRegisterOther"); }
};

// A drag over a target as the toolkit delivers it: it enters, moves, and maybe drops. The
// events go through the application, which hands an unclaimed drag to the controls around.
bool DragEnters(QWidget* target, const QMimeData* data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

// Whether the target shows the drop as allowed.
bool DragOver(QWidget* target, const QMimeData* data)
{
    if (!DragEnters(target, data))
        return false;
    QDragMoveEvent move(QPoint(6, 6), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    return move.isAccepted();
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Presses the left button on the widget and moves it far enough to start a drag; the drag is
// cancelled with Escape as soon as it runs. The card it carried, or "none" when none started.
std::string DragStartedBy(QWidget* widget, QObject* dragOwner, QPoint at)
{
    std::string carried = "none";
    QTimer::singleShot(0, [&] {
        if (auto* drag = dragOwner->findChild<QDrag*>())
            if (const TDragCard* card = DraggedCard(drag->mimeData()))
                carried = card->CardID() + (card->Source() == dragOwner ? "" : " from elsewhere");
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &escape);
    });
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseMove, at + QPoint(20, 0), Qt::LeftButton);
    SendMouse(widget, QEvent::MouseMove, at + QPoint(40, 0), Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, at + QPoint(40, 0), Qt::NoButton);
    QCoreApplication::processEvents();
    return carried;
}

bool IsRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60; }

} // namespace

TEST_F(ProgramWidgetsTest, DragsStartWithTheMouseAndCarryTheCard)
{
    const std::string first = Program(1, 0);
    const std::string locked = Program(2, 1, true);
    QCoreApplication::processEvents();
    QListWidget* hand = HandList();
    const std::string secondLine = HandCard(btZoomBot, 3)->ID();
    EXPECT_EQ(DragStartedBy(hand->viewport(), hand, hand->visualItemRect(hand->item(1)).center()), secondLine);
    EXPECT_EQ(DragStartedBy(Box(1), Box(1), QPoint(10, 5)), first);
    // A locked register's card stays where it is: the mouse selects text instead.
    EXPECT_EQ(DragStartedBy(Box(2), Box(2), QPoint(10, 5)), "none");
    EXPECT_EQ(RegisterCard(1), first);
    EXPECT_EQ(RegisterCard(2), locked);
    EXPECT_EQ(RegisterCard(3), "");
}

// Hand to a register box, the box to "Other", another box back to the hand.
TEST_F(ProgramWidgetsTest, CardsAreDraggedIntoRegistersTheOtherListAndBack)
{
    const std::string id = HandCard(btZoomBot, 2)->ID();
    TCardListWidget* hand = HandList();
    ASSERT_EQ(hand->count(), 9);
    hand->setCurrentRow(RowOf(hand, TCardListWidget::CardIDRole, id));
    std::unique_ptr<TDragCard> payload = hand->DragPayload();
    ASSERT_NE(payload, nullptr);
    EXPECT_TRUE(DragOver(Box(3), payload.get()));
    EXPECT_TRUE(DropOn(Box(3), payload.get()));
    EXPECT_EQ(RegisterCard(3), id);
    EXPECT_EQ(Box(3)->text().toStdString(), Text(id));
    EXPECT_EQ(hand->count(), 8);
    EXPECT_FALSE(Lines(hand).contains(QString::fromStdString(Text(id))));
    EXPECT_TRUE(Session->Modified());

    // From the box the card leaves its register.
    payload = Box(3)->DragPayload();
    ASSERT_NE(payload, nullptr);
    TCardListWidget* other = OtherList();
    EXPECT_TRUE(DragOver(other->viewport(), payload.get()));
    EXPECT_TRUE(DropOn(other->viewport(), payload.get()));
    EXPECT_EQ(RegisterCard(3), "");
    EXPECT_EQ(Box(3)->text(), "");
    EXPECT_EQ(Lines(other), QStringList{QString::fromStdString(Text(id))});

    const std::string back = Program(4, 0);
    EXPECT_TRUE(DropOn(hand->viewport(), Box(4)->DragPayload().get()));
    EXPECT_EQ(RegisterCard(4), "");
    EXPECT_EQ(State(back), csDealt);

    // A double-click in the hand programs the first open register (a real double-click starts
    // with a click).
    const QPoint line = hand->visualItemRect(hand->item(0)).center();
    QTest::mouseClick(hand->viewport(), Qt::LeftButton, {}, line);
    QTest::mouseDClick(hand->viewport(), Qt::LeftButton, {}, line);
    EXPECT_FALSE(RegisterCard(1).empty());
}

// A locked box keeps its card, takes no drop (the group box around it passes the card on), is
// drawn on red with its bar offering only the unlock, and a double-click empties it. A locked
// "Other" line is drawn red on white.
TEST_F(ProgramWidgetsTest, LockedCardsAnswerDragsAreDrawnRedAndALockedBoxAnswersTheBarAndADoubleClick)
{
    Program(1, 0, true);
    Program(0, 3, true);
    const std::string free = Program(0, 4);
    const std::string dropped = HandCard(btZoomBot, 2)->ID();
    const std::string before = Session->Game()->SaveToXMLString();
    TDragCard payload(dropped, HandList());
    EXPECT_FALSE(DragOver(Box(1), &payload));
    EXPECT_FALSE(DropOn(Box(1), &payload));
    EXPECT_EQ(Session->Game()->SaveToXMLString(), before);
    // Anything but a card is refused everywhere.
    auto* group = Control<QGroupBox>("grpRegisters");
    QMimeData text;
    text.setText(QString::fromStdString(dropped));
    for (QWidget* target : {static_cast<QWidget*>(Box(2)), static_cast<QWidget*>(group), OtherList()->viewport(), HandList()->viewport()})
        EXPECT_FALSE(DragEnters(target, &text)) << target->objectName().toStdString();
    EXPECT_TRUE(DragOver(group, &payload));
    EXPECT_TRUE(DropOn(group, &payload));
    EXPECT_EQ(RegisterCard(2), dropped);

    const QImage image = Box(1)->grab().toImage();
    const QPoint inside(image.width() - 8, image.height() / 2);
    EXPECT_TRUE(IsRed(image.pixel(inside)));
    auto* lock = Control<QToolButton>("btnLockRegister1");
    auto* clear = Control<QToolButton>("btnClearRegister1");
    EXPECT_EQ(lock->toolTip(), "Unlock Register");
    EXPECT_FALSE(clear->isEnabled());

    lock->click();
    EXPECT_FALSE(IsRed(Box(1)->grab().toImage().pixel(inside)));
    EXPECT_EQ(lock->toolTip(), "Lock Register");
    EXPECT_TRUE(clear->isEnabled());

    lock->click();
    ASSERT_TRUE(Box(1)->Locked());
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), Box(1)->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Box(1), &doubleClick);
    EXPECT_EQ(RegisterCard(1), "");
    EXPECT_FALSE(Box(1)->Locked());

    QCoreApplication::processEvents();
    TCardListWidget* other = OtherList();
    const QImage lines = other->viewport()->grab().toImage();
    auto redPixels = [&lines](const QRect& row) {
        int count = 0;
        for (int y = row.top(); y <= row.bottom(); ++y)
            for (int x = row.left(); x <= row.right(); ++x)
                count += IsRed(lines.pixel(x, y));
        return count;
    };
    const QRect lockedRow = other->visualItemRect(other->item(0));
    EXPECT_EQ(lines.pixel(lockedRow.right() - 2, lockedRow.center().y()), qRgb(255, 255, 255));
    EXPECT_GT(redPixels(lockedRow), 5);
    EXPECT_EQ(redPixels(other->visualItemRect(other->item(1))), 0);
    EXPECT_EQ(other->SelectedEntryIndex(), -1);
    other->setCurrentRow(1);
    EXPECT_EQ(other->SelectedEntryIndex(), 1);
    EXPECT_EQ(other->SelectedCardID(), free);
}
