#include "session/CommandLineUnt.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

TEST(CommandLineTest, AnswersHelpVersionAndTakesOneGameFile)
{
    struct TCase {
        QStringList Arguments;
        bool Exit;
        int ExitCode;
        const char* OutputHas;
        std::string GameFile;
    };
    const std::string here = QDir::currentPath().toStdString();
    const TCase cases[] = {
        {{"cgt"}, false, 0, "", ""},
        {{"cgt", "--help"}, true, 0, "[game.cgx]", ""},
        {{"cgt", "-h"}, true, 0, "--version", ""},
        {{"cgt", "--version"}, true, 0, "Cogline Turn Generator " COGLINE_VERSION, ""},
        // A relative name is taken from the folder the tool was started in.
        {{"cgt", "League.cgx"}, false, 0, "", here + "/League.cgx"},
        {{"cgt", "/games/My League.cgx"}, false, 0, "", "/games/My League.cgx"},
        {{"cgt", "a.cgx", "b.cgx"}, true, 2, "one game file", ""},
        {{"cgt", "--bogus"}, true, 2, "bogus", ""},
    };
    for (const TCase& c : cases) {
        const TCommandLine line = ParseCommandLine(c.Arguments);
        const std::string shown = c.Arguments.join(' ').toStdString();
        EXPECT_EQ(line.Exit, c.Exit) << shown;
        EXPECT_EQ(line.ExitCode, c.ExitCode) << shown;
        EXPECT_NE(line.Output.find(c.OutputHas), std::string::npos) << shown << ": " << line.Output;
        EXPECT_EQ(line.GameFile, c.GameFile) << shown;
    }
}

} // namespace
