// The per-byte blends every picture path shares (transitions, sprites, effects, glyphs).
// Each works on whole groups of 8 bytes, exactly as the packed 16-bit arithmetic of the
// original kernels did, so a row whose byte count is not a multiple of 8 keeps its tail.
// The results are bit-exact with the scalar formulas below whatever kernel set runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/surface.h"

namespace torvan {

// The kernel sets; Best is the fastest one the CPU supports.
enum class KernelSet { Scalar, Sse2, Avx2, Best };

struct BlendKernels {
  // out = (x * a + y * (256 - a)) >> 8, a in 0 .. 256.
  void (*level)(const std::uint8_t* x, const std::uint8_t* y, std::uint8_t* out, int a,
                std::size_t groups);
  // out = ((a * (255 - m)) >> 8) + ((b * m) >> 8).
  void (*masked)(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* m,
                 std::uint8_t* out, std::size_t groups);
  // out = (src * v) >> 8, v in 0 .. 256.
  void (*darken)(const std::uint8_t* src, std::uint8_t* out, int v, std::size_t groups);
  KernelSet set;
};

// True when this machine can run the set.
bool kernelSetSupported(KernelSet set);
// The table of a set; Best and unsupported sets give the best supported one.
const BlendKernels& blendKernels(KernelSet set);
// The set the free functions below use: the best one, chosen once from the CPU.
const BlendKernels& activeKernels();
const char* kernelSetName(KernelSet set);

// `groups` counts 8-byte groups; out may be the same row as an input.
inline void BlendLevel(const std::uint8_t* x, const std::uint8_t* y, std::uint8_t* out, int a,
                       std::size_t groups) {
  activeKernels().level(x, y, out, a, groups);
}
inline void BlendMasked(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* m,
                        std::uint8_t* out, std::size_t groups) {
  activeKernels().masked(a, b, m, out, groups);
}
// Darkens every row of src into dst over the area both have (the whole screen for the
// engine's 800 x 600 surfaces); v is clamped to 0 .. 256.
void Darken(const Surface& src, Surface& dst, int v);

}  // namespace torvan
