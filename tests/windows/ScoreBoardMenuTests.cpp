// The Game menu's Score Board: with a game, Ctrl+D shows the board of the game as it stands,
// modally; without a game the command waits disabled.
#include "windows/MainWindowFixture.h"

#include "windows/ModalDialogUnt.h"

#include <QDialog>
#include <QTableWidget>
#include <QTest>

TEST_F(MainWindowTest, CtrlDShowsTheScoreBoardOfTheOpenGameModally)
{
    Open().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    EXPECT_FALSE(Item("mniScoreBoard")->isEnabled());
    std::vector<std::string> shown;
    THookScope modal(ShowModalDialog, [&](QDialog& dialog) {
        const auto* grid = ::Control<QTableWidget>(dialog, "grdScoreBoard");
        shown.push_back(dialog.windowTitle().toStdString() + " " + std::to_string(grid->rowCount()) + "x"
            + std::to_string(grid->columnCount()) + " " + grid->item(2, 1)->text().toStdString());
        return false;
    });
    QTest::keyClick(Window.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(shown.empty());

    MakeGame();
    AddRobots({btZoomBot, btTwonky});
    Bot(btZoomBot).SetPlayerName("Zoe");
    EXPECT_TRUE(Item("mniScoreBoard")->isEnabled());
    QTest::keyClick(Window.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(shown, std::vector<std::string> {"Score Board - League 3x8 Zoe"});
}
