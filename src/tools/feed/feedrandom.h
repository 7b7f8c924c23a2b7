#pragma once
// A small seeded generator of our own: the standard distributions are implementation-defined,
// and the same seed must give the same race byte for byte on every build.

#include <cstdint>

/// xoshiro256** seeded through splitmix64. Only exact IEEE operations are used on top of it,
/// so the numbers do not depend on the maths library either.
class FeedRandom {
  public:
    explicit FeedRandom(std::uint64_t seed) {
        for (auto& word : state_)
            word = SplitMix(seed);
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotl(state_[3], 45);
        return result;
    }

    /// Uniform in [0, 1), 53 random bits.
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    /// Uniform in [low, high).
    double Uniform(double low, double high) { return low + (high - low) * Unit(); }

    /// Uniform integer in [0, count); count must be positive.
    int Below(int count) { return static_cast<int>(Unit() * count); }

    bool Chance(double probability) { return Unit() < probability; }

    /// Roughly normal with mean 0 and deviation 1: the sum of four uniforms, rescaled. Bounded
    /// at about +-3.5, which suits lap-time noise better than a true bell's long tails.
    double Bell() {
        const double sum = Unit() + Unit() + Unit() + Unit();
        return (sum - 2.0) * 1.7320508075688772;
    }

    /// A seed for an independent stream, so one session's draws never shift another's.
    static std::uint64_t Derive(std::uint64_t seed, std::uint64_t stream) {
        std::uint64_t mixed = seed ^ (stream * 0x9E3779B97F4A7C15ull);
        return SplitMix(mixed);
    }

  private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    static std::uint64_t SplitMix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t state_[4]{};
};
