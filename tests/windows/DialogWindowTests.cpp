#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "session/DesignMapRulesUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/frmAddBotUnt.h"
#include "windows/frmDesignMapUnt.h"
#include "windows/frmNewGameUnt.h"
#include "windows/frmSelectBotOption.h"
#include "windows/StandardDialogsUnt.h"
#include "support/UtilsUnt.h"
#include "session/SettingsUnt.h"
#include "session/UiTestData.h"
#include "windows/UiWindowTestUtils.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <functional>
#include <memory>

namespace {

// Answers every modal dialog with the given steps and then reports whether it was confirmed.
class TDialogAnswer {
public:
    explicit TDialogAnswer(std::function<void(QDialog&)> steps)
        : FScope(ShowModalDialog, [this, steps](QDialog& dialog) {
            ++Shown;
            dialog.show();
            steps(dialog);
            return dialog.result() == QDialog::Accepted;
        })
    {
    }
    int Shown = 0;

private:
    THookScope<decltype(ShowModalDialog)> FScope;
};

void Ok(QDialog& dialog) { Control<QPushButton>(dialog, "btnOk")->click(); }
void Cancel(QDialog& dialog) { Control<QPushButton>(dialog, "btnCancel")->click(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// New game

// OK waits for a name, archives and an option set; refused characters have no effect, and an
// emptied name is the selected placeholder again; Ctrl+A selects every set.
TEST(NewGameDialog, OkWaitsForANameArchivesAndAnOptionSet)
{
    TfrmNewGame dialog;
    dialog.show();
    auto* edtGameName = Control<QLineEdit>(dialog, "edtGameName");
    auto* lstOptionSets = Control<QListWidget>(dialog, "lstOptionSets");
    auto* btnOk = Control<QPushButton>(dialog, "btnOk");
    EXPECT_EQ(edtGameName->text(), "[New Game]");
    EXPECT_EQ(edtGameName->selectedText(), "[New Game]");
    EXPECT_EQ(Lines(lstOptionSets), (QStringList{"Base Game", "Bolts and Blasters"}));
    EXPECT_EQ(SelectedLines(lstOptionSets), Lines(lstOptionSets));
    EXPECT_FALSE(btnOk->isEnabled());

    // Typing replaces the selected placeholder.
    QTest::keyClicks(edtGameName, "a:b?c<d>e\"f/g\\h|i*j");
    EXPECT_EQ(edtGameName->text(), "abcdefghij");
    EXPECT_TRUE(btnOk->isEnabled());
    // Deleting the last character brings the placeholder back, selected, and OK goes.
    QTest::keyClick(edtGameName, Qt::Key_End);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(edtGameName, Qt::Key_Backspace);
    EXPECT_EQ(edtGameName->text(), "[New Game]");
    EXPECT_EQ(edtGameName->selectedText(), "[New Game]");
    EXPECT_FALSE(btnOk->isEnabled());

    QTest::keyClicks(edtGameName, "League");
    ASSERT_TRUE(btnOk->isEnabled());
    ClickLine(lstOptionSets, 1);
    EXPECT_EQ(SelectedLines(lstOptionSets), QStringList{"Bolts and Blasters"});
    EXPECT_TRUE(btnOk->isEnabled());
    ClickLine(lstOptionSets, 1, Qt::ControlModifier);
    EXPECT_TRUE(SelectedLines(lstOptionSets).isEmpty());
    EXPECT_FALSE(btnOk->isEnabled());
    // Ctrl+A from the name box, where the box also selects its own text.
    QTest::keyClick(edtGameName, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedLines(lstOptionSets), Lines(lstOptionSets));
    EXPECT_EQ(edtGameName->selectedText(), "League");
    EXPECT_TRUE(btnOk->isEnabled());
    // And from a control without one of its own.
    lstOptionSets->clearSelection();
    QTest::keyClick(Control<QPushButton>(dialog, "btnCancel"), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedLines(lstOptionSets), Lines(lstOptionSets));
}

TEST(ExecuteNewGame, ConfirmedDialogAndDesignerFillEverySetting)
{
    auto chits = ShippedChits();
    TNewGameSettings settings;
    TDialogAnswer answer([](QDialog& dialog) {
        if (auto* newGame = dynamic_cast<TfrmNewGame*>(&dialog)) {
            QTest::keyClicks(Control<QLineEdit>(*newGame, "edtGameName"), "Spring League");
            ClickLine(Control<QListWidget>(*newGame, "lstOptionSets"), 1, Qt::ControlModifier);
            Control<QSpinBox>(*newGame, "edtArchivesCount")->setValue(3);
            Control<QSpinBox>(*newGame, "edtNumberOfFlags")->setValue(2);
            return Ok(dialog);
        }
        auto& designer = dynamic_cast<TfrmDesignMap&>(dialog);
        auto* boards = Control<QComboBox>(designer, "cbxBoards");
        boards->setCurrentIndex(boards->findData("Maelstrom_2"));
        auto* flags = Control<QListWidget>(designer, "lstFlags");
        auto* grid = Control<TDesignMapGrid>(designer, "grdMap");
        ASSERT_EQ(flags->count(), 3);
        for (int line = 0; line < 3; ++line) {
            std::unique_ptr<QMimeData> data(DragOfLine(flags, line));
            EXPECT_TRUE(DropOn(grid, data.get(), GridPointOfSquare(designer.Design(), 0, 0, 3 + line, 7)));
        }
        Ok(dialog);
    });
    ASSERT_TRUE(ExecuteNewGame(settings, ShippedBoards(), *chits));
    EXPECT_EQ(answer.Shown, 2);
    EXPECT_EQ(settings.GameName, "Spring League");
    EXPECT_EQ(settings.OptionSources, TOptionSourceSet{osBaseGame});
    EXPECT_EQ(settings.ArchivesPerBot, 3);
    EXPECT_EQ(settings.FlagCount, 2);
    ASSERT_TRUE(settings.UsedBoardList);
    ASSERT_EQ(settings.UsedBoardList->Count(), 1);
    EXPECT_EQ(settings.UsedBoardList->Items(0)->BoardID(), "Maelstrom_2");
    ASSERT_TRUE(settings.ChitList);
    std::string places;
    for (const char* id : {"Start", "Flag1", "Flag2", "Flag3"})
        places += Place(*settings.ChitList->FindByID(id)) + " ";
    EXPECT_EQ(places, "0_0:3,7 0_0:4,7 0_0:5,7 off ");
}

TEST(ExecuteNewGame, CancelLeavesTheSettingsAndSkipsTheDesigner)
{
    auto chits = ShippedChits();
    TNewGameSettings settings;
    settings.GameName = "Old";
    settings.ArchivesPerBot = 9;
    THookScope designer(DesignMap, [](TNewGameSettings&, TChitList&, TBoardList&) {
        ADD_FAILURE() << "the designer opened";
        return true;
    });
    TDialogAnswer answer([](QDialog& dialog) {
        QTest::keyClicks(Control<QLineEdit>(dialog, "edtGameName"), "New");
        Cancel(dialog);
    });
    EXPECT_FALSE(ExecuteNewGame(settings, ShippedBoards(), *chits));
    EXPECT_EQ(settings.GameName, "Old");
    EXPECT_EQ(settings.ArchivesPerBot, 9);
    EXPECT_TRUE(settings.OptionSources.Empty());
}

// A name whose game folder exists already is warned about: the game master goes back to the
// name or goes on.
TEST(NewGameDialog, ANameWhoseFolderExistsIsWarnedAbout)
{
    QTemporaryDir folder;
    const std::string before = ExecutableFolder();
    SetExecutableFolder(folder.path().toStdString() + "/");
    ASSERT_TRUE(QDir(folder.path()).mkdir("Spring League"));
    std::vector<std::string> warnings;
    bool goOn = false;
    THookScope ask(AskGoOn, [&](const std::string& warning) {
        warnings.push_back(warning);
        return goOn;
    });
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        goOn = answer;
        warnings.clear();
        TfrmNewGame dialog;
        dialog.show();
        auto* name = Control<QLineEdit>(dialog, "edtGameName");
        name->setText("Spring League");
        Ok(dialog);
        EXPECT_EQ(warnings, std::vector<std::string>{"A game folder named \"Spring League\" already exists; its pictures would be replaced."});
        EXPECT_EQ(dialog.result(), answer ? QDialog::Accepted : QDialog::Rejected);
        if (answer)
            continue;
        // Back at the name, another one goes through without a word.
        EXPECT_EQ(name->selectedText(), "Spring League");
        QTest::keyClicks(name, "Autumn League");
        Ok(dialog);
        EXPECT_EQ(warnings.size(), 1u);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    SetExecutableFolder(before);
}

// ---------------------------------------------------------------------------------------------
// Add bot and select bot

// Only robots not in play are offered, never the buzz bomb; cancel or nothing chosen adds none,
// Ctrl+A chooses them all.
TEST(AddBotsDialog, PutsTheChosenRobotsIntoPlay)
{
    TGame game;
    TBotList& bots = *game.BotList();
    for (TBotType type : {btHammerBot, btTwitch, btZoomBot})
        bots.FindByType(type)->SetInUseFlag(true);
    for (bool cancel : {true, false}) {
        TDialogAnswer answer([cancel](QDialog& dialog) {
            if (cancel)
                ClickLine(Control<QListWidget>(dialog, "lstBots"), 0);
            cancel ? Cancel(dialog) : Ok(dialog);
        });
        EXPECT_FALSE(AddBots(game));
        EXPECT_EQ(bots.InUseCount(), 3);
    }
    {
        TDialogAnswer answer([](QDialog& dialog) {
            auto* list = Control<QListWidget>(dialog, "lstBots");
            EXPECT_EQ(Lines(list), (QStringList{"Hulk X-90", "Spin Bot", "Squash Bot", "Trundle Bot", "Twonky"}));
            ClickLine(list, 1);
            ClickLine(list, 4, Qt::ControlModifier);
            EXPECT_EQ(SelectedLines(list), (QStringList{"Spin Bot", "Twonky"}));
            Ok(dialog);
        });
        EXPECT_TRUE(AddBots(game));
    }
    QStringList inUse;
    for (int i = 0; i < bots.Count(); ++i)
        if (bots.Items(i)->InUseFlag())
            inUse << QString::fromStdString(bots.Items(i)->BotTypeName());
    EXPECT_EQ(inUse, (QStringList{"Hammer Bot", "Spin Bot", "Twitch", "Twonky", "Zoom Bot"}));
    TDialogAnswer answer([](QDialog& dialog) {
        QTest::keyClick(Control<QPushButton>(dialog, "btnOk"), Qt::Key_A, Qt::ControlModifier);
        Ok(dialog);
    });
    EXPECT_TRUE(AddBots(game));
    EXPECT_EQ(bots.InUseCount(), 8);
    EXPECT_FALSE(bots.FindByType(btBuzzBomb)->InUseFlag());
}

// One robot in play other than the excluded one; for an option trade only those with options,
// and with none of them, OK gives none.
TEST(SelectBotDialog, ChoosesOneRobotOrNone)
{
    TGame game;
    TBotList& bots = *game.BotList();
    for (TBotType type : {btHammerBot, btSpinBot, btTwonky})
        bots.FindByType(type)->SetInUseFlag(true);
    TDialogAnswer answer([](QDialog& dialog) {
        auto* list = Control<QListWidget>(dialog, "lstBots");
        EXPECT_EQ(Lines(list), (QStringList{"Hammer Bot", "Twonky"}));
        ClickLine(list, 0);
        ClickLine(list, 1, Qt::ShiftModifier);
        EXPECT_EQ(SelectedLines(list), QStringList{"Twonky"});
        Ok(dialog);
    });
    EXPECT_EQ(SelectBot(game, bots.FindByType(btSpinBot), TProgramCard::StaticClass()), bots.FindByType(btTwonky));
    EXPECT_EQ(answer.Shown, 1);

    TDialogAnswer none([](QDialog& dialog) {
        EXPECT_EQ(Control<QListWidget>(dialog, "lstBots")->count(), 0);
        QTest::keyClick(Control<QPushButton>(dialog, "btnOk"), Qt::Key_A, Qt::ControlModifier);
        Ok(dialog);
    });
    EXPECT_EQ(SelectBot(game, bots.FindByType(btHammerBot), TOptionCard::StaticClass()), nullptr);
    EXPECT_EQ(none.Shown, 1);
}

// ---------------------------------------------------------------------------------------------
// Get bot option

TEST(GetBotOptionDialog, OkFollowsTheSelectionAndGivesTheCard)
{
    TBot bot;
    for (const char* name : {"Brakes", "Fourth Gear", "Scrambler"}) {
        TOptionCard card;
        card.SetID(name);
        card.SetCardName(name);
        bot.Options()->AddOptionCopy(card);
    }
    TDialogAnswer answer([](QDialog& dialog) {
        auto* list = Control<QListWidget>(dialog, "lstOptions");
        auto* ok = Control<QPushButton>(dialog, "btnOk");
        EXPECT_EQ(Lines(list), (QStringList{"Brakes", "Fourth Gear", "Scrambler"}));
        EXPECT_TRUE(ok->isEnabled());
        ClickLine(list, 1);
        EXPECT_TRUE(ok->isEnabled());
        ClickLine(list, 1, Qt::ControlModifier);
        EXPECT_TRUE(SelectedLines(list).isEmpty());
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(SelectedLines(list), QStringList{"Scrambler"});
        EXPECT_TRUE(ok->isEnabled());
        Ok(dialog);
    });
    EXPECT_EQ(GetBotOption(bot), bot.Options()->Items(2));

    TDialogAnswer cancel([](QDialog& dialog) {
        ClickLine(Control<QListWidget>(dialog, "lstOptions"), 0);
        Cancel(dialog);
    });
    EXPECT_EQ(GetBotOption(bot), nullptr);
    // OK with nothing selected gives nothing either.
    TDialogAnswer nothing([](QDialog& dialog) { Ok(dialog); });
    EXPECT_EQ(GetBotOption(bot), nullptr);
}
