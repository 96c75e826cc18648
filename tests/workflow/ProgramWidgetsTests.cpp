#include "workflow/DragObjectsUnt.h"
#include "workflow/ProgramWidgetsUnt.h"
#include "common/ProgramGame.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QDrag>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <memory>

namespace {

// The "Program" tab's card controls with their object names, wired to the rules the way the
// main window wires them, on a game whose Hammer Bot holds six cards.
struct ProgramTab : TProgramGame {
    TBot& Hammer = Bot(btHammerBot, "Hal");
    std::vector<std::string> Registers() const
    {
        std::vector<std::string> ids;
        for (int n = 1; n <= 5; ++n)
            ids.push_back(RegisterCard(Hammer, n));
        return ids;
    }
    QWidget Tab;
    QGroupBox* grpRegisters = new QGroupBox("Registers", &Tab);
    std::array<TRegisterBox*, 5> Boxes{};
    QToolBar* barRegister1 = new QToolBar(grpRegisters);
    TCardListWidget* lstRegisterOther = new TCardListWidget(grpRegisters);
    TCardListWidget* lstProgramCards = new TCardListWidget(&Tab);

    ProgramTab()
    {
        Game.TurnList()->AddTurn();
        Deal(Hammer, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "80RotateRight"});
        auto* layout = new QVBoxLayout(grpRegisters);
        for (int n = 1; n <= 5; ++n) {
            TRegisterBox* box = new TRegisterBox(grpRegisters);
            box->setObjectName(QString("edtRegister%1").arg(n));
            box->SetDragCardID([this, n] { return RegisterDragCardID(Game, &Hammer, n); });
            box->SetDropHandlers([this, n](const TDragCard&) { return RegisterAcceptsDrop(&Hammer, n); },
                [this, n](const TDragCard& card) { Changed(DropOnRegister(Game, Hammer, n, card.CardID(), DragSourceRegister(card))); });
            box->SetDoubleClicked([this, n] { Changed(ClearRegister(Game, Hammer, n, csDealt)); });
            layout->addWidget(box);
            Boxes[static_cast<std::size_t>(n - 1)] = box;
        }
        barRegister1->setObjectName("barRegister1");
        for (const char* name : {"btnLockRegister1", "btnClearRegister1", "btnRandomRegister1"}) {
            auto* button = new QToolButton(barRegister1);
            button->setObjectName(name);
            barRegister1->addWidget(button);
        }
        layout->addWidget(barRegister1);
        lstRegisterOther->setObjectName("lstRegisterOther");
        lstRegisterOther->SetDropHandlers(Any, [this](const TDragCard& card) {
            Changed(DropOnOther(Game, Hammer, card.CardID(), DragSourceRegister(card)));
        });
        layout->addWidget(lstRegisterOther);
        lstProgramCards->setObjectName("lstProgramCards");
        lstProgramCards->SetDragSource(true);
        lstProgramCards->SetDropHandlers(Any, [this](const TDragCard& card) {
            Changed(DropOnHand(Game, Hammer, card.CardID(), DragSourceRegister(card)));
        });
        TCardDropTarget::Install(grpRegisters, Any, [this](const TDragCard& card) {
            Changed(ProgramNextOpenRegister(Game, Hammer, card.CardID(), DragSourceRegister(card)));
        });
        auto* tabLayout = new QVBoxLayout(&Tab);
        tabLayout->addWidget(grpRegisters);
        tabLayout->addWidget(lstProgramCards);
        Tab.resize(300, 500);
        Refresh();
    }

    static bool Any(const TDragCard&) { return true; }
    void Changed(bool changed)
    {
        Changes += changed;
        Refresh();
    }
    void Refresh()
    {
        for (int n = 1; n <= 5; ++n)
            Boxes[static_cast<std::size_t>(n - 1)]->ShowRegister(RegisterText(Game, &Hammer, n), IsRegisterLocked(&Hammer, n));
        lstProgramCards->SetHandCards(HandListCards(Game, &Hammer));
        lstRegisterOther->SetOtherEntries(OtherListEntries(Game, &Hammer));
        ApplyRegisterBarState(barRegister1, RegisterBarState(Game, &Hammer, 1));
    }
    void SelectHandCard(const std::string& id)
    {
        for (int row = 0; row < lstProgramCards->count(); ++row)
            if (lstProgramCards->item(row)->data(TCardListWidget::CardIDRole).toString().toStdString() == id)
                lstProgramCards->setCurrentRow(row);
    }
    TRegisterBox* Box(int n) { return Boxes[static_cast<std::size_t>(n - 1)]; }

    int Changes = 0;
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

bool Drops(QWidget* target, const QMimeData* data)
{
    DragOver(target, data);
    QDropEvent drop(QPointF(6, 6), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

std::vector<std::string> Lines(const QListWidget* list)
{
    std::vector<std::string> lines;
    for (int row = 0; row < list->count(); ++row)
        lines.push_back(list->item(row)->text().toStdString());
    return lines;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Presses the left button on the widget and moves it far enough to start a drag; the drag is
// cancelled with Escape as soon as it runs. The card it carried, or empty when none started.
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

TEST(ProgramWidgets, DragsStartWithTheMouseAndCarryTheCard)
{
    ProgramTab tab;
    tab.Program(tab.Hammer, 1, "490Move1");
    tab.Program(tab.Hammer, 2, "430Backup", true);
    tab.Refresh();
    tab.Tab.show();
    QCoreApplication::processEvents();
    QListWidget* hand = tab.lstProgramCards;
    const QPoint line = hand->visualItemRect(hand->item(1)).center();
    EXPECT_EQ(DragStartedBy(hand->viewport(), hand, line), "10UTurn");
    EXPECT_EQ(DragStartedBy(tab.Box(1), tab.Box(1), QPoint(10, 5)), "490Move1");
    // A locked register's card stays where it is: the mouse selects text instead.
    EXPECT_EQ(DragStartedBy(tab.Box(2), tab.Box(2), QPoint(10, 5)), "none");
    EXPECT_EQ(tab.Registers(), (std::vector<std::string>{"490Move1", "430Backup", "", "", ""}));
}

TEST(ProgramWidgets, HandCardDraggedOntoARegisterBox)
{
    ProgramTab tab;
    tab.SelectHandCard("670Move2");
    std::unique_ptr<TDragCard> payload = tab.lstProgramCards->DragPayload();
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(payload->CardID(), "670Move2");
    EXPECT_EQ(payload->Source(), tab.lstProgramCards);
    EXPECT_EQ(DragSourceRegister(*payload), -1);

    EXPECT_TRUE(DragOver(tab.Box(2), payload.get()));
    EXPECT_TRUE(Drops(tab.Box(2), payload.get()));
    EXPECT_EQ(tab.RegisterCard(tab.Hammer, 2), "670Move2");
    EXPECT_EQ(tab.State("670Move2"), csRegisterProgrammed);
    EXPECT_EQ(tab.Box(2)->text(), "Move 2 (670)");
    EXPECT_EQ(Lines(tab.lstProgramCards),
        (std::vector<std::string>{"Move 1 (490)", "Rotate Left (70)", "U-Turn (10)", "Backup (430)", "Rotate Right (80)"}));
    EXPECT_EQ(tab.Changes, 1);
}

TEST(ProgramWidgets, RegisterCardDraggedIntoOtherAndBackIntoTheHand)
{
    ProgramTab tab;
    tab.Program(tab.Hammer, 3, "10UTurn");
    tab.Refresh();
    std::unique_ptr<TDragCard> payload = tab.Box(3)->DragPayload();
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(payload->CardID(), "10UTurn");
    EXPECT_EQ(DragSourceRegister(*payload), 3);

    EXPECT_TRUE(DragOver(tab.lstRegisterOther->viewport(), payload.get()));
    EXPECT_TRUE(Drops(tab.lstRegisterOther->viewport(), payload.get()));
    EXPECT_EQ(tab.RegisterCard(tab.Hammer, 3), "");
    EXPECT_EQ(Lines(tab.lstRegisterOther), std::vector<std::string>{"U-Turn (10)"});
    EXPECT_EQ(tab.lstRegisterOther->item(0)->data(TCardListWidget::EntryIndexRole).toInt(), 0);
    EXPECT_EQ(tab.Box(3)->text(), "");

    tab.Program(tab.Hammer, 4, "490Move1");
    tab.Refresh();
    EXPECT_TRUE(Drops(tab.lstProgramCards->viewport(), tab.Box(4)->DragPayload().get()));
    EXPECT_EQ(tab.RegisterCard(tab.Hammer, 4), "");
    EXPECT_EQ(tab.State("490Move1"), csDealt);
}

TEST(ProgramWidgets, GroupBoxAndLockedBoxAnswerDrags)
{
    ProgramTab tab;
    tab.Program(tab.Hammer, 1, "430Backup", true);
    tab.Refresh();
    // A locked card is not dragged, and its box takes nothing.
    EXPECT_EQ(tab.Box(1)->DragPayload(), nullptr);
    TDragCard payload("80RotateRight", tab.lstProgramCards);
    EXPECT_FALSE(DragOver(tab.Box(1), &payload));
    EXPECT_FALSE(Drops(tab.Box(1), &payload));
    // The box keeps the drag to itself: the group box around it does not take the card either.
    EXPECT_EQ(tab.Registers(), (std::vector<std::string>{"430Backup", "", "", "", ""}));
    EXPECT_EQ(tab.Changes, 0);
    // Anything but a card is refused everywhere.
    QMimeData text;
    text.setText("80RotateRight");
    for (QWidget* target : {static_cast<QWidget*>(tab.Box(2)), static_cast<QWidget*>(tab.grpRegisters),
             tab.lstRegisterOther->viewport(), tab.lstProgramCards->viewport()})
        EXPECT_FALSE(DragEnters(target, &text)) << target->objectName().toStdString();

    EXPECT_TRUE(DragOver(tab.grpRegisters, &payload));
    EXPECT_TRUE(Drops(tab.grpRegisters, &payload));
    EXPECT_EQ(tab.RegisterCard(tab.Hammer, 2), "80RotateRight");
    EXPECT_EQ(tab.Changes, 1);
}

TEST(ProgramWidgets, DoubleClickOnALockedBoxEmptiesIt)
{
    ProgramTab tab;
    tab.Program(tab.Hammer, 5, "430Backup", true);
    tab.Refresh();
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), tab.Box(5)->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tab.Box(5), &doubleClick);
    EXPECT_EQ(tab.RegisterCard(tab.Hammer, 5), "");
    EXPECT_FALSE(tab.Hammer.Registers()->Registers(4)->IsLocked());
    EXPECT_EQ(tab.State("430Backup"), csDealt);
    EXPECT_FALSE(tab.Box(5)->Locked());
}

TEST(ProgramWidgets, LockedBoxIsWhiteOnRedAndTheBarShowsUnlock)
{
    ProgramTab tab;
    tab.Program(tab.Hammer, 1, "430Backup", true);
    tab.Refresh();
    const QImage locked = tab.Box(1)->grab().toImage();
    const QPoint inside(locked.width() - 8, locked.height() / 2);
    EXPECT_TRUE(IsRed(locked.pixel(inside)));
    EXPECT_FALSE(IsRed(tab.Box(2)->grab().toImage().pixel(inside)));
    // Some of the text is drawn in white.
    bool white = false;
    for (int x = 0; x < locked.width() / 2 && !white; ++x)
        for (int y = 0; y < locked.height() && !white; ++y)
            white = locked.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_TRUE(white);

    const QList<QToolButton*> buttons = tab.barRegister1->findChildren<QToolButton*>(QRegularExpression("^btn"));
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_TRUE(tab.barRegister1->isEnabled());
    EXPECT_EQ(buttons[0]->toolTip(), "Unlock Register");
    EXPECT_EQ(buttons[0]->property("ImageIndex").toInt(), static_cast<int>(tiUnlock));
    EXPECT_TRUE(buttons[0]->isEnabled());
    EXPECT_EQ(buttons[1]->toolTip(), "Clear Register");
    EXPECT_FALSE(buttons[1]->isEnabled());
    EXPECT_EQ(buttons[2]->toolTip(), "Random Card From Deck");
    EXPECT_FALSE(buttons[2]->isEnabled());

    ToggleRegisterLock(tab.Game, tab.Hammer, 1);
    tab.Refresh();
    EXPECT_FALSE(IsRed(tab.Box(1)->grab().toImage().pixel(inside)));
    EXPECT_EQ(buttons[0]->toolTip(), "Lock Register");
    EXPECT_TRUE(buttons[1]->isEnabled());
    EXPECT_TRUE(buttons[2]->isEnabled());
}

TEST(ProgramWidgets, OtherListDrawsALockedCardRedOnWhite)
{
    ProgramTab tab;
    tab.AddOther(tab.Hammer, "490Move1", true);
    tab.AddOther(tab.Hammer, "80RotateRight");
    tab.Refresh();
    tab.Tab.show();
    QCoreApplication::processEvents();
    const QImage image = tab.lstRegisterOther->viewport()->grab().toImage();
    auto redPixels = [&image](const QRect& row) {
        int count = 0;
        for (int y = row.top(); y <= row.bottom(); ++y)
            for (int x = row.left(); x <= row.right(); ++x)
                count += IsRed(image.pixel(x, y));
        return count;
    };
    const QRect lockedRow = tab.lstRegisterOther->visualItemRect(tab.lstRegisterOther->item(0));
    const QRect freeRow = tab.lstRegisterOther->visualItemRect(tab.lstRegisterOther->item(1));
    EXPECT_EQ(image.pixel(lockedRow.right() - 2, lockedRow.center().y()), qRgb(255, 255, 255));
    EXPECT_GT(redPixels(lockedRow), 5);
    EXPECT_EQ(redPixels(freeRow), 0);
    EXPECT_EQ(tab.lstRegisterOther->SelectedEntryIndex(), -1);
    tab.lstRegisterOther->setCurrentRow(1);
    EXPECT_EQ(tab.lstRegisterOther->SelectedEntryIndex(), 1);
    EXPECT_EQ(tab.lstRegisterOther->SelectedCardID(), "80RotateRight");
}
