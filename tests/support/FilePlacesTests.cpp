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
        bool ShippedOnlyInDataFolder;
        TFilePlaces Expected;
    };
    const TFilePlaces beside{"/opt/cg/bin/", "/opt/cg/bin/"};
    const TFilePlaces installed{"/usr/share/cg/", "/home/gm/Documents/Cogline Turn Generator/"};
    const TCase cases[] = {
        {true, false, beside},
        {false, false, installed},
        // Installed into a prefix the user (or root) may write.
        {true, true, installed},
        {false, true, installed},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DecideFilePlaces("/opt/cg/bin", c.Writable, "/usr/share/cg", "/home/gm/Documents", c.ShippedOnlyInDataFolder),
            c.Expected)
            << c.Writable << c.ShippedOnlyInDataFolder;
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

// cmake --install into a prefix of one's own leaves bin writable: the shipped files in the data
// folder, and none beside the program, still make it an installed copy.
TEST_F(FilePlacesFolderTest, WritablePrefixWithTheDataInstalledIsAnInstalledCopy)
{
    const std::string data = FDir.path().toStdString() + "/prefix/share/cogline-turn-generator/";
    WriteBytes(data + "CoreProgramDeck.xml", "<ProgramDeck/>");
    SetExecutableFolder(FBin);
    SetFilePlaces({});
    EXPECT_EQ(DataFolder(), data);
    EXPECT_EQ(UserFolder(), FHome + "/Documents/Cogline Turn Generator/");

    // A build tree, or an unpacked copy, has its own files beside it.
    WriteBytes(FBin + "/CoreProgramDeck.xml", "<ProgramDeck/>");
    SetFilePlaces({});
    EXPECT_EQ(DataFolder(), FBin + "/");
    EXPECT_EQ(UserFolder(), FBin + "/");
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
