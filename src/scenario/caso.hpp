#pragma once
// The pseudo-random numbers of the project: demo scenarios, temporary names,
// random tests.

#include <random>

namespace sopra {

// std::mt19937's numbers from a type of its own: the same engine on 32-bit
// words, held in unsigned long, so the same seed gives the same numbers (and
// the same demo scenarios) on every system. A program linked with the static
// Qt of the Windows build must not bring its own copy of std::mt19937's
// out-of-line refill: the linker keeps one copy of it, the first it meets, and
// Qt's random generator (behind its temporary and safely saved files) stopped
// with an access violation under a copy made for this project's code.
using generatore_casuale =
    std::mersenne_twister_engine<unsigned long, 32, 624, 397, 31, 0x9908b0dfUL, 11, 0xffffffffUL, 7,
                                 0x9d2c5680UL, 15, 0xefc60000UL, 18, 1812433253UL>;

}  // namespace sopra
