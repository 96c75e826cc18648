#pragma once
#include <QApplication>
#include <QIcon>

#include <exception>
#include <functional>
#include <string>

// The title the application and its main window carry.
inline constexpr const char* ApplicationTitle = "Cogline Turn Generator";

// The tool's icon in every size the build rendered; compiled into the program, so a build tree
// and an installed copy show the same.
QIcon ApplicationIcon();
// What the desktop knows the application by: its title, its icon (which every window then
// carries) and the name of its desktop entry.
void SetUpApplication(QApplication& application);

// The program's first steps, before the application object exists: the log threshold passes
// through 4 and stays at 7, the detail line "Application Start" is written, and the random
// generator is seeded once for the whole run, before any deck is shuffled.
void StartProcess();

// The build's four-number version, major.minor.release.build.
std::string VersionText();

// "Exception %s: %s" with the error's class name and message.
std::string ApplicationErrorText(const std::exception& error);

// Receives every exception that escapes an event; sender is the event's receiver.
using TApplicationErrorHandler = std::function<void(QObject* sender, const std::exception& error)>;

// The application: every exception that escapes an event handler ends in the error handler
// instead of ending the process, and the tool goes on with its message loop.
class TApplication : public QApplication {
    Q_OBJECT
public:
    // Also routes the core's messages to a message box.
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs one delivery and hands any exception leaving it to the installed handler; false when
    // the delivery failed. notify uses it; tests drive it with their own delivery.
    static bool GuardedNotify(QObject* receiver, const std::function<bool()>& deliver);
    // Runs a command of a window and hands any exception it raises to the handler at once.
    // Commands connected to signals run through this, so that their errors never unwind
    // through Qt's own frames, which are built without exception cleanups and would leak or
    // keep half-changed state (notify remains the net for everything else).
    static void RunCommand(QObject* sender, const std::function<void()>& command);

    // Installs the handler of escaped exceptions and returns the previous one. Without a handler
    // the error's text goes to ShowMessage.
    static TApplicationErrorHandler SetErrorHandler(TApplicationErrorHandler handler);
    static void HandleError(QObject* sender, const std::exception& error);
};

// A modal message box with an OK button, over the active window.
void ShowMessageBox(const std::string& text);
