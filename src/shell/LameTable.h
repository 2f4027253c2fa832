#pragma once
// The humorous messages: a fixed table of 185 one-line texts and the random
// generator that picks from it when the "bLameMessages" setting replaces
// every notice (see Notice.h).

#include <QString>
#include <array>
#include <cstdint>

inline constexpr int kLameTableSize = 185;

/// The texts by index, 0..184; every text is one line of plain ASCII.
const std::array<const char*, kLameTableSize>& LameTable();

/// The text of row `index`; an empty string outside 0..184.
QString LameTableText(int index);

/// One step of the minimal standard generator (Park and Miller): seed x 16807
/// modulo 2^31 - 1, computed in signed 32-bit arithmetic as
/// s x 16807 - (s / 127773) x 2147483647 with wrap-around multiplication and
/// truncating division, plus 2147483647 when that is negative. For seeds
/// 1..2147483646 this is the exact sequence; 0 stays 0; a negative seed (a
/// tick count of 2^31 or more) still yields a value by the same arithmetic.
std::int32_t LameRandomStep(std::int32_t seed);

/// The generator's seed (process-wide; main thread only).
std::int32_t LameSeed();
void SetLameSeed(std::int32_t seed);

/// Advances the seed by LameRandomStep and returns the new seed.
std::int32_t LameRandom();

/// The row a generator value picks: the value, taken unsigned, modulo 185.
int LameTableIndex(std::int32_t value);
