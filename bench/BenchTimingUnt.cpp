#include "BenchTimingUnt.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <chrono>
#include <cstdio>

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Time(int runs, const std::function<void()>& work, const std::function<void()>& setup)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (setup)
            setup();
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(times);
}

void RunBenchChild(const QStringList& arguments, const char* name, int timeoutMs)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(timeoutMs);
    std::printf("%s", child.readAllStandardOutput().constData());
    if (child.exitCode() != 0)
        std::printf("%s child failed: %s\n", name, child.readAllStandardError().constData());
}
