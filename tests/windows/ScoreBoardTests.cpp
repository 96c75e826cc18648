// The score board window offscreen: its grid and texts, the flag colours on the pixels of the
// saved picture, wrapped options, the picture's file, and the report buttons of the
// process-turn window, whose reports name only pictures that exist when they are opened.
#include "windows/frmScoreBoardUnt.h"

#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "windows/frmProcessTurnUnt.h"
#include "render/GameFolderUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/ApplicationUnt.h"
#include "session/ReportUnt.h"
#include "session/TurnCycleUnt.h"
#include "session/ProcessFixture.h"
#include "windows/UiWindowTestUtils.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <regex>
#include <set>

namespace {

QStringList RowTexts(const QTableWidget& grid, int row)
{
    QStringList texts;
    for (int c = 0; c < grid.columnCount(); ++c)
        texts << grid.item(row, c)->text();
    return texts;
}

std::vector<TfrmScoreBoard*> ScoreBoardWindows()
{
    std::vector<TfrmScoreBoard*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* board = qobject_cast<TfrmScoreBoard*>(widget))
            found.push_back(board);
    return found;
}

} // namespace

// A game of 3 flags in its third turn, named Test, with four robots in play.
class ScoreBoardTest : public ProcessTest {
protected:
    void SetUp() override
    {
        ProcessTest::SetUp();
        Game->SetGameName("Test");
        Game->SetFlagCount(3);
        Game->BotList()->FindByType(btSpinBot)->SetInUseFlag(true);
        NextTurn(*Game);
        NextTurn(*Game);
        BuildOptionCards(Options, osBaseGame);
        Robot(btHammerBot, "Hal", 1, 3, 0);
        Robot(btSpinBot, "Sam", 0, 4, 3);
        Robot(btTwonky, "Tom", 7, 1, 0);
        TBot& zoom = Robot(btZoomBot, "Zoe", 4, 2, 2);
        AddOption(zoom, "Brakes", -1);
        AddOption(zoom, "Flywheel", 2);
        AddOption(Bot(btTwonky), "Brakes", 0);
    }

    TBot& Bot(TBotType type) { return *Game->BotList()->FindByType(type); }
    TBot& Robot(TBotType type, const char* player, int damage, int lives, int flag)
    {
        TBot& bot = Bot(type);
        bot.SetPlayerName(player);
        bot.SetDamage(damage);
        bot.SetLivesCount(lives);
        bot.SetFlagTouched(flag);
        return bot;
    }
    void AddOption(TBot& bot, const char* name, int quantity)
    {
        std::string id = name;
        std::erase(id, ' ');
        TOptionCard* card = Options.FindCard(id);
        ASSERT_NE(card, nullptr) << name;
        bot.Options()->AddOptionCopy(*card)->SetQuantity(quantity);
    }

    QTableWidget* Grid(TfrmScoreBoard& window) { return Control<QTableWidget>(window, "grdScoreBoard"); }
    // A pixel of the cell's background in the window's picture, clear of its centred text.
    static QRgb CellBackground(const QImage& picture, TfrmScoreBoard& window, QTableWidget& grid, int row, int column)
    {
        const QRect cell = grid.visualRect(grid.model()->index(row, column));
        const QPoint at = grid.viewport()->mapTo(&window, QPoint(cell.left() + 3, cell.center().y()));
        return picture.pixel(at * picture.devicePixelRatio());
    }

    TOptionDeck Options;
};

TEST_F(ScoreBoardTest, GridHasARowPerRobotInPlayAndAColumnPerFlag)
{
    TfrmScoreBoard window;
    window.Load(*Game);
    EXPECT_EQ(window.windowTitle(), "Score Board - Test");
    EXPECT_EQ(Control<QLabel>(window, "lblTurn")->text(), "Turn 3 - Test");
    QTableWidget& grid = *Grid(window);
    ASSERT_EQ(grid.columnCount(), 8);
    ASSERT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(RowTexts(grid, 0), QStringList({"Bot", "Player", "Damage", "Lives", "Options", "Flag 1", "Flag 2", "Flag 3"}));
    // Bot-list order; quantities shown from 0 on.
    EXPECT_EQ(RowTexts(grid, 1), QStringList({"Hammer Bot", "Hal", "1", "3", "", "1", "2", "3"}));
    EXPECT_EQ(RowTexts(grid, 2), QStringList({"Spin Bot", "Sam", "0", "4", "", "1", "2", "3"}));
    EXPECT_EQ(RowTexts(grid, 3), QStringList({"Twonky", "Tom", "7", "1", "Brakes (0)", "1", "2", "3"}));
    EXPECT_EQ(RowTexts(grid, 4), QStringList({"Zoom Bot", "Zoe", "4", "2", "Brakes, Flywheel (2)", "1", "2", "3"}));

    // More flags than headers: the extra columns have none.
    Game->SetFlagCount(8);
    window.Load(*Game);
    EXPECT_EQ(grid.columnCount(), 13);
    EXPECT_EQ(grid.item(0, 10)->text(), "Flag 6");
    EXPECT_EQ(grid.item(0, 12)->text(), "");
    EXPECT_EQ(grid.item(4, 12)->text(), "8");
    // A damaged file's flag count cannot make the grid endless.
    Game->SetFlagCount(-5);
    window.Load(*Game);
    EXPECT_EQ(grid.columnCount(), 5);
    Game->SetFlagCount(2000000000);
    window.Load(*Game);
    EXPECT_EQ(grid.columnCount(), ScoreBoardFlagColumn + MaxScoreBoardFlags);
}

TEST_F(ScoreBoardTest, SavedPictureShowsTouchedFlagsGreenAndTheOthersRed)
{
    TfrmScoreBoard window;
    window.Load(*Game);
    const std::string file = window.SavePicture(3);
    EXPECT_EQ(file, Folder + "Test/Turn 3/Score Board Turn 3.jpg");
    QImage picture(QString::fromStdString(file));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), window.size() * window.devicePixelRatio());
    QTableWidget& grid = *Grid(window);
    // Rows: Hammer Bot none touched, Spin Bot all three, Zoom Bot two of three.
    const struct {
        int Row;
        std::vector<bool> Green;
    } rows[] = {{1, {false, false, false}}, {2, {true, true, true}}, {4, {true, true, false}}};
    for (const auto& row : rows)
        for (int flag = 0; flag < 3; ++flag) {
            const QRgb pixel = CellBackground(picture, window, grid, row.Row, ScoreBoardFlagColumn + flag);
            EXPECT_TRUE(Near(pixel, row.Green[flag] ? qRgb(0, 255, 0) : qRgb(255, 0, 0), 60))
                << "row " << row.Row << " flag " << flag + 1 << ": " << std::hex << pixel;
        }
    // Neither colour anywhere else: the header and the robot's other cells.
    for (int column = 0; column < ScoreBoardFlagColumn; ++column) {
        const QRgb pixel = CellBackground(picture, window, grid, 4, column);
        EXPECT_FALSE(Near(pixel, qRgb(0, 255, 0), 60) || Near(pixel, qRgb(255, 0, 0), 60)) << column;
    }
    EXPECT_FALSE(Near(CellBackground(picture, window, grid, 0, ScoreBoardFlagColumn), qRgb(255, 0, 0), 60));
}

TEST_F(ScoreBoardTest, ColumnsFitTheirTextsLongOptionsWrapAndTheWindowShowsTheWholeGrid)
{
    TBot& tom = Bot(btTwonky);
    for (const char* name : {"Flywheel", "Gyroscopic Stabilizer", "Mechanical Arm", "Power Down Shield", "Ramming Gear",
             "Scrambler", "Tractor Beam", "Pressor Beam", "Fourth Gear", "Reverse Gears"})
        AddOption(tom, name, 1);
    tom.SetPlayerName("A player with a rather long name");
    TfrmScoreBoard window;
    window.Load(*Game);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTableWidget& grid = *Grid(window);
    const QFontMetrics metrics(grid.font());

    EXPECT_EQ(window.ColumnWidth(ScoreBoardOptionsColumn), 250);
    const QString options = grid.item(3, ScoreBoardOptionsColumn)->text();
    EXPECT_GT(metrics.horizontalAdvance(options), 250);
    const int wrapped = metrics.boundingRect(QRect(0, 0, 250 - 4, 10000), Qt::TextWordWrap, options).height();
    EXPECT_GT(wrapped, 2 * metrics.height());
    EXPECT_EQ(window.RowHeight(3), wrapped + 4);
    EXPECT_EQ(window.RowHeight(1), window.RowHeight(0));
    EXPECT_LT(window.RowHeight(1), window.RowHeight(3));
    // Every other text fits its cell on one line.
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c) {
            if (c == ScoreBoardOptionsColumn && r > 0)
                continue;
            EXPECT_LE(metrics.horizontalAdvance(grid.item(r, c)->text()) + 4, window.ColumnWidth(c)) << r << "," << c;
        }
    // The last cell ends inside the grid's viewport: nothing is cut off in the picture.
    const QRect last = grid.visualRect(grid.model()->index(grid.rowCount() - 1, grid.columnCount() - 1));
    EXPECT_TRUE(grid.viewport()->rect().contains(last)) << last.right() << "," << last.bottom();
    EXPECT_LE(grid.viewport()->width() - last.right(), 4);
    EXPECT_LE(grid.viewport()->height() - last.bottom(), 4);
}

TEST_F(ScoreBoardTest, ViewedModallyAndSavedByAClickOnTheTurn)
{
    std::string caption;
    int rows = 0;
    THookScope modal(ShowModalDialog, [&](QDialog& dialog) {
        caption = dialog.windowTitle().toStdString();
        rows = Control<QTableWidget>(dialog, "grdScoreBoard")->rowCount();
        dialog.show();
        QTest::mouseClick(Control<QLabel>(dialog, "lblTurn"), Qt::LeftButton);
        return false;
    });
    ShowScoreBoard(*Game);
    EXPECT_EQ(caption, "Score Board - Test");
    EXPECT_EQ(rows, 5);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(ScoreBoardImagePath("Test", 3))));
    EXPECT_TRUE(ScoreBoardWindows().empty());
}

// The report buttons of the process-turn window.
class ReportButtonsTest : public ScoreBoardTest {
protected:
    void TearDown() override
    {
        delete Window;
        for (TfrmScoreBoard* board : ScoreBoardWindows())
            delete board;
        ScoreBoardTest::TearDown();
    }

    void Click(const char* button)
    {
        if (!Window) {
            ShowProcessTurn(Window, Session, &MainWindow);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(Window));
        }
        QTest::mouseClick(Control<QPushButton>(*Window, button), Qt::LeftButton);
    }

    // Every picture the report names, with whether it was there when the report was opened.
    std::vector<std::pair<std::string, bool>> NamedPictures(const std::string& report, int turn)
    {
        std::vector<std::pair<std::string, bool>> pictures;
        static const std::regex tag(R"(\[(bigimg|img)\]([^\[]*)\[/)");
        for (std::sregex_iterator it(report.begin(), report.end(), tag), end; it != end; ++it) {
            const std::string folder = (*it)[1] == "img" ? Format("Turn %d/", turn) : Format("%d/", turn);
            const std::string path = GameFolder(Game->GameName()) + folder + (*it)[2].str();
            pictures.emplace_back((*it)[2].str(), Existing.count(path) > 0);
        }
        return pictures;
    }

    QWidget MainWindow;
    TfrmProcessTurn* Window = nullptr;
    std::vector<std::string> Opened;
    // The pictures in the game folder at the moments the opener ran.
    std::set<std::string> Existing;
    THookScope<decltype(OpenWithDesktop)> Opener {OpenWithDesktop, [this](const std::string& file) {
        Opened.push_back(file);
        for (const std::string& folder : {GameFolder("Test") + "3/", GameFolder("Test") + "Turn 3/"})
            for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files))
                Existing.insert(folder + name.toStdString());
        return true;
    }};
};

TEST_F(ReportButtonsTest, PhaseAndTurnReportsAreWrittenAndOpenedNamingOnlyPicturesThatExist)
{
    WriteBytes(Folder + "PhaseTemplate.txt", "Phase <%PhaseNbr%>\r\n<%Map%>");
    WriteBytes(Folder + "TurnTemplate.txt", "Turn <%TurnNbr%>\r\n<%Map%><%ScoreBoard%>");
    GoToPhase(5, 5);
    Click("btnSaveImages");
    Click("btnPhaseReport");
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], Folder + "Test/Turn 3, Phase 5.txt");
    const std::string phase = ReadBytes(Opened[0]);
    EXPECT_EQ(phase.substr(0, 9), "Phase 5\r\n");
    auto named = NamedPictures(phase, 3);
    EXPECT_EQ(named.size(), 3u);
    for (const auto& [name, existed] : named)
        EXPECT_TRUE(existed) << name;

    Click("btnTurnReport");
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[1], Folder + "Test/Turn 3.txt");
    const std::string turn = ReadBytes(Opened[1]);
    EXPECT_NE(turn.find("[img]Score Board Turn 3.jpg[/img]"), std::string::npos) << turn;
    named = NamedPictures(turn, 3);
    EXPECT_EQ(named.size(), 4u);
    for (const auto& [name, existed] : named)
        EXPECT_TRUE(existed) << name;

    // The score board shows for a moment, saves again and goes.
    ASSERT_EQ(ScoreBoardWindows().size(), 1u);
    TfrmScoreBoard* board = ScoreBoardWindows().front();
    EXPECT_TRUE(board->isVisible());
    EXPECT_EQ(board->windowTitle(), "Score Board - Test");
    const QString picture = QString::fromStdString(ScoreBoardImagePath("Test", 3));
    ASSERT_TRUE(QFile::remove(picture));
    EXPECT_TRUE(QTest::qWaitFor([] { return ScoreBoardWindows().empty(); }, 5000));
    EXPECT_TRUE(QFile::exists(picture));
}

TEST_F(ReportButtonsTest, AReportThatCannotBeWrittenReachesTheErrorHandlerAndOpensNothing)
{
    std::vector<std::string> errors;
    TApplicationErrorHandler previous = TApplication::SetErrorHandler(
        [&](QObject*, const std::exception& error) { errors.push_back(ApplicationErrorText(error)); });
    // No pictures saved yet: the game folder does not exist.
    Click("btnPhaseReport");
    TApplication::SetErrorHandler(previous);
    EXPECT_TRUE(Opened.empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Exception EFileError: ", 0), 0u) << errors[0];
}

TEST_F(ScoreBoardTest, MegabyteTextsOfADamagedFileStillGiveAPictureThatCanBePosted)
{
    Bot(btTwonky).SetPlayerName(std::string(1 << 18, 'x'));
    Bot(btTwonky).Options()->Items(0)->SetCardName(Repeated("word ", 50000));
    TfrmScoreBoard window;
    window.Load(*Game);
    EXPECT_LT(window.width(), 4000);
    EXPECT_LT(window.height(), 4000);
    EXPECT_FALSE(QImage(QString::fromStdString(window.SavePicture(3))).isNull());
}
