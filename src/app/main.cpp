#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/frmMainUnt.h"

#include <exception>

int main(int argc, char** argv)
{
    StartProcess();
    int result = 0;
    {
        TApplication application(argc, argv);
        try {
            TGameSession session;
            TfrmMain frmMain(session);
            frmMain.show();
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
