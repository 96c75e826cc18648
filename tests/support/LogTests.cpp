#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    // The process-wide log must not outlive the folder: later tests get one that writes nothing.
    void TearDown() override { SetLogFileName(""); }
    std::string Path(const std::string& name) const { return FDir.filePath(QString::fromStdString(name)).toStdString(); }

    QTemporaryDir FDir;
};

// One message of each level through each entry point: trace, error, detail.
void WriteAllLevels(TLog& log)
{
    log.Trace("t");
    log.TraceFmt("t%s", "f");
    log.Error("e");
    log.ErrorFmt("e%s", "f");
    log.Detail("d");
    log.DetailFmt("d%s", "f");
}

} // namespace

TEST(LogTimestamp, IsDateTimeWithMillisecondsAfterAColon)
{
    EXPECT_EQ(FormatLogTimestamp(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6))), "2026-01-02 03:04:05:006");
    EXPECT_EQ(FormatLogTimestamp(QDateTime(QDate(999, 10, 31), QTime(23, 59, 59, 999))), "0999-10-31 23:59:59:999");
    EXPECT_EQ(FormatLogTimestamp(QDateTime(QDate(2024, 2, 29), QTime(0, 0, 0, 0))), "2024-02-29 00:00:00:000");
}

TEST(LogFileName, ReplacesTheExtensionOfTheExecutableAndDefaultsToItsOwn)
{
    EXPECT_EQ(LogFileNameFor("/opt/cogline/CoglineTurnGenerator"), "/opt/cogline/CoglineTurnGenerator.log");
    EXPECT_EQ(LogFileNameFor("/opt/cogline/Cogline.exe"), "/opt/cogline/Cogline.log");
    EXPECT_EQ(LogFileNameFor("/opt/cogline/Cogline.1.2"), "/opt/cogline/Cogline.1.log");
    EXPECT_EQ(LogFileNameFor("/opt/v1.2/tool"), "/opt/v1.2/tool.log");
    EXPECT_EQ(LogFileNameFor("/opt/.hidden"), "/opt/.hidden.log");
    EXPECT_EQ(LogFileNameFor("tool"), "tool.log");
    EXPECT_EQ(DefaultLogFileName(), ExecutableFolder() + "test_support.log");
}

TEST_F(LogTest, LineIsTimestampThreeBlanksMessageAndCrLf)
{
    TLog log(Path("a.log"));
    log.SetLevel(1);
    QDateTime before = QDateTime::currentDateTime();
    log.Trace("TfrmMain.NextTurn Start");
    QDateTime after = QDateTime::currentDateTime();

    std::string bytes = ReadBytes(Path("a.log"));
    std::smatch match;
    ASSERT_TRUE(std::regex_match(bytes, match, std::regex(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3})   TfrmMain\.NextTurn Start\r\n)")))
        << bytes;
    // The stamp is the local time of the call: parsed back it lies between the clock readings.
    QDateTime stamp = QDateTime::fromString(QString::fromStdString(match[1]), QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz"));
    ASSERT_TRUE(stamp.isValid());
    EXPECT_LE(before, stamp);
    EXPECT_LE(stamp, after);
}

TEST_F(LogTest, LinesAreAppendedAndOnDiskWhenTheCallReturns)
{
    WriteBytes(Path("a.log"), "");
    TLog log(Path("a.log"));
    log.SetLevel(1);
    log.Trace("first");
    log.Error("second");
    EXPECT_EQ(LogMessages(Path("a.log")), (std::vector<std::string>{"first", "second"}));
    // Another writer between two lines: nothing is held open or buffered across calls.
    std::ofstream(Path("a.log"), std::ios::binary | std::ios::app) << "2000-01-01 00:00:00:000   foreign\r\n";
    log.Detail("third");
    // A second log on the same file (a constructor does not delete) goes on after those lines.
    TLog again(Path("a.log"));
    again.SetLevel(1);
    again.Trace("fourth");
    EXPECT_EQ(LogMessages(Path("a.log")), (std::vector<std::string>{"first", "second", "foreign", "third", "fourth"}));
}

// Each entry point keeps its level (trace 1, error 2, detail 4); a file is only made when a line
// passes. The threshold starts at 6.
TEST_F(LogTest, ThresholdDecidesWhichLevelsAreWritten)
{
    const std::vector<std::string> all {"t", "tf", "e", "ef", "d", "df"}, fromError(all.begin() + 2, all.end()),
        detail {"d", "df"}, none;
    const std::pair<int, std::vector<std::string>> cases[] = {
        {0, all}, {1, all}, {2, fromError}, {3, detail}, {4, detail}, {5, none}, {6, none}, {7, none}};
    for (const auto& [threshold, written] : cases) {
        SCOPED_TRACE(threshold);
        std::string name = Path("level" + std::to_string(threshold) + ".log");
        TLog log(name);
        if (threshold != 6) // the threshold a new log starts with
            log.SetLevel(threshold);
        EXPECT_EQ(log.Level(), threshold);
        WriteAllLevels(log);
        EXPECT_EQ(std::filesystem::exists(name), !written.empty());
        EXPECT_EQ(std::filesystem::exists(name) ? LogMessages(name) : none, written);
    }
    // Any level may be given; it is compared with the threshold as it stands.
    TLog log(Path("a.log"));
    log.SetLevel(7);
    log.WriteMessage("six", 6);
    log.WriteMessage("seven", 7);
    log.WriteMessage("eight", 8);
    EXPECT_EQ(LogMessages(Path("a.log")), (std::vector<std::string>{"seven", "eight"}));
}

TEST_F(LogTest, FormattingVariantsFormatLikePrintfAndPlainOnesWriteLiterally)
{
    TLog log(Path("a.log"));
    log.SetLevel(1);
    const std::string pasted = std::string(10000, 'x') + "END";
    log.TraceFmt("Exception %s: %s", "EFileError", "Cannot open file \"x.cgx\"");
    log.TraceFmt("FBoardList.LoadFromXMLFile msecs = %d", 42);
    log.ErrorFmt("  %s", "Bot has no cards");
    log.DetailFmt("  Found RegisterCards: %d", 5);
    log.DetailFmt("%s", "");
    log.DetailFmt("  Pasting: %s", pasted.c_str()); // long messages are not cut
    log.Trace("100% done %s %d %n");
    EXPECT_EQ(LogMessages(Path("a.log")), (std::vector<std::string>{"Exception EFileError: Cannot open file \"x.cgx\"",
        "FBoardList.LoadFromXMLFile msecs = 42", "  Bot has no cards", "  Found RegisterCards: 5", "", "  Pasting: " + pasted,
        "100% done %s %d %n"}));
}

TEST_F(LogTest, FileNameIsTrimmedABlankOneWritesNothingAndOneThatCannotBeCreatedRaisesAFileError)
{
    TLog padded("  " + Path("a.log") + " \t");
    EXPECT_EQ(padded.FileName(), Path("a.log"));
    padded.SetLevel(1);
    padded.Trace("padded");
    EXPECT_EQ(LogMessages(Path("a.log")), std::vector<std::string>{"padded"});

    TLog blank("   ");
    EXPECT_EQ(blank.FileName(), "");
    blank.SetLevel(1);
    EXPECT_NO_THROW(WriteAllLevels(blank));

    TLog log(Path("no such folder/a.log"));
    log.SetLevel(1);
    try {
        log.Trace("lost");
        FAIL() << "no error raised";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("no such folder/a.log"), std::string::npos) << e.what();
    }
    // Filtered out, nothing is opened and nothing fails.
    log.SetLevel(7);
    EXPECT_NO_THROW(log.Trace("filtered"));
}

TEST_F(LogTest, EachRunsFirstUseDeletesTheFileOfTheRunBefore)
{
    std::string name = Path("tool.log");
    WriteBytes(name, "2000-01-01 00:00:00:000   earlier run\r\n");
    SetLogFileName(name);
    ASSERT_TRUE(std::filesystem::exists(name));

    TLog& log = Log();
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_EQ(log.FileName(), name);
    EXPECT_EQ(log.Level(), 6);

    // As the program's entry leaves it, the threshold lets none of the tool's levels through.
    log.SetLevel(4);
    log.SetLevel(7);
    WriteAllLevels(Log());
    EXPECT_FALSE(std::filesystem::exists(name));

    // Later calls return the same log and keep what it wrote.
    Log().SetLevel(1);
    Log().Trace("TfrmMain.FormCreate Start");
    EXPECT_EQ(&Log(), &log);
    Log().Trace("TfrmMain.FormCreate End");
    EXPECT_EQ(LogMessages(name), (std::vector<std::string>{"TfrmMain.FormCreate Start", "TfrmMain.FormCreate End"}));

    // A new first use, as in the next run of the tool: the file is deleted then, not before.
    SetLogFileName(name);
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(Log().Level(), 6);
    EXPECT_FALSE(std::filesystem::exists(name));
    Log().SetLevel(1);
    Log().Detail("Application Start");
    EXPECT_EQ(LogMessages(name), std::vector<std::string>{"Application Start"});
}
