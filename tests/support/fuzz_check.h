#pragma once
// What a fuzz target asserts: a broken invariant ends the run where the fuzzer sees it.
#include <cstdlib>

namespace tarvex::fuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace tarvex::fuzz
