// The command line's --export run in the test program on game files that cannot be exported: it
// refuses them without writing anything. Which turns and phases can be exported is the rules'
// business; what the real program writes and prints is checked by running it (tests/app).
#include "windows/ExportUnt.h"

#include "render/GameFolderUnt.h"
#include "session/CommandLineUnt.h"
#include "session/ProcessFixture.h"
#include "windows/WindowOutput.h"

namespace {

TCommandLine ExportLine(const std::string& file)
{
    TCommandLine line;
    line.Action = caExport;
    line.GameFile = file;
    return line;
}

} // namespace

// The small game in its first turn, saved to a file.
class ExportTest : public ProcessTest {
protected:
    void SetUp() override
    {
        ProcessTest::SetUp();
        Session.SaveGame(GameFile());
    }

    std::string GameFile() const { return Folder + "Played.cgx"; }
    std::string Output() const { return GameFolder("League"); }
};

TEST_F(ExportTest, BadInputExitsWithAReasonAndWritesNothing)
{
    const std::string played = ReadBytes(GameFile());
    WriteBytes(Folder + "Cut.cgx", played.substr(0, played.size() / 2));
    WriteBytes(Folder + "Text.cgx", "a game, they said\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {Folder + "Missing.cgx", "\"" + Folder + "Missing.cgx\" does not exist"},
        {Folder, "cannot be opened"},
        {Folder + "Cut.cgx", "cannot be opened"},
        {Folder + "Text.cgx", "cannot be opened"},
    };
    const TFileSet before = FilesBelow(Folder);
    for (const auto& [file, says] : cases) {
        SCOPED_TRACE(file);
        const TCommandOutput run = RunWithoutWindows(ExportLine(file));
        EXPECT_NE(run.ExitCode, 0);
        EXPECT_EQ(run.Output, "");
        EXPECT_NE(run.Errors.find(says), std::string::npos) << run.Errors;
        EXPECT_TRUE(FilesBelow(Folder) == before);
    }

    // A file where the game folder goes: the writing fails with its error.
    WriteBytes(Output().substr(0, Output().size() - 1), "");
    const TCommandOutput blocked = RunWithoutWindows(ExportLine(GameFile()));
    EXPECT_NE(blocked.ExitCode, 0);
    EXPECT_EQ(blocked.Errors.rfind("Exception EFileError: ", 0), 0u) << blocked.Errors;
}
