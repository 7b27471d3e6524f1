// The general-purpose random source and the clock that seeds it.
#pragma once

#include <cstdint>

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Reseed(std::uint32_t seed) = 0;
    // A uniform integer from 0 to n - 1; 0 when n is 0.
    virtual std::uint32_t Below(std::uint32_t n) = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Local time of day in milliseconds since midnight.
    virtual std::uint32_t MillisecondsSinceMidnight() = 0;
};

// A 32-bit linear congruential source (multiplier 134775813, increment 1) whose draws take the
// high half of seed * n, as the classic Pascal runtime libraries on Windows did. It has
// no platform dependence, so every build uses it.
class LcgRandom final : public RandomSource {
  public:
    void Reseed(std::uint32_t seed) override { Seed = seed; }
    std::uint32_t Below(std::uint32_t n) override {
        Seed = Seed * 134775813u + 1u;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(Seed) * n) >> 32);
    }

  private:
    std::uint32_t Seed = 0;
};
