// The main window driven as a game master drives it: its commands, with every dialog answered
// by the test, on real widgets offscreen.
#include "windows/MainWindowFixture.h"

#include "persist/ZLibFuncs.h"
#include "windows/frmBotPrivateMessageUnt.h"
#include "windows/frmSelectBotOption.h"
#include "windows/frmViewCardsUnt.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolBar>

#include <optional>
#include <vector>

TEST_F(ProgramTabTest, CtrlVPastesTheProgramAndMarksTheRobot)
{
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += HandCard(btZoomBot, 4 - i)->ListingName() + "\r\n";
    // A rejected paste first: nothing changes and the game master is told.
    QApplication::clipboard()->setText("Move 1 (490)\nU-Turn");
    const std::string before = Session->Game()->SaveToXMLString();
    auto* hand = Control<QListWidget>("lstProgramCards");
    hand->setFocus();
    QTest::keyClick(hand, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0], "Pasted string is not a valid program - must contain at least 5 lines");
    EXPECT_EQ(Session->Game()->SaveToXMLString(), before);

    QApplication::clipboard()->setText(QString::fromStdString(text));
    QTest::keyClick(hand, Qt::Key_V, Qt::ControlModifier);
    // Line r names register r's card, programmed (turns are named without priority, so which
    // of two alike is the hand's first).
    std::string programmed;
    for (int r = 0; r < 5; ++r) {
        TProgramCard* card = Deck().FindCard(Bot(btZoomBot).Registers()->Registers(r)->CardID());
        programmed += card && card->CardState() == csRegisterProgrammed ? card->ListingName() + "\r\n" : "-\r\n";
    }
    EXPECT_EQ(programmed, text);
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

// One Ctrl+V is one paste, whichever control has the focus; in an editable text field it is the
// field's own paste and programs nothing.
TEST_F(ProgramTabTest, OneCtrlVIsOnePasteAndATextFieldKeepsItsOwnPaste)
{
    auto count = [](const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    std::string program;
    for (int i = 0; i < 5; ++i)
        program += HandCard(btZoomBot, i)->ListingName() + "\n";
    auto* list = Control<QListWidget>("lstBotsInPlay");
    list->setFocus();
    QApplication::clipboard()->setText("Hello GM!");
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Messages.Messages().size(), 1u);
    QApplication::clipboard()->setText(QString::fromStdString(program));
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(count(Bot(btZoomBot).GameNotes(), "Turn 1 (copy/paste)"), 1);
    EXPECT_EQ(Messages.Messages().size(), 1u);

    auto* name = Control<QLineEdit>("edtPlayerName");
    name->setFocus();
    QApplication::clipboard()->setText("Ann");
    const std::string notes = Bot(btZoomBot).GameNotes();
    Bot(btZoomBot).Registers()->Registers(0)->Clear();
    QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Bot(btZoomBot).PlayerName(), "Ann");
    EXPECT_EQ(Bot(btZoomBot).GameNotes(), notes);
    EXPECT_TRUE(Bot(btZoomBot).Registers()->Registers(0)->CardID().empty());
    EXPECT_EQ(Messages.Messages().size(), 1u);
    // An answer holding a character a game file cannot keep is taken, and the game master told.
    name->clear();
    list->setFocus();
    Bot(btZoomBot).Registers()->Registers(0)->Clear();
    QApplication::clipboard()->setText(QString::fromStdString(program + "Thanks\x01"));
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Messages.Messages().size(), 2u);
    EXPECT_NE(Messages.Messages()[1].find("cannot keep"), std::string::npos);
    EXPECT_EQ(Bot(btZoomBot).GameNotes().find('\x01'), std::string::npos);
    EXPECT_NE(Bot(btZoomBot).GameNotes().find("Thanks"), std::string::npos);
    // The notes tab, once shown, holds the one record.
    Control<QTabWidget>("pgeBot")->setCurrentWidget(Control<QWidget>("tabNotes"));
    EXPECT_EQ(count(Control<QPlainTextEdit>("mmoNotes")->toPlainText().toStdString(), "Turn 1 (copy/paste)"), 2);
}

// A click on the empty part of the robot list selects none: the Program tab shows nothing and
// offers no command.
TEST_F(ProgramTabTest, AClickBesideTheRobotsEmptiesTheProgramTab)
{
    for (int r = 0; r < 4; ++r)
        Bot(btZoomBot).Registers()->Registers(r)->ProgramWith(*HandCard(btZoomBot, r));
    Bot(btZoomBot).ExtraRegisters()->AddExtraRegister(*HandCard(btZoomBot, 5));
    Session->MarkChanged(gcBots);
    auto* hand = Control<QListWidget>("lstProgramCards");
    auto* other = Control<QListWidget>("lstRegisterOther");
    ASSERT_GT(hand->count(), 0);
    ASSERT_EQ(other->count(), 1);
    ASSERT_TRUE(Control<QToolBar>("barRegister1")->isEnabled());

    auto* list = Control<QListWidget>("lstBotsInPlay");
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    ASSERT_LT(last.bottom() + 10, list->viewport()->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 10));
    ASSERT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(hand->count(), 0);
    EXPECT_EQ(other->count(), 0);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_TRUE(Control<QLineEdit>(QString("edtRegister%1").arg(n).toUtf8().constData())->text().isEmpty()) << n;
        EXPECT_FALSE(Control<QToolBar>(QString("barRegister%1").arg(n).toUtf8().constData())->isEnabled()) << n;
    }
    EXPECT_FALSE(Control<QToolBar>("barRegisterOther")->isEnabled());
    for (const char* button : {"btnNewHand", "btnTradeHand", "btnMakePM", "btnCopyProgram"})
        EXPECT_FALSE(Control<QPushButton>(button)->isEnabled()) << button;
    EXPECT_TRUE(Control<QLineEdit>("edtPlayerName")->text().isEmpty());
}

// One Process Turn window at a time, until another game comes.
TEST_F(ProgramTabTest, PrivateMessagesCopiedProgramsTheDecksAndTheTurnGoThroughTheirWindows)
{
    std::vector<std::string> shown;
    THookScope pm(ShowPrivateMessage, [&](const std::string& text) { shown.push_back(text); });
    Control<QPushButton>("btnMakePM")->click();
    Item("mniMakePMs")->trigger();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].find("\r\nTurn 1 (Zoom Bot)\r\n"), 0u) << shown[0];
    const std::string separator = "\r\n\r\n-------------------\r\n\r\n";
    EXPECT_EQ(shown[1], Session->Game()->BotList()->FindByType(btTwonky)->BuildPrivateMessage(1, Session->Game()->ProgramDeck(), Session->Game())
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
    EXPECT_EQ(viewed, Session->Game());

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

TEST_F(MainWindowTest, ANewGameWaitsForRobotsAndSelectingOneFillsItsFieldsWithoutWritingThemBack)
{
    Open().show();
    MakeGame();
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_TRUE(Window->windowTitle().endsWith(" - League[*]")) << Window->windowTitle().toStdString();
    EXPECT_FALSE(Control<QLabel>("lblTurn")->isVisible());

    AddRobots({btZoomBot, btTwonky, btHammerBot});
    EXPECT_EQ(BotLines(), (QStringList{"Hammer Bot", "Twonky", "Zoom Bot"}));
    Item("mniNextTurn")->trigger();
    EXPECT_TRUE(Control<QLabel>("lblTurn")->isVisible());
    EXPECT_EQ(Control<QLabel>("lblTurn")->text(), "Turn 1");
    // The turn has to be processed to phase 5 first.
    EXPECT_FALSE(Item("mniNextTurn")->isEnabled());

    Bot(btTwonky).SetPlayerName("Ann");
    Bot(btTwonky).SetDamage(2);
    Bot(btTwonky).SetBotActivityLevel(alShutDown);
    Bot(btTwonky).SetFlagTouched(2);
    const std::string before = Session->Game()->SaveToXMLString();
    QSignalSpy changes(Session.get(), &TGameSession::Changed);
    SelectLine(1);
    EXPECT_EQ(Control<QLineEdit>("edtPlayerName")->text(), "Ann");
    EXPECT_EQ(Control<QSpinBox>("edtDamage")->value(), 2);
    EXPECT_EQ(Control<QComboBox>("cbxActivityLevel")->currentText(), "Shut Down");
    EXPECT_EQ(Control<QComboBox>("cbxFlag")->currentText(), "Flag 2");
    EXPECT_EQ(Session->Game()->SaveToXMLString(), before);
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
    SelectLine(2);
    EXPECT_EQ(Control<QLineEdit>("edtPlayerName")->text(), "");
    EXPECT_EQ(Bot(btTwonky).PlayerName(), "Anne");
    EXPECT_EQ(Bot(btZoomBot).PlayerName(), "");
}

TEST_F(MainWindowTest, TheBuzzBombOffersOnlyItsNameHandAndNotes)
{
    ShowGame({btTwonky});
    TOptionCard* card = static_cast<TOptionCard*>(Session->Game()->OptionDeck()->FindCard("BuzzBomb"));
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(Item("mniAddBuzzBomb")->isEnabled());
    card->SetCardState(csDealt);
    Bot(btTwonky).Options()->AddOptionCopy(*card);
    Bot(btTwonky).SetPlayerName("Ann");
    Session->MarkChanged(gcDecks);
    ASSERT_TRUE(Item("mniAddBuzzBomb")->isEnabled());
    Item("mniAddBuzzBomb")->trigger();
    EXPECT_FALSE(Item("mniAddBuzzBomb")->isVisible());
    EXPECT_TRUE(Item("mniDeleteBuzzBomb")->isVisible());
    EXPECT_EQ(Item("mniDeleteBuzzBomb")->shortcut(), QKeySequence("Ctrl+Z"));
    ASSERT_EQ(BotLines().back(), "Buzz Bomb");
    Item("mniNextTurn")->trigger();

    SelectLine(1);
    EXPECT_EQ(Control<QLineEdit>("edtPlayerName")->text(), "Ann");
    // A field of each group the rules tell apart: the robot's values, the trade and the option
    // fields are off; its name, the turn's controls and the notes are on.
    for (const char* name : {"edtDamage", "btnCopyProgram", "cbxOptionFacing"})
        EXPECT_FALSE(Control<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"edtPlayerName", "edtRegister1", "mmoNotes"})
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
    EXPECT_EQ(BotLines(), QStringList{"Twonky"});
}

TEST_F(MainWindowTest, OptionsAreDealtEditedOnTheRobotsCopyAndDiscarded)
{
    ShowGame({btZoomBot});
    Item("mniNextTurn")->trigger();
    SelectLine(0);
    Control<QPushButton>("btnAddOption")->click();
    TBot& zoom = Bot(btZoomBot);
    ASSERT_EQ(zoom.Options()->Count(), 1);
    TOptionCard* option = zoom.Options()->Items(0);
    auto* deckCard = static_cast<TOptionCard*>(Session->Game()->OptionDeck()->FindCard(option->ID()));
    deckCard->SetQuantity(5);
    option->SetQuantity(3);
    Session->MarkChanged(gcBots);
    auto* list = Control<QListWidget>("lstOptionCards");
    ASSERT_EQ(list->count(), 1);
    ClickLine(list, 0);
    auto* quantity = Control<QSpinBox>("edtOptionQuantity");
    EXPECT_TRUE(quantity->isEnabled());
    EXPECT_EQ(quantity->value(), 3);
    EXPECT_EQ(quantity->maximum(), 5);
    // Not mounted yet, and still open for the game master to mount it.
    auto* facing = Control<QComboBox>("cbxOptionFacing");
    EXPECT_EQ(facing->currentIndex(), -1);
    EXPECT_TRUE(facing->isEnabled());

    quantity->setValue(4);
    facing->setCurrentIndex(2);
    EXPECT_EQ(option->Quantity(), 4);
    EXPECT_EQ(option->OptionFacing(), ofBack);
    EXPECT_EQ(deckCard->Quantity(), 5);
    EXPECT_EQ(deckCard->OptionFacing(), ofNone);

    Control<QPushButton>("btnDeleteOption")->click();
    EXPECT_EQ(zoom.Options()->Count(), 0);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(MainWindowTest, AWholeGameIsMadeSavedAndOpenedAgainByteForByte)
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

    ShowGame({btZoomBot, btTwonky, btSpinBot});
    Item("mniNextTurn")->trigger();
    SelectLine(0);
    QTest::keyClicks(Control<QLineEdit>("edtPlayerName"), "Ann");
    ASSERT_TRUE(Session->Modified());

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

    Item("mniSaveGame")->trigger();
    EXPECT_EQ(saveDialogs, 1);
    ASSERT_FALSE(Session->Modified());
    ASSERT_FALSE(ReadBytes(savePath).empty());

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
        second.findChild<QAction*>("mniSaveGameAs")->trigger();
        EXPECT_EQ(DecompressFileToString(Folder + "again.cgx"), DecompressFileToString(Folder + "league.cgx"));
        // Saved under a new name, the next save proposes that name, not the file opened.
        std::string proposed;
        THookScope saveThird(ChooseFileToSave, [&](const TFileDialogSetup& setup) -> std::optional<std::string> {
            proposed = setup.FileName;
            return std::nullopt;
        });
        second.findChild<QAction*>("mniSaveGameAs")->trigger();
        EXPECT_EQ(proposed, "again.cgx");
    }

    // Discard drops the changes and makes the new game.
    QTest::keyClicks(Control<QLineEdit>("edtPlayerName"), "e");
    answer = saDiscard;
    MakeGame("Second");
    EXPECT_EQ(Session->Game()->GameName(), "Second");
    EXPECT_EQ(questions.size(), 2u);

    // Save answered by cancelling the save dialog keeps everything as it was.
    Session->MarkChanged(gcBotFields);
    answer = saSave;
    savePath.clear();
    THookScope cancelSave(ChooseFileToSave, [](const TFileDialogSetup&) -> std::optional<std::string> { return std::nullopt; });
    Window->close();
    EXPECT_TRUE(Window->isVisible());
    answer = saDiscard;
    Window->close();
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowTest, AFileThatDoesNotOpenIsReportedAndTheGameStays)
{
    ShowGame({btZoomBot});
    WriteBytes(Folder + "broken.cgx", "not a game");
    THookScope open(ChooseFileToOpen, [this](const TFileDialogSetup&) -> std::optional<std::string> { return Folder + "broken.cgx"; });
    THookScope ask(AskSaveChanges, [](const std::string&) { return saDiscard; });
    Item("mniOpenGame")->trigger();
    EXPECT_EQ(BotLines(), QStringList{"Zoom Bot"});
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].rfind("Exception EDecompressionError: ", 0), 0u) << Messages.Messages()[0];
}
