#pragma once
#include "BenchGameUnt.h"

#include <string>

// The redraw and phase-picture measures.
void ReportRendering(TBenchGame& bench, const std::string& folder, int runs);
