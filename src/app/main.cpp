#include "session/CommandLineUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/ExportUnt.h"
#include "windows/frmMainUnt.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace {
int PrintAndEnd(const TCommandLine& line)
{
    std::fputs(line.Output.c_str(), line.ExitCode == 0 ? stdout : stderr);
    return line.ExitCode;
}

// Byte for byte: the reports and messages carry CR LF line ends of their own.
int PrintAndEnd(const TCommandOutput& output)
{
    std::fwrite(output.Output.data(), 1, output.Output.size(), stdout);
    std::fwrite(output.Errors.data(), 1, output.Errors.size(), stderr);
    std::fflush(stdout);
    return output.ExitCode;
}
} // namespace

int main(int argc, char** argv)
{
    // --help and --version answer without a display. The windowing system's own options (such
    // as -platform) are known only to the GUI application, so anything else waits for it.
    bool windowless = false;
    {
        QCoreApplication probe(argc, argv);
        probe.setApplicationName(QString::fromUtf8(ApplicationTitle));
        const TCommandLine early = ParseCommandLine(probe.arguments());
        if (early.Exit && early.ExitCode == 0)
            return PrintAndEnd(early);
        windowless = RunsWithoutWindows(probe.arguments());
    }
    // --export and --pms show no window, so they run where there is no display; the score board
    // they picture is still a widget, so the application stays a GUI one.
    if (windowless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    StartProcess();
    int result = 0;
    {
        TApplication application(argc, argv);
        const TCommandLine line = ParseCommandLine(application.arguments());
        if (line.Exit)
            return PrintAndEnd(line);
        if (line.Action != caWindow)
            return PrintAndEnd(RunWithoutWindows(line));
        try {
            TGameSession session;
            TfrmMain frmMain(session);
            frmMain.show();
            if (!line.GameFile.empty())
                frmMain.OpenGameAtStart(line.GameFile);
            else
                frmMain.OfferRecoveryAtStart();
            result = application.exec();
        } catch (const std::exception& error) {
            // Only start-up can get here: once the loop runs, every error ends in the handler.
            ShowMessage(ApplicationErrorText(error));
            result = 1;
        }
    }
    Log().Detail("Application End");
    return result;
}
