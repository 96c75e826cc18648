// The main window as a desktop document window: started with a file, its title, saving,
// recent games and the kept geometry.
#include "windows/MainWindowFixture.h"

#include "model/GameUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

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
