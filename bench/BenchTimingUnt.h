#pragma once
#include <QStringList>

#include <functional>
#include <vector>

// The median of the values.
double Median(std::vector<double> values);

// Milliseconds of one run of the work, median over the runs; setup runs untimed before each.
double Time(int runs, const std::function<void()>& work, const std::function<void()>& setup = {});

// Runs this benchmark again as a child process with the arguments, offscreen, and prints what it
// printed; what it said on failure as well, under the name given.
void RunBenchChild(const QStringList& arguments, const char* name, int timeoutMs);
