#pragma once
#include <cstdint>

// The one process-wide pseudo-random generator used for every shuffle.
// seed := seed * 134775813 + 1 (mod 2^32); a draw is the upper 32 bits of seed * n.
int Random(int n);
void Randomize();
std::uint32_t RandSeed();
void SetRandSeed(std::uint32_t seed);
