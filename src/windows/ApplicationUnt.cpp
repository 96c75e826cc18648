#include "windows/ApplicationUnt.h"

#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"

#include <QDirIterator>
#include <QMessageBox>

#include <cstdio>
#include <stdexcept>

namespace {

TApplicationErrorHandler& ErrorHandlerSlot()
{
    static TApplicationErrorHandler handler;
    return handler;
}

} // namespace

QIcon ApplicationIcon()
{
    QIcon icon;
    QDirIterator sizes(":/icons", {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}

void SetUpApplication(QApplication& application)
{
    application.setApplicationName(QString::fromUtf8(ApplicationTitle));
    application.setWindowIcon(ApplicationIcon());
    application.setDesktopFileName(COGLINE_APP_ID);
}

void StartProcess()
{
    // The threshold passes through 4 and stays at 7: a normal run writes no log lines; setting 1
    // here turns the whole trace on.
    Log().SetLevel(4);
    Log().SetLevel(7);
    Log().Detail("Application Start");
    // Without a seed every run would deal the same hands from the same game.
    Randomize();
}

std::string VersionText()
{
#ifdef COGLINE_VERSION
    return COGLINE_VERSION;
#else
    return std::string();
#endif
}

std::string ApplicationErrorText(const std::exception& error)
{
    return Format("Exception %s: %s", ErrorClassName(error), error.what());
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    SetUpApplication(*this);
    SetMessageHandler(ShowMessageBox);
}

TApplication::~TApplication()
{
    // No box may be shown once the application object is gone.
    SetMessageHandler(nullptr);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    return GuardedNotify(receiver, [&] { return QApplication::notify(receiver, event); });
}

bool TApplication::GuardedNotify(QObject* receiver, const std::function<bool()>& deliver)
{
    try {
        return deliver();
    } catch (const std::exception& error) {
        HandleError(receiver, error);
    } catch (...) {
        HandleError(receiver, std::runtime_error("unknown error"));
    }
    return false;
}

void TApplication::RunCommand(QObject* sender, const std::function<void()>& command)
{
    GuardedNotify(sender, [&] {
        command();
        return true;
    });
}

TApplicationErrorHandler TApplication::SetErrorHandler(TApplicationErrorHandler handler)
{
    TApplicationErrorHandler previous = std::move(ErrorHandlerSlot());
    ErrorHandlerSlot() = std::move(handler);
    return previous;
}

void TApplication::HandleError(QObject* sender, const std::exception& error)
{
    // The handler runs inside Qt's event delivery: nothing may leave it, or the process ends.
    try {
        if (ErrorHandlerSlot())
            ErrorHandlerSlot()(sender, error);
        else
            ShowMessage(ApplicationErrorText(error));
    } catch (const std::exception& second) {
        std::fprintf(stderr, "%s\n%s\n", ApplicationErrorText(error).c_str(), ApplicationErrorText(second).c_str());
    } catch (...) {
        std::fprintf(stderr, "%s\n", ApplicationErrorText(error).c_str());
    }
}

void ShowMessageBox(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(ApplicationTitle), QString::fromStdString(text),
        QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
