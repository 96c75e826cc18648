// The main window as a desktop document window: started with a file, its title, saving,
// recent games and the kept geometry.
#include "windows/MainWindowFixture.h"

#include "model/GameUnt.h"
#include "common/TestFiles.h"
#include "support/FilePlacesUnt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

#include <map>
#include <QStatusBar>

namespace {

class DesktopWindowTest : public MainWindowTest {};

TEST_F(DesktopWindowTest, GameFileFromTheCommandLineIsOpenWhenTheWindowShows)
{
    ShowGame({btZoomBot, btTwonky});
    const std::string file = Folder + "League.cgx";
    Session->SaveGame(file);
    Close();

    Open().show();
    Window->OpenGameAtStart(file);
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_EQ(Session->Game()->GameName(), "League");
    EXPECT_EQ(BotLines(), (QStringList{"Twonky", "Zoom Bot"}));
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(DesktopWindowTest, DamagedGameFileOnTheCommandLineIsReportedAndTheToolStartsWithout)
{
    WriteBytes(Folder + "broken.cgx", "not a game");
    Open().show();
    Window->OpenGameAtStart(Folder + "broken.cgx");
    EXPECT_EQ(Session->Game(), nullptr);
    EXPECT_TRUE(Window->isVisible());
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].rfind("Exception EDecompressionError: ", 0), 0u) << Messages.Messages()[0];
    // A file that is not there is reported as well.
    Window->OpenGameAtStart(Folder + "missing.cgx");
    EXPECT_EQ(Session->Game(), nullptr);
    EXPECT_EQ(Messages.Messages().size(), 2u);
}

} // namespace

namespace {

TEST_F(DesktopWindowTest, SaveWithAFileDoesNotAskAndTheTitleFollowsTheModifiedFlag)
{
    ShowGame({btZoomBot});
    int asked = 0;
    const std::string file = Folder + "League.cgx";
    THookScope save(ChooseFileToSave, [&](const TFileDialogSetup&) -> std::optional<std::string> {
        ++asked;
        return file;
    });
    EXPECT_TRUE(Session->Modified());
    EXPECT_TRUE(Window->isWindowModified());
    EXPECT_FALSE(Window->windowTitle().contains("League.cgx"));
    QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Window->isWindowModified());
    EXPECT_TRUE(Window->windowTitle().endsWith(" - League - League.cgx[*]")) << Window->windowTitle().toStdString();

    Bot(btZoomBot).SetPlayerName("Ann");
    Session->MarkChanged(gcBotFields);
    EXPECT_TRUE(Window->isWindowModified());
    QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Window->isWindowModified());
    TGame reread;
    reread.LoadFromGameFile(file);
    EXPECT_EQ(reread.BotList()->FindByType(btZoomBot)->PlayerName(), "Ann");

    // Save As asks every time.
    QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(asked, 2);
    // Another game has no file of its own yet: Save asks rather than overwrite this one.
    MakeGame("Other");
    QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, 3);
}

TEST_F(DesktopWindowTest, RecentGamesSurviveARestartAndDropADeletedFile)
{
    ShowGame({btZoomBot});
    const std::string first = Folder + "first.cgx";
    const std::string second = Folder + "second.cgx";
    Session->SaveGame(first);
    Session->SaveGame(second);
    Close();

    ASSERT_TRUE(QFile::remove(QString::fromStdString(first)));
    Open().show();
    auto* file = Window->findChild<QMenu*>("mniFile");
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    auto* recent = Window->findChild<QMenu*>("mniRecentGames");
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith("second.cgx"));
    EXPECT_TRUE(Window->statusBar()->currentMessage().contains("first.cgx"));
    recent->actions()[0]->trigger();
    ASSERT_NE(Session->Game(), nullptr);
    EXPECT_EQ(Session->LastFileName(), second);
}

TEST_F(DesktopWindowTest, WindowSizeIsKeptBetweenRuns)
{
    Open().show();
    Window->resize(801, 503);
    Window->close();
    Close();
    Open().show();
    EXPECT_EQ(Window->size(), QSize(801, 503));
}

} // namespace

namespace {

// The access key of a caption ("Ma&x Cards" gives x); none without one.
QChar AccessKey(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return text[i + 1].toLower();
        ++i;
    }
    return QChar();
}

// Alt and a letter reaches one thing only among all that the window shows at once: the menus,
// the tabs, the labelled fields and the buttons of the page in front.
TEST_F(DesktopWindowTest, AccessKeysShownTogetherDoNotClash)
{
    ShowGame({btZoomBot});
    auto* pages = Control<QTabWidget>("pgeBot");
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        std::map<QChar, std::string> owners;
        auto take = [&](const QString& text, const std::string& owner) {
            const QChar key = AccessKey(text);
            if (key.isNull())
                return;
            const auto [at, fresh] = owners.emplace(key, owner);
            EXPECT_TRUE(fresh) << "Alt+" << QString(key).toStdString() << ": " << at->second << " and " << owner
                               << " on page " << page;
        };
        for (QAction* menu : Window->menuBar()->actions())
            take(menu->text(), menu->text().toStdString());
        for (int tab = 0; tab < pages->count(); ++tab)
            take(pages->tabText(tab), pages->tabText(tab).toStdString());
        for (QLabel* label : Window->findChildren<QLabel*>())
            if (label->isVisibleTo(Window.get()))
                take(label->text(), label->objectName().toStdString());
        for (QAbstractButton* button : Window->findChildren<QAbstractButton*>())
            if (button->isVisibleTo(Window.get()))
                take(button->text(), button->objectName().toStdString());
        EXPECT_GE(owners.size(), 12u) << page;
    }
}

} // namespace

namespace {

TEST_F(DesktopWindowTest, HelpSaysWhereFilesLiveAndOpensTheGameFolder)
{
    const std::string data = Folder + "data/";
    const std::string user = Folder + "user/";
    ShowGame({btZoomBot});
    SetFilePlaces({data, user});
    Item("mniAbout")->trigger();
    ASSERT_EQ(Messages.Messages().size(), 1u);
    const std::string about = Messages.Messages()[0];
    for (const std::string& part : {std::string("v") + COGLINE_VERSION, std::string("Qt ") + qVersion(), data, user})
        EXPECT_NE(about.find(part), std::string::npos) << part << " in " << about;

    std::vector<std::string> opened;
    THookScope opener(OpenWithDesktop, [&](const std::string& file) {
        opened.push_back(file);
        return true;
    });
    Item("mniOpenGameFolder")->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{user + "League/"});
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(user + "League")));
    SetFilePlaces({});
}

} // namespace
