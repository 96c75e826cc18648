#include "persist/ZLibFuncs.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>

namespace {

// A stream made by zlib itself, with the given window bits (15 zlib, 31 gzip, -15 raw deflate).
std::string Deflate(const std::string& text, int level = Z_DEFAULT_COMPRESSION, int windowBits = 15,
    const std::string& dictionary = "")
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    if (!dictionary.empty()) {
        EXPECT_EQ(deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                      static_cast<uInt>(dictionary.size())), Z_OK);
    }
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// The kind of text a game file holds: XML lines with CR LF and 8-bit characters.
std::string GameLikeText(int bots)
{
    std::string text = "<Game ID=\"\" Version=\"1\">\r\n  <GameName>Caf\xE9 Racers</GameName>\r\n";
    for (int i = 0; i < bots; ++i)
        text += Format("  <Bot ID=\"%d\"><PlayerName>Pl\xE4yer %d</PlayerName><Damage>%d</Damage></Bot>\r\n", i, i, i % 10);
    text += "</Game>";
    return text;
}

std::set<std::string> FolderEntries(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class ZLibTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    std::string Path(const std::string& name) const { return FDir.filePath(QString::fromStdString(name)).toStdString(); }
    std::string Folder() const { return FDir.path().toStdString(); }

    // Decompressing the file fails with EDecompressionError, and the text shown reads well.
    void ExpectNotAGameFile(const std::string& fileName, const std::string& reason,
        std::size_t limit = GameFileTextLimit)
    {
        try {
            std::string text = DecompressFileToString(fileName, limit);
            ADD_FAILURE() << "decompressed " << text.size() << " bytes instead of failing";
        } catch (const EDecompressionError& e) {
            std::string shown = Format("Exception %s: %s", ErrorClassName(e), e.what());
            EXPECT_EQ(shown.rfind("Exception EDecompressionError: The file \"" + fileName + "\" is not a Cogline game file: ", 0), 0u)
                << shown;
            EXPECT_NE(shown.find(reason), std::string::npos) << shown;
        }
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(ZLibTest, SavedFileIsOneZlibStreamThatAnyReaderAndTheToolReadBackByteForByte)
{
    std::string allBytes;
    for (int c = 1; c < 256; ++c)
        allBytes += static_cast<char>(c);
    std::string large;
    while (large.size() < 3 * 1024 * 1024) {
        large += GameLikeText(50) + "\r\n\r\r\n\n" + allBytes;
        std::string noise = RandomBytes(40000, static_cast<unsigned>(large.size()));
        std::replace(noise.begin(), noise.end(), '\0', '\x01');
        large += noise;
    }
    // Each file replaces the one before whole, most of them a longer one: no tail of it is left,
    // and no temporary file beside it.
    for (const std::string& text : {large, std::string(), std::string("x"), std::string("line one\r\nline two\r\n\r\n"),
             allBytes, GameLikeText(9)}) {
        SCOPED_TRACE("text of " + std::to_string(text.size()) + " bytes");
        CompressStringToFile(text, Path("game.cgx"));
        EXPECT_EQ(DecompressFileToString(Path("game.cgx")), text);
        EXPECT_EQ(FolderEntries(Folder()), std::set<std::string>{"game.cgx"});
        // A zlib header (deflate, 32 KiB window) of the default level: nothing precedes the stream.
        const std::string bytes = ReadBytes(Path("game.cgx"));
        EXPECT_EQ(bytes.substr(0, 2), "\x78\x9C");
        // zlib's own one-shot reader gives the exact text and uses up the whole file.
        std::string inflated(text.size() + 16, '\0');
        uLongf inflatedSize = inflated.size();
        uLong consumed = bytes.size();
        ASSERT_EQ(uncompress2(reinterpret_cast<Bytef*>(inflated.data()), &inflatedSize,
                      reinterpret_cast<const Bytef*>(bytes.data()), &consumed), Z_OK);
        inflated.resize(inflatedSize);
        EXPECT_EQ(inflated, text);
        EXPECT_EQ(consumed, bytes.size());
    }
}

TEST_F(ZLibTest, ReadsStreamsWrittenByOtherZlibWriters)
{
    std::string text = GameLikeText(2000) + RandomBytes(50000, 7);
    for (int level : {0, 1, 9}) {
        WriteBytes(Path("other.cgx"), Deflate(text, level));
        EXPECT_EQ(DecompressFileToString(Path("other.cgx")), text) << "level " << level;
    }
}

TEST_F(ZLibTest, FailedSaveLeavesThePreviousFileUntouched)
{
    std::string previousText = GameLikeText(9);
    CompressStringToFile(previousText, Path("game.cgx"));
    const std::string previousBytes = ReadBytes(Path("game.cgx"));

    // A disk that fills up halfway through the write; the file size limit binds root as well.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    std::string message;
    try {
        CompressStringToFile(RandomBytes(1024 * 1024, 3), Path("game.cgx"));
    } catch (const EFileError& e) {
        raised = true;
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(raised);
    EXPECT_NE(message.find(Path("game.cgx")), std::string::npos) << message;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(Path("game.cgx")), previousBytes);
    EXPECT_EQ(DecompressFileToString(Path("game.cgx")), previousText);
    EXPECT_EQ(FolderEntries(Folder()), std::set<std::string>{"game.cgx"});
}

TEST_F(ZLibTest, AFileThatCannotBeMadeOrReadRaisesAFileError)
{
    std::string missingFolder = Path("no such folder");
    EXPECT_THROW(CompressStringToFile("text", missingFolder + "/game.cgx"), EFileError);
    EXPECT_FALSE(std::filesystem::exists(missingFolder));
    // A folder in the way of the file is left alone by the writer all saves share
    // (FileTest.AFileThatCannotBeReplacedPutsBackTheOnesBeforeIt).

    for (const std::string& name : {Path("missing.cgx"), Folder()}) {
        try {
            DecompressFileToString(name);
            ADD_FAILURE() << name << " was read";
        } catch (const EFileError& e) {
            EXPECT_STREQ(e.ClassName(), "EFileError");
            EXPECT_NE(std::string(e.what()).find("\"" + name + "\""), std::string::npos) << e.what();
        }
    }
}

TEST_F(ZLibTest, OnlyFilesBeginningWithOneWholeZlibStreamAreRead)
{
    const std::string text = GameLikeText(500);
    const std::string good = Deflate(text);
    ASSERT_GT(good.size(), 100u);
    std::string badChecksum = good;
    badChecksum.back() = static_cast<char>(badChecksum.back() ^ 0x5A);
    const std::pair<std::string, const char*> cases[] = {
        {text, "incorrect header check"},
        {RandomBytes(5000, 11), ""},
        {"", "it is empty"},
        {Deflate(text, Z_DEFAULT_COMPRESSION, 31), "incorrect header check"}, // gzip
        {Deflate(text, Z_DEFAULT_COMPRESSION, -15), ""},                      // raw deflate
        {Deflate(text, Z_DEFAULT_COMPRESSION, 15, "<Bot ID="), "preset dictionary"},
        {good.substr(0, 1), ""},
        {good.substr(0, 2), ""},
        {good.substr(0, good.size() / 2), ""},
        {good.substr(0, good.size() - 4), "it is cut short"},
        {good.substr(0, good.size() - 1), ""},
        {badChecksum, "incorrect data check"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i) + " of " + std::to_string(cases[i].first.size()) + " bytes");
        WriteBytes(Path("bad.cgx"), cases[i].first);
        ExpectNotAGameFile(Path("bad.cgx"), cases[i].second);
    }
    // A complete stream with a good checksum is the game, whatever a transfer left behind it.
    for (const std::string& tail : {std::string("X"), std::string(40000, '\0'), good, RandomBytes(70000, 5)}) {
        SCOPED_TRACE(tail.size());
        WriteBytes(Path("tail.cgx"), good + tail);
        EXPECT_EQ(DecompressFileToString(Path("tail.cgx")), text);
    }
}

TEST_F(ZLibTest, TextPastTheLimitIsRejected)
{
    const std::size_t limit = 4 * 1024 * 1024;
    std::string atLimit(limit, '\0');
    WriteBytes(Path("full.cgx"), Deflate(atLimit, 9));
    EXPECT_EQ(DecompressFileToString(Path("full.cgx"), limit), atLimit);

    // One byte more is refused, from a file a thousandth of the size.
    std::string bomb = Deflate(std::string(limit + 1, '\0'), 9);
    ASSERT_LT(bomb.size(), limit / 1000);
    WriteBytes(Path("bomb.cgx"), bomb);
    ExpectNotAGameFile(Path("bomb.cgx"), "inflates to more than 4194304 bytes of text", limit);

    // The limit holds inside the first block too.
    WriteBytes(Path("small.cgx"), Deflate(std::string(101, 'a')));
    EXPECT_EQ(DecompressFileToString(Path("small.cgx"), 101), std::string(101, 'a'));
    ExpectNotAGameFile(Path("small.cgx"), "inflates to more than 100 bytes of text", 100);
}
