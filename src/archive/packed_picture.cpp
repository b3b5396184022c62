// Packed picture layout (little-endian):
//
//   0    2  not interpreted
//   2    1  flags: 0x40 = a run-length stage follows the dictionary stage,
//                  0x80 = a delta stage follows; other bits not interpreted
//   3    1  B, bytes per pixel: always 3
//   4    4  C, length of the compressed data after the header (signed)
//   8    4  M, dictionary output length when 0x40 is set (signed); unused otherwise
//   12   2  W, width in pixels
//   14   2  H, height in pixels
//   16   C  compressed data
//
// The picture's raw size is S = W x H x 3: rows of W pixels blue, green, red, top row
// first, no padding. The stages, in decoding order:
//
// Dictionary stage: C bytes -> T bytes (T = M with 0x40, else S). A flag byte precedes
// every eight items and is consumed from its top bit down; bit 0 = one literal byte,
// bit 1 = a code byte U:
//   U < 0x80, U & 3 == 3   literal run of (U >> 2) + 9 bytes (9..40)
//   U < 0x80, U & 3 < 3    match, distance (U >> 2) + 1 (1..32), length (U & 3) + 2 (2..4)
//   10xxxxxx V             distance ((U & 0x3F) << 4 | V >> 4) + 1 (1..1024),
//                          length (V & 15) + 3 (3..18)
//   11xxxxxx V X           distance ((U & 0x3F) << 8 | V) + 1 (1..16384),
//                          length X + 3 (3..255), or 256, 1024, 4096 for X = 253, 254, 255
// A match copies front to back from `distance` bytes back, so it may overlap itself.
//
// Run-length stage (0x40): M bytes -> S bytes. A byte K:
//   K < 0x80   literal run of (K & 0x7F) + 1 bytes (1..128)
//   K >= 0x80  then V: R = ((K & 0x1F) << 8 | V) + 1 copies (1..8192) of the next
//              Z = ((K >> 5) & 3) + 1 bytes (1..4); R is cut to the whole units that
//              still fit in S.
//
// Delta stage (0x80), in place on S bytes: for each colour component separately, every
// byte becomes itself plus the previous byte of that component (mod 256); the sums run
// on across row ends.
#include "archive/packed_picture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace torvan {

namespace {

// Stored pictures may let the last dictionary copy (or a run-length literal) run a
// little past the stage's output; those bytes are produced and dropped. Only a copy
// beyond this slack is damage.
constexpr std::size_t kSlack = 256;

// The most output `inputBytes` can yield through each stage: a 3-byte long match makes
// 4096 bytes; a 6-byte run-length repeat makes 8192 units of 4 bytes.
std::uint64_t maxDictionaryOutput(std::uint64_t inputBytes) {
  return (inputBytes / 3 + 1) * 4096;
}
std::uint64_t maxRunLengthOutput(std::uint64_t inputBytes) {
  return (inputBytes / 6 + 1) * 32768;
}

class Fault {
 public:
  Fault(std::string_view file, std::string_view entry) : file_(file), entry_(entry) {}
  Error operator()(std::string fault) const {
    return Error{std::string(file_), std::string(entry_), "packed picture: " + std::move(fault)};
  }

 private:
  std::string_view file_;
  std::string_view entry_;
};

std::string sizeText(std::uint64_t a, std::uint64_t b) {
  return std::to_string(a) + "x" + std::to_string(b);
}

// Copies a match of `length` bytes from `distance` bytes back. False when the match
// reaches before the start of the output or past the slack.
inline bool copyMatch(std::uint8_t*& out, const std::uint8_t* outStart,
                      const std::uint8_t* outLimit, std::size_t distance, std::size_t length) {
  if (distance > std::size_t(out - outStart) || length > std::size_t(outLimit - out)) return false;
  const std::uint8_t* src = out - distance;
  if (distance >= 16 && std::size_t(outLimit - out) >= ((length + 15) & ~std::size_t(15))) {
    // Whole 16-byte blocks, each read from bytes already written even when the match
    // overlaps itself; what lands past the match is overwritten by the items after it.
    for (std::size_t k = 0; k < length; k += 16) std::memcpy(out + k, src + k, 16);
  } else if (distance >= length) {
    std::memcpy(out, src, length);
  } else if (distance == 1) {
    std::memset(out, *src, length);
  } else {
    // The copy feeds on its own output: a repeating pattern of `distance` bytes.
    for (std::size_t k = 0; k < length; ++k) out[k] = src[k];
  }
  out += length;
  return true;
}

// Reads a match code (U already taken, its operands at `in`) into distance and length,
// advancing `in` past the operands. The caller has checked that they are there.
inline void readMatch(unsigned u, const std::uint8_t*& in, std::size_t& distance,
                      std::size_t& length) {
  if (u < 0x80) {
    distance = (u >> 2) + 1;
    length = (u & 3) + 2;
  } else if (u < 0xC0) {
    const unsigned v = *in++;
    distance = (((u & 0x3F) << 4) | (v >> 4)) + 1;
    length = (v & 0x0F) + 3;
  } else {
    const unsigned v = in[0];
    const unsigned x = in[1];
    in += 2;
    distance = (((u & 0x3F) << 8) | v) + 1;
    length = x == 255 ? 4096 : x == 254 ? 1024 : x == 253 ? 256 : x + 3;
  }
}

// Length of a long match by its length byte X.
constexpr auto kLongLength = [] {
  std::array<std::uint16_t, 256> t{};
  for (unsigned x = 0; x < 256; ++x) t[x] = std::uint16_t(x + 3);
  t[253] = 256;
  t[254] = 1024;
  t[255] = 4096;
  return t;
}();

// Operand bytes that follow a code byte U (literal runs excluded).
inline std::size_t operandBytes(unsigned u) {
  return u < 0x80 ? 0 : u < 0xC0 ? 1 : 2;
}

// A group of eight items reads at most 8 x 41 bytes; with this much input left the group
// needs no input checks, and the fixed-size moves below may read a little further.
constexpr std::ptrdiff_t kFastGroupInput = 8 * 41 + 40;

// Dictionary stage into out[0 .. T + kSlack). Returns an empty string on success,
// otherwise what went wrong.
std::string runDictionaryStage(ByteSpan input, std::uint8_t* out, std::size_t outSize) {
  const std::uint8_t* in = input.data();
  const std::uint8_t* const inEnd = in + input.size();
  std::uint8_t* const outStart = out;
  std::uint8_t* const outEnd = out + outSize;
  const std::uint8_t* const outLimit = outEnd + kSlack;

  auto exhausted = [&] {
    return "compressed data ends at output byte " + std::to_string(out - outStart) + " of " +
           std::to_string(outSize);
  };
  auto badMatch = [&](std::size_t distance, std::size_t length) {
    const std::size_t produced = out - outStart;
    if (distance > produced)
      return "match at output byte " + std::to_string(produced) + " reaches " +
             std::to_string(distance - produced) + " bytes before the start";
    return "match of " + std::to_string(length) + " bytes at output byte " +
           std::to_string(produced) + " runs past the picture's " + std::to_string(outSize) +
           " bytes";
  };

  if (outSize == 0) return {};
  if (in == inEnd) return exhausted();
  unsigned flags = *in++;  // the current flag byte; used bits are shifted out at the top
  int items = 0;           // items taken from it
  while (out < outEnd) {
    if (items == 8) {
      // The flag byte after the eighth item; a stream may legitimately end before the
      // one that would follow its last item, so it is read only when output is wanted.
      if (in == inEnd) return exhausted();
      flags = *in++;
      items = 0;
    }
    if (items == 0 && inEnd - in >= kFastGroupInput) {
      // A whole group without input checks. The plain bytes before each code item go in
      // one 8-byte move, so grainy pictures cost a branch per code, not per byte; bytes
      // moved past the end of the output land in the slack and are dropped.
      unsigned f = flags & 0xFF;
      int left = 8;
      while (left > 0) {
        int plain = std::countl_zero(static_cast<std::uint8_t>(f));
        if (plain > left) plain = left;
        std::memcpy(out, in, 8);
        in += plain;
        out += plain;
        left -= plain;
        f = (f << plain) & 0xFF;
        if (left == 0 || out >= outEnd) break;
        f = (f << 1) & 0xFF;
        --left;
        const unsigned u = *in++;
        if (u < 0x80 && (u & 3) == 3) {
          const std::size_t n = (u >> 2) + 9;
          std::memcpy(out, in, 40);
          in += n;
          out += n;
        } else {
          // The three match forms are decoded side by side and one is picked without
          // branching: the form of the next code is as unpredictable as the picture.
          const unsigned v = in[0];
          const unsigned x = in[1];
          const bool isLong = u >= 0xC0;
          const bool isMid = (u & 0xC0) == 0x80;
          const std::size_t shortDistance = (u >> 2) + 1, shortLength = (u & 3) + 2;
          const std::size_t midDistance = (((u & 0x3F) << 4) | (v >> 4)) + 1,
                            midLength = (v & 0x0F) + 3;
          const std::size_t longDistance = (((u & 0x3F) << 8) | v) + 1,
                            longLength = x < 253 ? x + 3 : std::size_t(256) << (2 * (x - 253));
          // Masks rather than conditionals, which compilers like to turn back into jumps.
          const std::size_t midMask = std::size_t(0) - std::size_t(isMid);
          const std::size_t longMask = std::size_t(0) - std::size_t(isLong);
          const std::size_t shortMask = ~(midMask | longMask);
          const std::size_t distance =
              (shortDistance & shortMask) | (midDistance & midMask) | (longDistance & longMask);
          const std::size_t length =
              (shortLength & shortMask) | (midLength & midMask) | (longLength & longMask);
          in += std::size_t(isMid) + 2 * std::size_t(isLong);
          if (!copyMatch(out, outStart, outLimit, distance, length))
            return badMatch(distance, length);
        }
        if (out >= outEnd) break;
      }
      items = 8 - left;
      flags = f;
      continue;
    }

    const bool code = (flags & 0x80) != 0;
    flags <<= 1;
    ++items;
    if (in == inEnd) return exhausted();
    if (!code) {
      *out++ = *in++;
      continue;
    }
    const unsigned u = *in++;
    if (u < 0x80 && (u & 3) == 3) {
      const std::size_t n = (u >> 2) + 9;
      if (std::size_t(inEnd - in) < n) return exhausted();
      // At most 40 bytes from below outEnd: the slack holds them.
      std::memcpy(out, in, n);
      in += n;
      out += n;
      continue;
    }
    if (std::size_t(inEnd - in) < operandBytes(u)) return exhausted();
    std::size_t distance, length;
    readMatch(u, in, distance, length);
    if (!copyMatch(out, outStart, outLimit, distance, length)) return badMatch(distance, length);
  }
  return {};
}

// Run-length stage: input[0 .. M) into out[0 .. S + kSlack).
std::string runRunLengthStage(ByteSpan input, std::uint8_t* out, std::size_t outSize) {
  std::size_t i = 0;
  std::size_t o = 0;
  const std::size_t m = input.size();
  const std::uint8_t* in = input.data();
  auto exhausted = [&] {
    return "run-length data ends at output byte " + std::to_string(o) + " of " +
           std::to_string(outSize);
  };
  while (o < outSize) {
    if (i >= m) return exhausted();
    const unsigned k = in[i++];
    if (k < 0x80) {
      const std::size_t n = (k & 0x7F) + 1;
      if (m - i < n) return exhausted();
      // At most 128 bytes from below outSize: inside the slack.
      std::memcpy(out + o, in + i, n);
      i += n;
      o += n;
      continue;
    }
    if (i >= m) return exhausted();
    const unsigned v = in[i++];
    std::size_t count = (((k & 0x1F) << 8) | v) + 1;
    const std::size_t unit = ((k >> 5) & 3) + 1;
    if (o + count * unit > outSize) count = (outSize - o) / unit;
    if (m - i < unit) return exhausted();
    const std::uint8_t* u = in + i;
    i += unit;
    if (count == 0) continue;
    std::uint8_t* dst = out + o;
    const std::size_t total = count * unit;
    if (unit == 1) {
      std::memset(dst, *u, total);
    } else {
      std::memcpy(dst, u, unit);
      // Double the filled part until the run is complete.
      std::size_t filled = unit;
      while (filled < total) {
        const std::size_t n = std::min(filled, total - filled);
        std::memcpy(dst + filled, dst, n);
        filled += n;
      }
    }
    o += total;
  }
  return {};
}

void runDeltaStage(std::uint8_t* data, std::size_t size) {
  std::uint8_t b = 0, g = 0, r = 0;
  std::size_t p = 0;
#if defined(__SSE2__)
  // Five pixels (15 bytes) per step: a prefix sum over bytes three apart inside the
  // register, plus the running sums carried from the step before. The carry chain is a
  // single add, so the loop runs at the speed of its loads and stores.
  if (size >= 31) {
    const __m128i firstPixel = _mm_setr_epi8(-1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    __m128i carry = _mm_setzero_si128();
    __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    for (; p + 31 <= size; p += 15) {
      // Loaded before the store below overwrites its first byte.
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + 15));
      __m128i v = cur;
      v = _mm_add_epi8(v, _mm_slli_si128(v, 3));
      v = _mm_add_epi8(v, _mm_slli_si128(v, 6));
      v = _mm_add_epi8(v, _mm_slli_si128(v, 12));
      __m128i last = _mm_and_si128(_mm_srli_si128(v, 12), firstPixel);
      last = _mm_or_si128(last, _mm_slli_si128(last, 3));
      last = _mm_or_si128(last, _mm_slli_si128(last, 6));
      last = _mm_or_si128(last, _mm_slli_si128(last, 12));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + p), _mm_add_epi8(v, carry));
      carry = _mm_add_epi8(carry, last);
      cur = next;
    }
    // Put back the byte that the last store ran over.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(data + p), cur);
    const auto sums = static_cast<std::uint32_t>(_mm_cvtsi128_si32(carry));
    b = static_cast<std::uint8_t>(sums);
    g = static_cast<std::uint8_t>(sums >> 8);
    r = static_cast<std::uint8_t>(sums >> 16);
  }
#endif
  for (; p + 3 <= size; p += 3) {
    b = static_cast<std::uint8_t>(b + data[p]);
    g = static_cast<std::uint8_t>(g + data[p + 1]);
    r = static_cast<std::uint8_t>(r + data[p + 2]);
    data[p] = b;
    data[p + 1] = g;
    data[p + 2] = r;
  }
}

}  // namespace

Result<PackedHeader> parsePackedHeader(ByteSpan header, std::string_view file,
                                       std::string_view entry) {
  const Fault fault(file, entry);
  if (header.size() < kPackedHeaderSize)
    return fault("header is " + std::to_string(header.size()) + " bytes, needs 16");
  PackedHeader h;
  h.flags = header[2];
  h.bytesPerPixel = header[3];
  h.compressedSize = loadI32(&header[4]);
  h.stageSize = loadI32(&header[8]);
  h.width = loadU16(&header[12]);
  h.height = loadU16(&header[14]);

  if (h.bytesPerPixel != 3)
    return fault(std::to_string(h.bytesPerPixel) + " bytes per pixel (only 3 is known)");
  if (h.width == 0 || h.height == 0) return fault("empty picture " + sizeText(h.width, h.height));
  if (h.width > kMaxPictureSide || h.height > kMaxPictureSide)
    return fault(sizeText(h.width, h.height) + " is larger than " +
                 sizeText(kMaxPictureSide, kMaxPictureSide));
  if (h.compressedSize < 0)
    return fault("negative compressed length " + std::to_string(h.compressedSize));
  if (h.runLength() && h.stageSize < 0)
    return fault("negative run-length input length " + std::to_string(h.stageSize));

  const std::uint64_t c = static_cast<std::uint64_t>(h.compressedSize);
  const std::uint64_t t = h.dictionarySize();
  if (t > maxDictionaryOutput(c))
    return fault(std::to_string(c) + " bytes of compressed data cannot produce " +
                 std::to_string(t) + " bytes");
  if (h.runLength() && h.rawSize() > maxRunLengthOutput(t))
    return fault(std::to_string(t) + " bytes of run-length data cannot produce " +
                 sizeText(h.width, h.height));
  return h;
}

Status decodePicture(ByteSpan packed, Surface& target, std::string_view file,
                     std::string_view entry) {
  const Fault fault(file, entry);
  auto parsed = parsePackedHeader(packed, file, entry);
  if (!parsed) return parsed.error();
  const PackedHeader& h = *parsed;
  const std::size_t c = static_cast<std::size_t>(h.compressedSize);
  if (packed.size() - kPackedHeaderSize < c)
    return fault("compressed data is " + std::to_string(c) + " bytes but only " +
                 std::to_string(packed.size() - kPackedHeaderSize) + " are there");
  const ByteSpan compressed = packed.subspan(kPackedHeaderSize, c);
  const std::size_t s = h.rawSize();
  const std::size_t t = h.dictionarySize();

  Bytes work(t + kSlack);
  if (std::string why = runDictionaryStage(compressed, work.data(), t); !why.empty())
    return fault(std::move(why));
  if (h.runLength()) {
    Bytes expanded(s + kSlack);
    if (std::string why = runRunLengthStage(ByteSpan(work.data(), t), expanded.data(), s);
        !why.empty())
      return fault(std::move(why));
    work = std::move(expanded);
  }
  if (h.delta()) runDeltaStage(work.data(), s);

  const int w = h.width;
  const int rowBytes = w * 3;
  Surface out;
  if (Surface::strideFor(w) == rowBytes) {
    // Rows need no padding: the working buffer already is the bitmap.
    work.resize(s);
    out.width = w;
    out.height = h.height;
    out.stride = rowBytes;
    out.pixels = std::move(work);
  } else {
    out.resize(w, h.height);
    for (int y = 0; y < h.height; ++y)
      std::memcpy(out.row(y), work.data() + std::size_t(y) * rowBytes, rowBytes);
  }
  target = std::move(out);
  return success();
}

}  // namespace torvan
