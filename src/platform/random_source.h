#pragma once
// Port: the random number generator (the Win32 side seeds from the clock). Tests script the draws.
namespace tarvex {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Randomize() = 0;       // re-seeds from the clock
    virtual int Random(int range) = 0;  // uniform in 0 .. range - 1
};

}  // namespace tarvex
