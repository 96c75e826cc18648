#include "support/FilePlacesUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <filesystem>

namespace {

TEST(FilePlacesTest, WritableFolderKeepsEverythingBesideTheExecutable)
{
    struct TCase {
        bool Writable;
        TFilePlaces Expected;
    };
    const TCase cases[] = {
        {true, {"/opt/cg/bin/", "/opt/cg/bin/"}},
        {false, {"/usr/share/cg/", "/home/gm/Documents/Cogline Turn Generator/"}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DecideFilePlaces("/opt/cg/bin", c.Writable, "/usr/share/cg", "/home/gm/Documents"), c.Expected)
            << c.Writable;
}

TEST(FilePlacesTest, InstalledDataFolderLiesBesideBin)
{
    EXPECT_EQ(InstalledDataFolder("/usr/local/bin/"), "/usr/local/share/cogline-turn-generator/");
}

// The real rule on real folders: a folder without write permission is taken for an installed
// copy, and the user's documents folder (below HOME) gets the writes.
class FilePlacesFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FOldHome = qgetenv("HOME");
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        FHome = FDir.path().toStdString() + "/home";
        FBin = FDir.path().toStdString() + "/prefix/bin";
        std::filesystem::create_directories(FHome);
        std::filesystem::create_directories(FBin);
        std::filesystem::create_directories(FDir.path().toStdString() + "/prefix/share/cogline-turn-generator");
        qputenv("HOME", QByteArray::fromStdString(FHome));
        qunsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override
    {
        std::filesystem::permissions(FBin, std::filesystem::perms::owner_all);
        qputenv("HOME", FOldHome);
        if (FOldConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", FOldConfig);
        SetFilePlaces({});
    }

    QTemporaryDir FDir;
    QByteArray FOldHome;
    QByteArray FOldConfig;
    std::string FHome;
    std::string FBin;
    TExecutableFolderScope FScope;
};

TEST_F(FilePlacesFolderTest, ReadOnlyFolderWritesBelowDocumentsAndReadsTheDataFolder)
{
    SetExecutableFolder(FBin);
    SetFilePlaces({});
    EXPECT_EQ(DataFolder(), FBin + "/");
    EXPECT_EQ(UserFolder(), FBin + "/");

    std::filesystem::permissions(FBin, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    SetFilePlaces({});
    EXPECT_EQ(DataFolder(), FDir.path().toStdString() + "/prefix/share/cogline-turn-generator/");
    const std::string user = FHome + "/Documents/Cogline Turn Generator/";
    EXPECT_EQ(UserFolder(), user);
    // Made at once, so that the log and the first game folder have a place.
    EXPECT_TRUE(std::filesystem::is_directory(user));
}

TEST_F(FilePlacesFolderTest, UsersOwnReferenceFileTakesPrecedence)
{
    const std::string data = FDir.path().toStdString() + "/prefix/share/cogline-turn-generator/";
    const std::string user = FHome + "/Documents/Cogline Turn Generator/";
    std::filesystem::create_directories(user);
    SetFilePlaces({data, user});
    EXPECT_EQ(ReferenceFilePath("Boards.xml"), data + "Boards.xml");
    WriteBytes(user + "Boards.xml", "<BoardList/>");
    EXPECT_EQ(ReferenceFilePath("Boards.xml"), user + "Boards.xml");
    EXPECT_EQ(ReferenceFilePath("Chits.xml"), data + "Chits.xml");
}

} // namespace
