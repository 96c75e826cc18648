#include "support/RandomUnt.h"

#include <chrono>

namespace {
std::uint32_t GSeed = 0;
}

int Random(int n)
{
    GSeed = GSeed * 134775813u + 1u;
    if (n <= 0)
        return 0;
    return static_cast<int>((static_cast<std::uint64_t>(GSeed) * static_cast<std::uint32_t>(n)) >> 32);
}

void Randomize()
{
    // steady_clock is the high-resolution performance counter on this platform.
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    GSeed = static_cast<std::uint32_t>(ticks);
}

std::uint32_t RandSeed() { return GSeed; }
void SetRandSeed(std::uint32_t seed) { GSeed = seed; }
