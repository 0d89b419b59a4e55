#pragma once
// A fuzzer's own check: libFuzzer reports an abort as a finding, with the input that caused it.

#include <cstdlib>

inline void Require(bool condition)
{
    if (!condition)
        std::abort();
}
