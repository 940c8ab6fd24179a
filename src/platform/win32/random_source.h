#pragma once
// The random numbers of the program: a generator seeded from the clock.
#include <random>

#include "platform/random_source.h"

namespace tarvex {

class ClockRandomSource final : public RandomSource {
public:
    ClockRandomSource() { Randomize(); }
    void Randomize() override;
    int Random(int range) override;

private:
    std::minstd_rand generator_;
};

}  // namespace tarvex
