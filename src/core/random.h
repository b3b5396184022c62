// The engine's random generator: a 32-bit linear congruential generator, seeded from
// the clock at start-up or from --seed, so that headless runs are reproducible.
#pragma once

#include <cstdint>

namespace torvan {

class Random {
 public:
  void seed(std::uint32_t s) { state_ = s; }
  std::uint32_t state() const { return state_; }
  // Advances the state once and returns a number in 0 .. n - 1 (0 when n <= 0).
  std::int32_t below(std::int32_t n) {
    state_ = state_ * 0x08088405u + 1u;
    if (n <= 0) return 0;
    return static_cast<std::int32_t>((std::uint64_t(state_) * std::uint32_t(n)) >> 32);
  }
  void discard() { below(1); }

 private:
  std::uint32_t state_ = 0;
};

}  // namespace torvan
