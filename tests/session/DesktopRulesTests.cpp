#include "session/DesktopRulesUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

TEST(DesktopRulesTest, CaptionNamesTheGameAndItsFile)
{
    const std::string name = "League";
    EXPECT_EQ(MainWindowCaption("CTG", "1.2.3.4", nullptr, "/g/old.cgx"), "CTG v1.2.3.4");
    EXPECT_EQ(MainWindowCaption("CTG", "1.2.3.4", &name, ""), "CTG v1.2.3.4 - League[*]");
    EXPECT_EQ(MainWindowCaption("CTG", "1.2.3.4", &name, "/g/My League.cgx"), "CTG v1.2.3.4 - League - My League.cgx[*]");
}

TEST(DesktopRulesTest, RecentGamesKeepFiveNewestFirstEachOnce)
{
    std::vector<std::string> recent;
    for (const char* file : {"a", "b", "c", "b", "d", "e", "f"})
        recent = WithRecentGame(recent, file);
    EXPECT_EQ(recent, (std::vector<std::string>{"f", "e", "d", "b", "c"}));
}

TEST(DesktopRulesTest, RecentGamesSurviveInTheSettingsAndMissingFilesAreDropped)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string there = dir.path().toStdString() + "/there.cgx";
    const std::string gone = dir.path().toStdString() + "/gone.cgx";
    WriteBytes(there, "x");
    StoreRecentGames({gone, there});
    EXPECT_EQ(LoadRecentGames(), (std::vector<std::string>{gone, there}));
    const TRecentGamesCheck check = CheckRecentGames(LoadRecentGames());
    EXPECT_EQ(check.Kept, std::vector<std::string>{there});
    EXPECT_EQ(check.Dropped, std::vector<std::string>{gone});
    // A folder of that name is no game file either.
    EXPECT_EQ(CheckRecentGames({dir.path().toStdString()}).Kept.size(), 0u);
}

} // namespace
