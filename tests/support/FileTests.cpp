#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    std::string Path(const std::string& name) const { return FDir.path().toStdString() + "/" + name; }
    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(FDir.path().toStdString()))
            names.insert(entry.path().filename().string());
        return names;
    }

    // The names beside these that no test wrote: what saves left behind.
    std::set<std::string> Leftovers(const std::set<std::string>& written) const
    {
        std::set<std::string> left;
        for (const std::string& name : Entries())
            if (!written.count(name))
                left.insert(name);
        return left;
    }

    QTemporaryDir FDir;
};

// Starts a save of the file in a child process that writes half the bytes and then either is
// killed at once or, with a pipe, says so and waits to be killed. Returns the child's id.
pid_t SaveInChild(const std::string& fileName, int ready = -1)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    THookScope<TWriteStep> dying(FileWriteStep(), [ready](int descriptor, std::string_view bytes) {
        WriteAndSync(descriptor, bytes.substr(0, bytes.size() / 2));
        if (ready >= 0) {
            (void)!::write(ready, "x", 1);
            ::pause();
        }
        ::raise(SIGKILL);
        return 0;
    });
    SaveBytesToFile(fileName, std::string(100000, 'n'));
    ::_exit(0);
}

bool KilledBySignal(pid_t child)
{
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The message of the file error the call raises; empty when it raises none.
template <class TCall>
std::string FileErrorOf(TCall call)
{
    try {
        call();
    } catch (const EFileError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST_F(FileTest, FilesWrittenTogetherAreAllReplacedAndKeepTheirPermissions)
{
    WriteBytes(Path("a.jpg"), "old a");
    ASSERT_EQ(chmod(Path("a.jpg").c_str(), 0640), 0);
    SaveFilesTogether({{Path("a.jpg"), "new a"}, {Path("b.jpg"), "new b"}});
    EXPECT_EQ(ReadBytes(Path("a.jpg")), "new a");
    EXPECT_EQ(ReadBytes(Path("b.jpg")), "new b");
    struct stat info {};
    ASSERT_EQ(stat(Path("a.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // No new, old or half-written file is left beside them.
    EXPECT_EQ(Entries(), (std::set<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(FileTest, AFullDiskReplacesNoneOfTheFiles)
{
    const TFileContentsList files = {
        {Path("1.jpg"), "new 1"}, {Path("2.jpg"), std::string(100000, 'n')}, {Path("3.jpg"), "new 3"}, {Path("4.jpg"), "new 4"}};
    for (int full = 1; full <= 4; ++full) {
        SCOPED_TRACE(full);
        for (int i = 1; i <= 3; ++i)
            WriteBytes(Path(std::to_string(i) + ".jpg"), "old " + std::to_string(i));
        int writes = 0;
        THookScope<TWriteStep> disk(FileWriteStep(), [&](int descriptor, std::string_view bytes) {
            if (++writes < full)
                return WriteAndSync(descriptor, bytes);
            WriteAndSync(descriptor, bytes.substr(0, bytes.size() / 2));
            return ENOSPC;
        });
        EXPECT_EQ(FileErrorOf([&] { SaveFilesTogether(files); }), "Cannot write file \"" + files[static_cast<std::size_t>(full - 1)].first
                + "\". No space left on device. None of the 4 files was replaced.");
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(ReadBytes(Path(std::to_string(i) + ".jpg")), "old " + std::to_string(i));
        EXPECT_EQ(Entries(), (std::set<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    }

    // One file alone says the same, without counting.
    THookScope<TWriteStep> disk(FileWriteStep(), [](int, std::string_view) { return ENOSPC; });
    EXPECT_EQ(FileErrorOf([&] { SaveBytesToFile(Path("1.jpg"), "new"); }),
        "Cannot write file \"" + Path("1.jpg") + "\". No space left on device");
    EXPECT_EQ(ReadBytes(Path("1.jpg")), "old 1");
}

TEST_F(FileTest, AFileThatCannotBeReplacedPutsBackTheOnesBeforeIt)
{
    WriteBytes(Path("a.jpg"), "old a");
    // A folder stands where the second file should go: its rename fails after the first one.
    std::filesystem::create_directory(Path("b.jpg"));
    WriteBytes(Path("b.jpg") + "/inside", "kept");
    const std::string message =
        FileErrorOf([&] { SaveFilesTogether({{Path("a.jpg"), "new a"}, {Path("c.jpg"), "new c"}, {Path("b.jpg"), "new b"}}); });
    EXPECT_EQ(message.rfind("Cannot replace file \"" + Path("b.jpg") + "\". ", 0), 0u) << message;
    EXPECT_TRUE(message.ends_with("The 3 files are as they were before.")) << message;
    EXPECT_EQ(ReadBytes(Path("a.jpg")), "old a");
    EXPECT_EQ(ReadBytes(Path("b.jpg") + "/inside"), "kept");
    EXPECT_EQ(Entries(), (std::set<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(FileTest, AnyLegalFileNameCanBeSavedTo)
{
    std::string accented;
    while (accented.size() < 250)
        accented += "\xC3\xA9";
    for (const std::string& name : {std::string("g.cgx"), std::string(239, 'g') + ".cgx", std::string(240, 'g') + ".cgx",
             std::string(251, 'g') + ".cgx", accented + "g.cgx"}) {
        SCOPED_TRACE(name.size());
        ASSERT_LE(name.size(), 255u);
        for (const char* bytes : {"first", "second"}) {
            SaveBytesToFile(Path(name), bytes);
            EXPECT_EQ(ReadBytes(Path(name)), bytes);
        }
        EXPECT_EQ(Entries(), std::set<std::string>{name});
        std::filesystem::remove(Path(name));
    }
}

TEST_F(FileTest, WhatAKilledSaveLeftIsRemovedByTheNextSaveOfThatFile)
{
    const std::set<std::string> files = {"game.cgx", "other.cgx"};
    WriteBytes(Path("game.cgx"), "old game");
    WriteBytes(Path("other.cgx"), "old other");
    ASSERT_TRUE(KilledBySignal(SaveInChild(Path("game.cgx"))));
    ASSERT_TRUE(KilledBySignal(SaveInChild(Path("other.cgx"))));
    EXPECT_EQ(ReadBytes(Path("game.cgx")), "old game");
    const std::set<std::string> killed = Leftovers(files);
    ASSERT_EQ(killed.size(), 2u);
    for (const std::string& name : killed)
        EXPECT_LE(name.size(), 40u) << name;

    // A save still running keeps its file: a save of the same game beside it leaves it alone.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t running = SaveInChild(Path("game.cgx"), pipe[1]);
    char said = 0;
    ASSERT_EQ(::read(pipe[0], &said, 1), 1);
    SaveBytesToFile(Path("game.cgx"), "new game");
    EXPECT_EQ(ReadBytes(Path("game.cgx")), "new game");
    const std::set<std::string> whileRunning = Leftovers(files);
    EXPECT_EQ(whileRunning.size(), 2u) << "the killed game's file goes, the running one's stays";
    EXPECT_EQ(whileRunning.count(*killed.begin()) + whileRunning.count(*killed.rbegin()), 1u);

    // Once killed, the next save of that game removes what it left; the other game's stays until
    // that game is saved.
    ::kill(running, SIGKILL);
    ASSERT_TRUE(KilledBySignal(running));
    ::close(pipe[0]);
    ::close(pipe[1]);
    SaveBytesToFile(Path("game.cgx"), "newer game");
    EXPECT_EQ(Leftovers(files).size(), 1u);
    SaveBytesToFile(Path("other.cgx"), "new other");
    EXPECT_EQ(Entries(), files);
    EXPECT_EQ(ReadBytes(Path("game.cgx")), "newer game");
    EXPECT_EQ(ReadBytes(Path("other.cgx")), "new other");
}

TEST_F(FileTest, SavingThroughASymbolicLinkWritesTheLinkedFileAndKeepsTheLink)
{
    std::filesystem::create_directory(Path("real"));
    WriteBytes(Path("real/game.cgx"), "old");
    ASSERT_EQ(chmod(Path("real/game.cgx").c_str(), 0640), 0);
    std::filesystem::create_symlink(Path("real/game.cgx"), Path("absolute.cgx"));
    std::filesystem::create_symlink("real/game.cgx", Path("relative.cgx"));
    std::filesystem::create_symlink("relative.cgx", Path("chain.cgx"));
    std::filesystem::create_symlink("real/new.cgx", Path("dangling.cgx"));
    const std::pair<const char*, std::string> links[] = {
        {"absolute.cgx", Path("real/game.cgx")}, {"relative.cgx", "real/game.cgx"}, {"chain.cgx", "relative.cgx"}};
    for (const auto& [link, target] : links) {
        SCOPED_TRACE(link);
        SaveBytesToFile(Path(link), std::string("through ") + link);
        ASSERT_TRUE(std::filesystem::is_symlink(Path(link)));
        EXPECT_EQ(std::filesystem::read_symlink(Path(link)).string(), target);
        EXPECT_EQ(ReadBytes(Path("real/game.cgx")), std::string("through ") + link);
        struct stat info {};
        ASSERT_EQ(stat(Path("real/game.cgx").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
    }
    // A link to a file that does not exist yet makes that file.
    SaveBytesToFile(Path("dangling.cgx"), "made");
    EXPECT_TRUE(std::filesystem::is_symlink(Path("dangling.cgx")));
    EXPECT_EQ(ReadBytes(Path("real/new.cgx")), "made");
    std::set<std::string> real;
    for (const auto& entry : std::filesystem::directory_iterator(Path("real")))
        real.insert(entry.path().filename().string());
    EXPECT_EQ(real, (std::set<std::string>{"game.cgx", "new.cgx"}));
    EXPECT_EQ(Entries(), (std::set<std::string>{"real", "absolute.cgx", "relative.cgx", "chain.cgx", "dangling.cgx"}));
}
