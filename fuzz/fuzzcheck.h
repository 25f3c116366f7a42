#pragma once

#include <cstdlib>

// A fuzz target's claim: a broken one stops the run, and the fuzzer keeps the input.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
