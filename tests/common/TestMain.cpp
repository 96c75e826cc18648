#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#ifdef COGLINE_WIDGET_TESTS
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QGuiApplication>
using TTestApplication = QGuiApplication;
#endif

#ifdef __SANITIZE_ADDRESS__
// The leak checker of this compiler misreads the dynamic TLS blocks that newer glibc gives
// dlopen'ed modules (Qt's plugins); following them can crash its final scan, depending only on
// how the program happens to be laid out. Leaks are still found without following them.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif

// Every test program runs headless, with an application object so that fonts, pictures and
// (for the window tests) widgets work as they do in the tool.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TTestApplication app(argc, argv);
    // The tool's settings (recent games, window geometry) of a test run stay with the run.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
