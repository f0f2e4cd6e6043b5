// What a fuzz target promises of the parser's result: a broken promise
// aborts, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdlib>

inline void Check(bool condition) {
    if (!condition)
        std::abort();
}
