#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>

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

    QTemporaryDir FDir;
};

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
