#include "session/CommandLineUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "windows/ApplicationUnt.h"
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
} // namespace

int main(int argc, char** argv)
{
    // --help and --version answer without a display. The windowing system's own options (such
    // as -platform) are known only to the GUI application, so anything else waits for it.
    {
        QCoreApplication probe(argc, argv);
        probe.setApplicationName(QString::fromUtf8(ApplicationTitle));
        const TCommandLine early = ParseCommandLine(probe.arguments());
        if (early.Exit && early.ExitCode == 0)
            return PrintAndEnd(early);
    }
    StartProcess();
    int result = 0;
    {
        TApplication application(argc, argv);
        const TCommandLine line = ParseCommandLine(application.arguments());
        if (line.Exit)
            return PrintAndEnd(line);
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
