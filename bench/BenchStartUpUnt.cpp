#include "BenchStartUpUnt.h"

#include "windows/ApplicationUnt.h"
#include "session/GameSessionUnt.h"
#include "windows/frmMainUnt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {
// Milliseconds from starting the process to its end, median over the runs.
double ProcessMilliseconds(const char* which, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {"--startup", which});
        child.waitForFinished(60000);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (child.exitCode() != 0)
            std::printf("start-up child %s failed: %s\n", which, child.readAllStandardError().constData());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

void ReportStartUp(int runs)
{
    // Alternated, so that a busy spell of the machine falls on both.
    std::vector<double> ours;
    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(ProcessMilliseconds("main", 1));
        bare.push_back(ProcessMilliseconds("bare", 1));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(bare.begin(), bare.end());
    const double o = ours[ours.size() / 2];
    const double b = bare[bare.size() / 2];
    std::printf("%-16s ours %9.2f ms   reference %9.2f ms   ratio %5.2f\n", "start-up", o, b, o / b);
}

int RunStartUpChild(int argc, char** argv, const char* which)
{
    const bool main = std::strcmp(which, "main") == 0;
    std::unique_ptr<QApplication> application
        = main ? std::make_unique<TApplication>(argc, argv) : std::make_unique<QApplication>(argc, argv);
    std::unique_ptr<TGameSession> session;
    std::unique_ptr<QMainWindow> window;
    if (main) {
        session = std::make_unique<TGameSession>();
        window = std::make_unique<TfrmMain>(*session);
    } else {
        window = std::make_unique<QMainWindow>();
        window->setWindowTitle("Cogline Turn Generator");
        QMenu* menu = window->menuBar()->addMenu("&File");
        menu->addAction("&Open...");
        menu->addAction("E&xit");
        window->resize(657, 385);
    }
    window->show();
    // Quits once the window has been shown and painted.
    QTimer::singleShot(0, application.get(), &QCoreApplication::quit);
    const int result = application->exec();
    window.reset();
    session.reset();
    return result;
}
