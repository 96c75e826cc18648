// The main window driven as a game master drives it: its commands, with every dialog answered
// by the test, on real widgets offscreen.
#include "workflow/WorkflowFixture.h"

#include "model/BotUnt.h"
#include "persist/ZLibFuncs.h"
#include "ui/StandardDialogsUnt.h"
#include "model/ProgramUnt.h"
#include "ui/frmAddBotUnt.h"
#include "ui/frmBotPrivateMessageUnt.h"
#include "ui/frmViewCardsUnt.h"
#include "workflow/DragObjectsUnt.h"
#include "ui/frmNewGameUnt.h"
#include "ui/frmSelectBotOption.h"
#include "workflow/frmMainUnt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <optional>
#include <vector>

namespace {

class MainWindowTurnTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        WorkflowTest::SetUp();
        Window = std::make_unique<TfrmMain>(Session);
        Window->show();
    }
    void TearDown() override
    {
        // A window closed by the test itself has nothing left to ask.
        THookScope quiet(AskSaveChanges, [](const std::string&) { return saDiscard; });
        Window.reset();
    }

    template <class T>
    T* Control(const char* name)
    {
        T* control = Window->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QAction* Item(const char* name) { return Control<QAction>(name); }

    // New Game... with the dialog and the designer confirmed.
    void MakeGame(const std::string& name = "League")
    {
        THookScope dialog(ExecuteNewGame, [this, name](TNewGameSettings& settings, TBoardList&, TChitList&) {
            settings = std::move(*Settings(Session, name));
            return true;
        });
        Item("mniNewGame")->trigger();
    }

    // Add Bot(s)... with these robots chosen.
    void AddRobots(std::initializer_list<TBotType> types)
    {
        THookScope dialog(AddBots, [types](TGame& game) {
            for (TBotType type : types)
                game.BotList()->FindByType(type)->SetInUseFlag(true);
            return true;
        });
        Item("mniAddBot")->trigger();
    }

    void SelectLine(int row)
    {
        auto* list = Control<QListWidget>("lstBotsInPlay");
        ASSERT_LT(row, list->count());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    std::vector<QString> Lines(const char* listName)
    {
        std::vector<QString> lines;
        auto* list = Control<QListWidget>(listName);
        for (int i = 0; i < list->count(); ++i)
            lines.push_back(list->item(i)->text());
        return lines;
    }

    TBot& Bot(TBotType type) { return *Session.Game()->BotList()->FindByType(type); }

    TGameSession Session;
    std::unique_ptr<TfrmMain> Window;
};

// A drop as the toolkit delivers it: the drag enters the target, then lets go there.
bool Drop(QWidget* target, const QMimeData& data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(6, 6), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// A game in its first turn with the Zoom Bot and the Twonky, the Zoom Bot selected.
class ProgramTabTest : public MainWindowTurnTest {
protected:
    void SetUp() override
    {
        MainWindowTurnTest::SetUp();
        MakeGame();
        AddRobots({btZoomBot, btTwonky});
        Item("mniNextTurn")->trigger();
        SelectLine(1);
    }
    TProgramCard* HandCard(TBotType type, int index)
    {
        return Session.Game()->ProgramDeck()->FindCard(Bot(type).Hand()->Refs(index)->ID());
    }
};

} // namespace

TEST_F(ProgramTabTest, CardsAreDraggedIntoRegistersAndTheOtherList)
{
    TProgramCard* card = HandCard(btZoomBot, 2);
    auto* hand = Control<QListWidget>("lstProgramCards");
    ASSERT_EQ(hand->count(), 9);
    TDragCard fromHand(card->ID(), hand);
    ASSERT_TRUE(Drop(Control<QLineEdit>("edtRegister3"), fromHand));
    EXPECT_EQ(Bot(btZoomBot).Registers()->Registers(2)->CardID(), card->ID());
    EXPECT_EQ(card->CardState(), csRegisterProgrammed);
    EXPECT_EQ(Control<QLineEdit>("edtRegister3")->text().toStdString(), card->DisplayName());
    EXPECT_EQ(hand->count(), 8);
    EXPECT_TRUE(Session.Modified());

    // From register 3 into the "Other" list: a new entry, the register empty.
    auto* other = Control<QListWidget>("lstRegisterOther");
    TDragCard fromRegister(card->ID(), Control<QLineEdit>("edtRegister3"));
    ASSERT_TRUE(Drop(other->viewport(), fromRegister));
    EXPECT_TRUE(Bot(btZoomBot).Registers()->Registers(2)->CardID().empty());
    ASSERT_EQ(Bot(btZoomBot).ExtraRegisters()->Count(), 1);
    EXPECT_EQ(Bot(btZoomBot).ExtraRegisters()->Registers(0)->CardID(), card->ID());
    ASSERT_EQ(other->count(), 1);
    EXPECT_EQ(Control<QLineEdit>("edtRegister3")->text(), "");

    // A double-click in the hand programs the first open register (a real double-click starts
    // with a click).
    const QPoint line = hand->visualItemRect(hand->item(0)).center();
    QTest::mouseClick(hand->viewport(), Qt::LeftButton, {}, line);
    QTest::mouseDClick(hand->viewport(), Qt::LeftButton, {}, line);
    EXPECT_FALSE(Bot(btZoomBot).Registers()->Registers(0)->CardID().empty());
}

TEST_F(ProgramTabTest, CtrlVPastesTheProgramAndMarksTheRobot)
{
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += HandCard(btZoomBot, 4 - i)->ListingName() + "\r\n";
    // A rejected paste first: nothing changes and the game master is told.
    QApplication::clipboard()->setText("Move 1 (490)\nU-Turn");
    const std::string before = Session.Game()->SaveToXMLString();
    auto* hand = Control<QListWidget>("lstProgramCards");
    hand->setFocus();
    QTest::keyClick(hand, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0], "Pasted string is not a valid program - must contain at least 5 lines");
    EXPECT_EQ(Session.Game()->SaveToXMLString(), before);

    QApplication::clipboard()->setText(QString::fromStdString(text));
    QTest::keyClick(hand, Qt::Key_V, Qt::ControlModifier);
    // Line r names register r's card (turns are named without priority, so which of two alike
    // is the hand's first).
    for (int r = 0; r < 5; ++r) {
        TProgramCard* card = Session.Game()->ProgramDeck()->FindCard(Bot(btZoomBot).Registers()->Registers(r)->CardID());
        ASSERT_NE(card, nullptr) << r;
        EXPECT_EQ(card->ListingName(), HandCard(btZoomBot, 4 - r)->ListingName()) << r;
        EXPECT_EQ(card->CardState(), csRegisterProgrammed) << r;
    }
    EXPECT_EQ(hand->count(), 4);
    EXPECT_NE(Bot(btZoomBot).GameNotes().find("Turn 1 (copy/paste)"), std::string::npos);
    auto* list = Control<QListWidget>("lstBotsInPlay");
    EXPECT_EQ(list->item(1)->toolTip(), "Program in");
    EXPECT_EQ(list->item(0)->toolTip(), "Waiting for the program");
    // Ctrl+Shift+V is no paste.
    Bot(btZoomBot).Registers()->Registers(0)->Clear();
    QTest::keyClick(hand, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Bot(btZoomBot).Registers()->Registers(0)->CardID().empty());
}

TEST_F(ProgramTabTest, PrivateMessagesCopiedProgramsAndTheDecksGoThroughTheirWindows)
{
    std::vector<std::string> shown;
    THookScope pm(ShowPrivateMessage, [&](const std::string& text) { shown.push_back(text); });
    Control<QPushButton>("btnMakePM")->click();
    Item("mniMakePMs")->trigger();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].find("\r\nTurn 1 (Zoom Bot)\r\n"), 0u) << shown[0];
    const std::string separator = "\r\n\r\n-------------------\r\n\r\n";
    EXPECT_EQ(shown[1], Session.Game()->BotList()->FindByType(btTwonky)->BuildPrivateMessage(1, Session.Game()->ProgramDeck(), Session.Game())
            + separator + shown[0] + separator);

    // Copy Prog. onto the robot the game master picks.
    for (int r = 0; r < 5; ++r)
        Bot(btZoomBot).Registers()->Registers(r)->ProgramWith(*HandCard(btZoomBot, r));
    THookScope select(SelectBot, [this](TGame&, const TBot* excluded, const TClass& cardClass) -> TBot* {
        EXPECT_EQ(excluded, &Bot(btZoomBot));
        EXPECT_EQ(&cardClass, &TProgramCard::StaticClass());
        return &Bot(btTwonky);
    });
    Control<QPushButton>("btnCopyProgram")->click();
    EXPECT_EQ(Bot(btTwonky).Registers()->Registers(4)->CardID(), HandCard(btZoomBot, 4)->ID());

    TGame* viewed = nullptr;
    THookScope program(ViewProgramCards, [&](TGame& game) { viewed = &game; });
    Item("mniProgramCards")->trigger();
    EXPECT_EQ(viewed, Session.Game());
}

TEST_F(ProgramTabTest, OneProcessTurnWindowAtATimeUntilAnotherGameComes)
{
    ASSERT_TRUE(Item("mniProcessTurn")->isEnabled());
    auto openWindows = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "frmProcessTurn" && widget->isVisible())
                ++count;
        return count;
    };
    Item("mniProcessTurn")->trigger();
    Item("mniProcessTurn")->trigger();
    EXPECT_EQ(openWindows(), 1);
    THookScope ask(AskSaveChanges, [](const std::string&) { return saDiscard; });
    MakeGame("Second");
    EXPECT_EQ(openWindows(), 0);
    EXPECT_FALSE(Item("mniProcessTurn")->isEnabled());

    // Closing the main window ends the program, so nothing of it may stay open.
    AddRobots({btZoomBot});
    Item("mniNextTurn")->trigger();
    Item("mniProcessTurn")->trigger();
    ASSERT_EQ(openWindows(), 1);
    Window->close();
    EXPECT_EQ(openWindows(), 0);
}

TEST_F(MainWindowTurnTest, ANewGameWaitsForRobotsBeforeItsFirstTurn)
{
    MakeGame();
    ASSERT_NE(Session.Game(), nullptr);
    EXPECT_EQ(Window->windowTitle().toStdString().substr(Window->windowTitle().size() - 9), " - League");
    EXPECT_FALSE(Control<QLabel>("lblTurn")->isVisible());
    EXPECT_FALSE(Item("mniNextTurn")->isEnabled());
    EXPECT_FALSE(Item("mniProcessTurn")->isEnabled());
    EXPECT_TRUE(Item("mniSaveGame")->isEnabled());
    auto* flags = Control<QComboBox>("cbxFlag");
    ASSERT_EQ(flags->count(), 4);
    EXPECT_EQ(flags->itemText(3), "Flag 3");

    AddRobots({btZoomBot, btTwonky, btHammerBot});
    EXPECT_EQ(Lines("lstBotsInPlay"), (std::vector<QString>{"Hammer Bot", "Twonky", "Zoom Bot"}));
    EXPECT_TRUE(Item("mniNextTurn")->isEnabled());
    Item("mniNextTurn")->trigger();
    EXPECT_TRUE(Control<QLabel>("lblTurn")->isVisible());
    EXPECT_EQ(Control<QLabel>("lblTurn")->text(), "Turn 1");
    // The turn has to be processed to phase 5 first.
    EXPECT_FALSE(Item("mniNextTurn")->isEnabled());
    EXPECT_EQ(Bot(btTwonky).Hand()->Count(), 9);
    // Nobody has answered yet: every robot shows it is waiting.
    auto* list = Control<QListWidget>("lstBotsInPlay");
    for (int i = 0; i < list->count(); ++i)
        EXPECT_EQ(list->item(i)->toolTip(), "Waiting for the program");
}

TEST_F(MainWindowTurnTest, SelectingARobotFillsItsFieldsWithoutWritingThemBack)
{
    MakeGame();
    AddRobots({btZoomBot, btTwonky});
    Bot(btTwonky).SetPlayerName("Ann");
    Bot(btTwonky).SetDamage(2);
    Bot(btTwonky).SetBotActivityLevel(alShutDown);
    Bot(btTwonky).SetFlagTouched(2);
    const std::string before = Session.Game()->SaveToXMLString();
    QSignalSpy changes(&Session, &TGameSession::Changed);
    SelectLine(0);
    EXPECT_EQ(Control<QLineEdit>("edtPlayerName")->text(), "Ann");
    EXPECT_EQ(Control<QSpinBox>("edtDamage")->value(), 2);
    EXPECT_EQ(Control<QComboBox>("cbxActivityLevel")->currentText(), "Shut Down");
    EXPECT_EQ(Control<QComboBox>("cbxFlag")->currentText(), "Flag 2");
    EXPECT_EQ(Session.Game()->SaveToXMLString(), before);
    EXPECT_EQ(changes.count(), 0);

    // Typing writes at once.
    auto* name = Control<QLineEdit>("edtPlayerName");
    name->setFocus();
    QTest::keyClicks(name, "e");
    EXPECT_EQ(Bot(btTwonky).PlayerName(), "Anne");
    EXPECT_EQ(changes.count(), 1);
    Control<QComboBox>("cbxState")->setCurrentIndex(1);
    EXPECT_EQ(Bot(btTwonky).BotState(), bsVirtual);

    // The other robot's fields come in without touching either.
    SelectLine(1);
    EXPECT_EQ(Control<QLineEdit>("edtPlayerName")->text(), "");
    EXPECT_EQ(Bot(btTwonky).PlayerName(), "Anne");
    EXPECT_EQ(Bot(btZoomBot).PlayerName(), "");
}

TEST_F(MainWindowTurnTest, TheBuzzBombOffersOnlyItsNameHandAndNotes)
{
    MakeGame();
    AddRobots({btTwonky});
    TOptionCard* card = static_cast<TOptionCard*>(Session.Game()->OptionDeck()->FindCard("BuzzBomb"));
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(Item("mniAddBuzzBomb")->isEnabled());
    card->SetCardState(csDealt);
    Bot(btTwonky).Options()->AddOptionCopy(*card);
    Bot(btTwonky).SetPlayerName("Ann");
    Session.MarkChanged(gcDecks);
    ASSERT_TRUE(Item("mniAddBuzzBomb")->isEnabled());
    Item("mniAddBuzzBomb")->trigger();
    EXPECT_FALSE(Item("mniAddBuzzBomb")->isVisible());
    EXPECT_TRUE(Item("mniDeleteBuzzBomb")->isVisible());
    EXPECT_EQ(Item("mniDeleteBuzzBomb")->shortcut(), QKeySequence("Ctrl+Z"));
    ASSERT_EQ(Lines("lstBotsInPlay").back(), "Buzz Bomb");
    Item("mniNextTurn")->trigger();

    SelectLine(1);
    EXPECT_EQ(Control<QLineEdit>("edtPlayerName")->text(), "Ann");
    for (const char* name : {"edtLives", "edtMaxCards", "edtDamage", "cbxState", "cbxActivityLevel", "cbxFlag",
             "lstRegisterOther", "btnTradeHand", "lstOptionCards", "btnAddOption", "btnTradeOption"})
        EXPECT_FALSE(Control<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"edtPlayerName", "lstProgramCards", "btnNewHand", "edtRegister1", "mmoNotes"})
        EXPECT_TRUE(Control<QWidget>(name)->isEnabled()) << name;
    // Ctrl+Z in a text field undoes the typing there and leaves the buzz bomb alone.
    auto* name = Control<QLineEdit>("edtPlayerName");
    name->setFocus();
    QTest::keyClicks(name, "xy");
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Bot(btBuzzBomb).InUseFlag());
    EXPECT_EQ(name->text(), "Ann");
    EXPECT_EQ(Bot(btBuzzBomb).PlayerName(), "Ann");

    Item("mniDeleteBuzzBomb")->trigger();
    EXPECT_FALSE(Bot(btBuzzBomb).InUseFlag());
    EXPECT_EQ(Lines("lstBotsInPlay"), std::vector<QString>{"Twonky"});
}

TEST_F(MainWindowTurnTest, OptionsAreDealtEditedOnTheRobotsCopyAndDiscarded)
{
    MakeGame();
    AddRobots({btZoomBot});
    Item("mniNextTurn")->trigger();
    SelectLine(0);
    Control<QPushButton>("btnAddOption")->click();
    TBot& zoom = Bot(btZoomBot);
    ASSERT_EQ(zoom.Options()->Count(), 1);
    TOptionCard* option = zoom.Options()->Items(0);
    auto* deckCard = static_cast<TOptionCard*>(Session.Game()->OptionDeck()->FindCard(option->ID()));
    deckCard->SetQuantity(5);
    option->SetQuantity(3);
    Session.MarkChanged(gcBots);
    auto* list = Control<QListWidget>("lstOptionCards");
    ASSERT_EQ(list->count(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    auto* quantity = Control<QSpinBox>("edtOptionQuantity");
    EXPECT_TRUE(quantity->isEnabled());
    EXPECT_EQ(quantity->value(), 3);
    EXPECT_EQ(quantity->minimum(), 0);
    EXPECT_EQ(quantity->maximum(), 5);
    EXPECT_TRUE(Control<QPushButton>("btnDeleteOption")->isEnabled());
    // Not mounted yet, and still open for the game master to mount it.
    EXPECT_EQ(Control<QComboBox>("cbxOptionFacing")->currentIndex(), -1);
    EXPECT_TRUE(Control<QComboBox>("cbxOptionFacing")->isEnabled());

    quantity->setValue(4);
    Control<QComboBox>("cbxOptionFacing")->setCurrentIndex(2);
    EXPECT_EQ(option->Quantity(), 4);
    EXPECT_EQ(option->OptionFacing(), ofBack);
    EXPECT_EQ(deckCard->Quantity(), 5);
    EXPECT_EQ(deckCard->OptionFacing(), ofNone);

    Control<QPushButton>("btnDeleteOption")->click();
    EXPECT_EQ(zoom.Options()->Count(), 0);
    EXPECT_EQ(deckCard->CardState(), csDiscarded);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(MainWindowTurnTest, AWholeGameIsMadeSavedAndOpenedAgainByteForByte)
{
    std::vector<std::string> questions;
    std::optional<TSaveAnswer> answer;
    THookScope ask(AskSaveChanges, [&](const std::string& question) {
        questions.push_back(question);
        return *answer;
    });
    std::string savePath = Folder + "league.cgx";
    int saveDialogs = 0;
    THookScope save(ChooseFileToSave, [&](const TFileDialogSetup& setup) -> std::optional<std::string> {
        ++saveDialogs;
        EXPECT_EQ(setup.DefaultExtension, "cgx");
        EXPECT_EQ(setup.Filter, "Cogline Game Files (*.cgx)|*.cgx|All Files (*.*)|*.*");
        return savePath;
    });

    MakeGame();
    AddRobots({btZoomBot, btTwonky, btSpinBot});
    Item("mniNextTurn")->trigger();
    SelectLine(0);
    QTest::keyClicks(Control<QLineEdit>("edtPlayerName"), "Ann");
    ASSERT_TRUE(Session.Modified());

    // Cancel keeps the game and asks for nothing else.
    answer = saCancel;
    bool dialogShown = false;
    {
        THookScope dialog(ExecuteNewGame, [&](TNewGameSettings&, TBoardList&, TChitList&) {
            dialogShown = true;
            return false;
        });
        Item("mniNewGame")->trigger();
    }
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(Bot(btSpinBot).PlayerName(), "Ann");

    // Save writes the game first.
    answer = saSave;
    Item("mniSaveGame")->trigger();
    EXPECT_EQ(saveDialogs, 1);
    ASSERT_FALSE(Session.Modified());
    const std::string saved = ReadBytes(savePath);
    ASSERT_FALSE(saved.empty());

    // A fresh window opens it and saves the same bytes.
    {
        TGameSession other;
        TfrmMain second(other);
        THookScope open(ChooseFileToOpen, [&](const TFileDialogSetup& setup) -> std::optional<std::string> {
            EXPECT_EQ(setup.Folder, Folder);
            EXPECT_TRUE(setup.FileName.empty());
            return savePath;
        });
        second.findChild<QAction*>("mniOpenGame")->trigger();
        ASSERT_NE(other.Game(), nullptr);
        EXPECT_EQ(other.LastFileName(), savePath);
        EXPECT_EQ(second.findChild<QListWidget*>("lstBotsInPlay")->count(), 3);
        EXPECT_EQ(second.findChild<QLabel*>("lblTurn")->text(), "Turn 1");
        savePath = Folder + "again.cgx";
        THookScope saveAgain(ChooseFileToSave, [&](const TFileDialogSetup& setup) -> std::optional<std::string> {
            // The dialogs start from the file last opened.
            EXPECT_EQ(setup.FileName, "league.cgx");
            return savePath;
        });
        second.findChild<QAction*>("mniSaveGame")->trigger();
        EXPECT_EQ(DecompressFileToString(Folder + "again.cgx"), DecompressFileToString(Folder + "league.cgx"));
    }

    // Discard drops the changes and makes the new game.
    QTest::keyClicks(Control<QLineEdit>("edtPlayerName"), "e");
    answer = saDiscard;
    MakeGame("Second");
    EXPECT_EQ(Session.Game()->GameName(), "Second");
    EXPECT_EQ(questions.size(), 2u);

    // Save answered by cancelling the save dialog keeps everything as it was.
    Session.MarkChanged(gcBotFields);
    answer = saSave;
    savePath.clear();
    THookScope cancelSave(ChooseFileToSave, [](const TFileDialogSetup&) -> std::optional<std::string> { return std::nullopt; });
    Window->close();
    EXPECT_TRUE(Window->isVisible());
    answer = saDiscard;
    Window->close();
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowTurnTest, AFileThatDoesNotOpenIsReportedAndTheGameStays)
{
    MakeGame();
    AddRobots({btZoomBot});
    TGame* game = Session.Game();
    WriteBytes(Folder + "broken.cgx", "not a game");
    THookScope open(ChooseFileToOpen, [this](const TFileDialogSetup&) -> std::optional<std::string> { return Folder + "broken.cgx"; });
    THookScope ask(AskSaveChanges, [](const std::string&) { return saDiscard; });
    Item("mniOpenGame")->trigger();
    EXPECT_EQ(Session.Game(), game);
    EXPECT_EQ(Lines("lstBotsInPlay"), std::vector<QString>{"Zoom Bot"});
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].rfind("Exception EDecompressionError: ", 0), 0u) << Messages.Messages()[0];
}
