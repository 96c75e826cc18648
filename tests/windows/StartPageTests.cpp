// The main window without a game: the start page says how to begin, and each of its links
// begins, through real clicks with every dialog answered by the test.
#include "windows/MainWindowFixture.h"

#include "session/DesktopRulesUnt.h"
#include "session/SampleGameUnt.h"
#include "support/FilePlacesUnt.h"

#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

#include <optional>
#include <string>
#include <vector>

namespace {

class StartPageTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        StoreRecentGames({});
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetFilePlaces({});
        StoreRecentGames({});
    }

    QWidget* Front() { return Control<QStackedWidget>("stkMain")->currentWidget(); }
    QCommandLinkButton* Link(const char* name) { return Control<QCommandLinkButton>(name); }
    void Click(const char* name) { QTest::mouseClick(Link(name), Qt::LeftButton); }
    // A game of that name saved in the test's folder.
    std::string SavedGame(const std::string& name)
    {
        TGameSession maker;
        maker.LoadReferenceData();
        maker.NewGame(*Settings(maker, name));
        const std::string file = Folder + name + ".cgx";
        maker.SaveGame(file);
        return file;
    }
};

TEST_F(StartPageTest, WithoutAGameTheStartPageSaysHowToBeginAndNewGameBeginsOne)
{
    Open().show();
    EXPECT_EQ(Front(), Control<QWidget>("pnlStart"));
    EXPECT_FALSE(Control<QWidget>("lstBotsInPlay")->isVisible());
    EXPECT_NE(Control<QLabel>("lblStartFolder")->text().indexOf(QString::fromStdString(UserFolder())), -1);
    // No sample lies in this folder, and no game was opened before.
    EXPECT_FALSE(Link("btnStartSampleGame")->isEnabled());
    EXPECT_FALSE(Item("mniOpenSampleGame")->isEnabled());
    EXPECT_FALSE(Control<QLabel>("lblStartRecentGames")->isVisible());
    EXPECT_FALSE(Link("btnStartRecentGame1")->isVisible());

    THookScope dialog(ExecuteNewGame, [this](TNewGameSettings& settings, TBoardList&, TChitList&) {
        settings = std::move(*Settings(*Session, "Cup"));
        return true;
    });
    Click("btnStartNewGame");
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_EQ(Session->Game()->GameName(), "Cup");
    EXPECT_EQ(Front(), Control<QWidget>("pnlMain"));
    EXPECT_TRUE(Control<QWidget>("lstBotsInPlay")->isVisible());
}

TEST_F(StartPageTest, OpenGameAsksInTheFolderTheToolWritesTo)
{
    const std::string file = SavedGame("Cup");
    Open().show();
    std::vector<std::string> folders;
    THookScope open(ChooseFileToOpen, [&](const TFileDialogSetup& setup) -> std::optional<std::string> {
        folders.push_back(setup.Folder);
        return file;
    });
    Click("btnStartOpenGame");
    EXPECT_EQ(folders, std::vector<std::string>{UserFolder()});
    EXPECT_EQ(Session->GameFileName(), file);
    EXPECT_EQ(Front(), Control<QWidget>("pnlMain"));
}

TEST_F(StartPageTest, RecentGamesStillThereAreOfferedAndOpenWithAClick)
{
    const std::string cup = SavedGame("Cup");
    const std::string league = SavedGame("League");
    StoreRecentGames({league, Folder + "Gone.cgx", cup});
    Open().show();
    EXPECT_TRUE(Control<QLabel>("lblStartRecentGames")->isVisible());
    ASSERT_TRUE(Link("btnStartRecentGame1")->isVisible());
    ASSERT_TRUE(Link("btnStartRecentGame2")->isVisible());
    EXPECT_FALSE(Link("btnStartRecentGame3")->isVisible());
    EXPECT_EQ(Link("btnStartRecentGame1")->text(), "&1 League.cgx");
    EXPECT_EQ(Link("btnStartRecentGame2")->text(), "&2 Cup.cgx");
    Click("btnStartRecentGame2");
    EXPECT_EQ(Session->GameFileName(), cup);
    EXPECT_EQ(Front(), Control<QWidget>("pnlMain"));
}

// An installed program's data folder is read-only: the sample opens as the game master's own
// copy, which saves without asking and leaves the shipped one as it was.
TEST_F(StartPageTest, TheSampleOfAnInstalledProgramOpensAsTheUsersCopyAndSavesThere)
{
    const std::string built = QCoreApplication::applicationDirPath().toStdString() + "/" + SampleGameFileName;
    const std::string user = Folder + "user/";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(built), QString::fromStdString(Folder + SampleGameFileName)));
    SetFilePlaces({Folder, user});
    const std::string shipped = ReadBytes(Folder + SampleGameFileName);

    Open().show();
    ASSERT_TRUE(Link("btnStartSampleGame")->isEnabled());
    EXPECT_TRUE(Item("mniOpenSampleGame")->isEnabled());
    Click("btnStartSampleGame");
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_EQ(Session->GameFileName(), user + SampleGameFileName);
    EXPECT_EQ(Session->Game()->TurnCount(), SampleTurnsPlayed + 1);
    EXPECT_EQ(Front(), Control<QWidget>("pnlMain"));
    EXPECT_EQ(BotLines().size(), 4);

    THookScope save(ChooseFileToSave, [](const TFileDialogSetup&) -> std::optional<std::string> {
        ADD_FAILURE() << "Save asked for a file";
        return std::nullopt;
    });
    SelectLine(0);
    QTest::keyClicks(Control<QLineEdit>("edtPlayerName"), "na");
    ASSERT_TRUE(Session->Modified());
    Item("mniSaveGame")->trigger();
    EXPECT_FALSE(Session->Modified());
    EXPECT_NE(ReadBytes(user + SampleGameFileName), shipped);
    EXPECT_EQ(ReadBytes(Folder + SampleGameFileName), shipped);
}

} // namespace
