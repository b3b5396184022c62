// Scalar, SSE2 and AVX2 versions of the blends. The vector versions widen bytes to
// 16-bit lanes, multiply with pmullw (every product fits: at most 255 * 256) and shift,
// which is exactly the scalar arithmetic, so the sets are interchangeable bit for bit.
#include "graphics/blend.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace torvan {

namespace {

void levelScalar(const std::uint8_t* x, const std::uint8_t* y, std::uint8_t* out, int a,
                 std::size_t groups) {
  const unsigned ua = static_cast<unsigned>(a), ub = 256u - ua;
  for (std::size_t i = 0, n = groups * 8; i < n; ++i)
    out[i] = static_cast<std::uint8_t>((x[i] * ua + y[i] * ub) >> 8);
}

void maskedScalar(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* m,
                  std::uint8_t* out, std::size_t groups) {
  for (std::size_t i = 0, n = groups * 8; i < n; ++i)
    out[i] = static_cast<std::uint8_t>(((a[i] * (255u - m[i])) >> 8) + ((b[i] * m[i]) >> 8));
}

void darkenScalar(const std::uint8_t* src, std::uint8_t* out, int v, std::size_t groups) {
  const unsigned uv = static_cast<unsigned>(v);
  for (std::size_t i = 0, n = groups * 8; i < n; ++i)
    out[i] = static_cast<std::uint8_t>((src[i] * uv) >> 8);
}

#if defined(__x86_64__)

// SSE2 is part of x86-64, so these need no target attribute.
void levelSse2(const std::uint8_t* x, const std::uint8_t* y, std::uint8_t* out, int a,
               std::size_t groups) {
  const __m128i va = _mm_set1_epi16(static_cast<short>(a));
  const __m128i vb = _mm_set1_epi16(static_cast<short>(256 - a));
  const __m128i zero = _mm_setzero_si128();
  std::size_t n = groups * 8, i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
    __m128i py = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i));
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(px, zero), va),
                               _mm_mullo_epi16(_mm_unpacklo_epi8(py, zero), vb));
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(px, zero), va),
                               _mm_mullo_epi16(_mm_unpackhi_epi8(py, zero), vb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
  }
  if (i < n) levelScalar(x + i, y + i, out + i, a, (n - i) / 8);
}

void maskedSse2(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* m,
                std::uint8_t* out, std::size_t groups) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  std::size_t n = groups * 8, i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    __m128i pm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i));
    __m128i mlo = _mm_unpacklo_epi8(pm, zero), mhi = _mm_unpackhi_epi8(pm, zero);
    __m128i lo = _mm_add_epi16(
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), _mm_sub_epi16(full, mlo)), 8),
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), mlo), 8));
    __m128i hi = _mm_add_epi16(
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), _mm_sub_epi16(full, mhi)), 8),
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), mhi), 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  if (i < n) maskedScalar(a + i, b + i, m + i, out + i, (n - i) / 8);
}

void darkenSse2(const std::uint8_t* src, std::uint8_t* out, int v, std::size_t groups) {
  const __m128i vv = _mm_set1_epi16(static_cast<short>(v));
  const __m128i zero = _mm_setzero_si128();
  std::size_t n = groups * 8, i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), vv), 8);
    __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), vv), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  if (i < n) darkenScalar(src + i, out + i, v, (n - i) / 8);
}

// The AVX2 unpacks and packs work within 128-bit lanes; unpacking low and high and
// packing them back keeps every byte in place, so no permutes are needed.
__attribute__((target("avx2"))) void levelAvx2(const std::uint8_t* x, const std::uint8_t* y,
                                               std::uint8_t* out, int a, std::size_t groups) {
  const __m256i va = _mm256_set1_epi16(static_cast<short>(a));
  const __m256i vb = _mm256_set1_epi16(static_cast<short>(256 - a));
  const __m256i zero = _mm256_setzero_si256();
  std::size_t n = groups * 8, i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
    __m256i py = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + i));
    __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(px, zero), va),
                                  _mm256_mullo_epi16(_mm256_unpacklo_epi8(py, zero), vb));
    __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(px, zero), va),
                                  _mm256_mullo_epi16(_mm256_unpackhi_epi8(py, zero), vb));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        _mm256_packus_epi16(_mm256_srli_epi16(lo, 8), _mm256_srli_epi16(hi, 8)));
  }
  if (i < n) levelSse2(x + i, y + i, out + i, a, (n - i) / 8);
}

__attribute__((target("avx2"))) void maskedAvx2(const std::uint8_t* a, const std::uint8_t* b,
                                                const std::uint8_t* m, std::uint8_t* out,
                                                std::size_t groups) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i full = _mm256_set1_epi16(255);
  std::size_t n = groups * 8, i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i pa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
    __m256i pb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    __m256i pm = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + i));
    __m256i mlo = _mm256_unpacklo_epi8(pm, zero), mhi = _mm256_unpackhi_epi8(pm, zero);
    __m256i lo = _mm256_add_epi16(
        _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(pa, zero), _mm256_sub_epi16(full, mlo)), 8),
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(pb, zero), mlo), 8));
    __m256i hi = _mm256_add_epi16(
        _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(pa, zero), _mm256_sub_epi16(full, mhi)), 8),
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(pb, zero), mhi), 8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
  }
  if (i < n) maskedSse2(a + i, b + i, m + i, out + i, (n - i) / 8);
}

__attribute__((target("avx2"))) void darkenAvx2(const std::uint8_t* src, std::uint8_t* out, int v,
                                                std::size_t groups) {
  const __m256i vv = _mm256_set1_epi16(static_cast<short>(v));
  const __m256i zero = _mm256_setzero_si256();
  std::size_t n = groups * 8, i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(p, zero), vv), 8);
    __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(p, zero), vv), 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
  }
  if (i < n) darkenSse2(src + i, out + i, v, (n - i) / 8);
}

#endif

constexpr BlendKernels kScalar{levelScalar, maskedScalar, darkenScalar, KernelSet::Scalar};
#if defined(__x86_64__)
constexpr BlendKernels kSse2{levelSse2, maskedSse2, darkenSse2, KernelSet::Sse2};
constexpr BlendKernels kAvx2{levelAvx2, maskedAvx2, darkenAvx2, KernelSet::Avx2};
#endif

KernelSet bestSet() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return KernelSet::Avx2;
  return KernelSet::Sse2;
#else
  return KernelSet::Scalar;
#endif
}

}  // namespace

bool kernelSetSupported(KernelSet set) {
  switch (set) {
    case KernelSet::Scalar:
    case KernelSet::Best:
      return true;
    case KernelSet::Sse2:
      return bestSet() != KernelSet::Scalar;
    case KernelSet::Avx2:
      return bestSet() == KernelSet::Avx2;
  }
  return false;
}

const BlendKernels& blendKernels(KernelSet set) {
  if (set == KernelSet::Best || !kernelSetSupported(set)) set = bestSet();
#if defined(__x86_64__)
  if (set == KernelSet::Avx2) return kAvx2;
  if (set == KernelSet::Sse2) return kSse2;
#endif
  return kScalar;
}

const BlendKernels& activeKernels() {
  // Fixed by the hardware, so choosing it once is not state that could differ per run.
  static const BlendKernels& chosen = blendKernels(KernelSet::Best);
  return chosen;
}

const char* kernelSetName(KernelSet set) {
  switch (set) {
    case KernelSet::Scalar:
      return "scalar";
    case KernelSet::Sse2:
      return "sse2";
    case KernelSet::Avx2:
      return "avx2";
    case KernelSet::Best:
      return kernelSetName(activeKernels().set);
  }
  return "?";
}

void Darken(const Surface& src, Surface& dst, int v) {
  v = std::clamp(v, 0, 256);
  const int w = std::min(src.width, dst.width), h = std::min(src.height, dst.height);
  if (w <= 0 || h <= 0) return;
  const std::size_t bytes = static_cast<std::size_t>(w) * 3;
  const BlendKernels& k = activeKernels();
  for (int y = 0; y < h; ++y) {
    k.darken(src.row(y), dst.row(y), v, bytes / 8);
    // A width whose rows are not whole groups still darkens its last bytes.
    for (std::size_t i = bytes & ~std::size_t(7); i < bytes; ++i)
      dst.row(y)[i] = static_cast<std::uint8_t>((src.row(y)[i] * unsigned(v)) >> 8);
  }
}

}  // namespace torvan
