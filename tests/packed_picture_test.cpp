// Packed pictures: streams assembled by hand here (independently of the encoder) decode
// to the bytes the format defines; the encoder's output decodes back to its input;
// damaged streams fail without touching the target.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "archive/packed_picture.h"
#include "archive/packed_picture_encoder.h"

namespace torvan {
namespace {

Bytes seq(std::size_t n, std::uint32_t seed = 1) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<std::uint8_t>(seed >> 16);
  }
  return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes repeat(std::uint8_t b, std::size_t n) {
  return Bytes(n, b);
}

// The dictionary stage's item stream, written from the format's description: a flag byte
// before every eight items, top bit first, set for code items.
class Items {
 public:
  Items& lit(const Bytes& bytes) {
    for (std::uint8_t b : bytes) items_.push_back({false, {b}});
    return *this;
  }
  Items& code(const Bytes& raw) {
    items_.push_back({true, raw});
    return *this;
  }
  Items& run(const Bytes& bytes) {  // 9..40 literal bytes behind one code
    return code(cat({{static_cast<std::uint8_t>(((bytes.size() - 9) << 2) | 3)}, bytes}));
  }
  // Literals in runs of 40 where possible.
  Items& literals(const Bytes& bytes) {
    std::size_t i = 0;
    for (; bytes.size() - i >= 9; i += std::min<std::size_t>(40, bytes.size() - i))
      run(Bytes(bytes.begin() + i,
                bytes.begin() + i + std::min<std::size_t>(40, bytes.size() - i)));
    return lit(Bytes(bytes.begin() + i, bytes.end()));
  }
  Items& shortMatch(int d, int n) {
    return code({static_cast<std::uint8_t>(((d - 1) << 2) | (n - 2))});
  }
  Items& midMatch(int d, int n) {
    return code({static_cast<std::uint8_t>(0x80 | ((d - 1) >> 4)),
                 static_cast<std::uint8_t>(((d - 1) & 15) << 4 | (n - 3))});
  }
  Items& longMatch(int d, int x) {
    return code({static_cast<std::uint8_t>(0xC0 | ((d - 1) >> 8)),
                 static_cast<std::uint8_t>((d - 1) & 0xFF), static_cast<std::uint8_t>(x)});
  }
  Bytes bytes() const {
    Bytes out;
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (i % 8 == 0) {
        std::uint8_t flags = 0;
        for (std::size_t k = 0; k < 8 && i + k < items_.size(); ++k)
          if (items_[i + k].code) flags |= static_cast<std::uint8_t>(0x80 >> k);
        out.push_back(flags);
      }
      out.insert(out.end(), items_[i].raw.begin(), items_[i].raw.end());
    }
    return out;
  }

 private:
  struct Item {
    bool code;
    Bytes raw;
  };
  std::vector<Item> items_;
};

// Run-length stage data, byte by byte.
class Runs {
 public:
  Runs& lit(const Bytes& bytes) {  // 1..128 bytes
    out_.push_back(static_cast<std::uint8_t>(bytes.size() - 1));
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  Runs& rep(const Bytes& unit, int count) {
    const int r = count - 1;
    out_.push_back(static_cast<std::uint8_t>(0x80 | ((unit.size() - 1) << 5) | (r >> 8)));
    out_.push_back(static_cast<std::uint8_t>(r & 0xFF));
    out_.insert(out_.end(), unit.begin(), unit.end());
    return *this;
  }
  const Bytes& bytes() const { return out_; }

 private:
  Bytes out_;
};

Bytes entry(std::uint8_t flags, int w, int h, const Bytes& compressed, std::int32_t m = 0,
            std::uint8_t bpp = 3) {
  Bytes out(kPackedHeaderSize);
  out[2] = flags;
  out[3] = bpp;
  storeI32(&out[4], static_cast<std::int32_t>(compressed.size()));
  storeI32(&out[8], m);
  out[12] = std::uint8_t(w);
  out[13] = std::uint8_t(w >> 8);
  out[14] = std::uint8_t(h);
  out[15] = std::uint8_t(h >> 8);
  out.insert(out.end(), compressed.begin(), compressed.end());
  return out;
}

// A run-length stream carried through the dictionary stage as plain literals.
Bytes runLengthEntry(std::uint8_t flags, int w, int h, const Runs& runs) {
  const Bytes& m = runs.bytes();
  return entry(flags | kPackedRunLength, w, h, Items().literals(m).bytes(),
               static_cast<std::int32_t>(m.size()));
}

// The picture's pixels without row padding.
Bytes pixelsOf(const Surface& s) {
  Bytes out;
  for (int y = 0; y < s.height; ++y) out.insert(out.end(), s.row(y), s.row(y) + s.width * 3);
  return out;
}

::testing::AssertionResult decodesTo(const Bytes& packed, int w, int h, const Bytes& expected) {
  Surface s;
  Status st = decodePicture(packed, s, "test.tvn", "PIC");
  if (!st) return ::testing::AssertionFailure() << st.error().text();
  if (s.width != w || s.height != h)
    return ::testing::AssertionFailure() << "size " << s.width << "x" << s.height;
  if (s.stride != Surface::strideFor(w) || s.pixels.size() != std::size_t(s.stride) * h)
    return ::testing::AssertionFailure() << "bitmap layout: stride " << s.stride;
  Bytes got = pixelsOf(s);
  if (got != expected) {
    std::size_t i = 0;
    while (i < got.size() && i < expected.size() && got[i] == expected[i]) ++i;
    return ::testing::AssertionFailure() << "first difference at byte " << i;
  }
  return ::testing::AssertionSuccess();
}

// A picture with what photographs and painted backgrounds have: smooth gradients, grain
// and flat shapes with hard edges.
Surface naturalPicture(int w, int h, std::uint32_t seed) {
  Surface s;
  s.resize(w, h);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = s.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = int(seed >> 29) - 4;
      const double fx = double(x) / std::max(1, w), fy = double(y) / std::max(1, h);
      int b = int(90 + 80 * fy + 40 * std::sin(fx * 6.0)) + noise;
      int g = int(60 + 120 * fx * fy) + noise;
      int r = int(200 - 100 * fx + 30 * std::cos(fy * 9.0)) + noise;
      const int dx = x - w / 3, dy = y - h / 2;
      if (dx * dx + dy * dy < (w * h) / 20) b = 30, g = 160, r = 220;  // a flat disc
      if (x > w / 2 && x < w / 2 + w / 5 && y > h / 5 && y < h / 2) b = g = r = 245;
      p[0] = std::uint8_t(std::clamp(b, 0, 255));
      p[1] = std::uint8_t(std::clamp(g, 0, 255));
      p[2] = std::uint8_t(std::clamp(r, 0, 255));
    }
  }
  return s;
}

// --- hand-assembled streams ----------------------------------------------------------

struct DictionaryCase {
  const char* name;
  Bytes compressed;
  Bytes expected;
};

TEST(PackedPicture, DictionaryStageCodes) {
  const Bytes pre1040 = seq(1040, 7);
  const Bytes pre16400 = seq(16400, 9);
  const Bytes nine = seq(9, 3), forty = seq(40, 4);
  const DictionaryCase cases[] = {
      {"single literals", Items().lit({1, 2, 3, 4, 5, 6}).bytes(), {1, 2, 3, 4, 5, 6}},
      {"short match D=1 N=4 repeats the byte before",
       Items().lit({0x41}).shortMatch(1, 4).lit({7}).bytes(),
       {0x41, 0x41, 0x41, 0x41, 0x41, 7}},
      {"overlapping short match repeats a pattern",
       Items().lit({1, 2}).shortMatch(2, 4).bytes(),
       {1, 2, 1, 2, 1, 2}},
      {"short match D=32 N=2", Items().run(seq(32)).shortMatch(32, 2).lit({8, 9}).bytes(),
       cat({seq(32), {seq(32)[0], seq(32)[1], 8, 9}})},
      {"code byte 0x03 is a literal run of 9", Items().code(cat({{0x03}, nine})).bytes(), nine},
      {"code byte 0x7F is a literal run of 40",
       Items().code(cat({{0x7F}, forty})).lit({1, 2}).bytes(), cat({forty, {1, 2}})},
      {"mid match D=1 N=3", Items().lit({5, 6, 7}).midMatch(1, 3).bytes(), {5, 6, 7, 7, 7, 7}},
      {"mid match D=1024 N=18", Items().literals(pre1040).midMatch(1024, 18).lit({0}).bytes(),
       cat({pre1040, Bytes(pre1040.begin() + 16, pre1040.begin() + 34), {0}})},
      {"long match length byte 255 copies 4096",
       Items().lit({9}).longMatch(1, 255).lit({1}).bytes(), cat({repeat(9, 4097), {1}})},
      {"long match length byte 252 copies 255", Items().lit({1, 2, 3}).longMatch(3, 252).bytes(),
       [] {
         Bytes b;
         for (int i = 0; i < 86; ++i) b.insert(b.end(), {1, 2, 3});
         return b;
       }()},
      {"length bytes 253 and 254 copy 256 and 1024",
       Items().lit({5}).longMatch(1, 253).longMatch(1, 254).bytes(), repeat(5, 1281)},
      {"long match at the full distance of 16384",
       Items().literals(pre16400).longMatch(16384, 0).lit({0}).bytes(),
       cat({pre16400, Bytes(pre16400.begin() + 16, pre16400.begin() + 19), {0}})},
  };
  for (const DictionaryCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.expected.size() % 3, 0u);
    const int w = int(c.expected.size() / 3);
    EXPECT_TRUE(decodesTo(entry(0, w, 1, c.compressed), w, 1, c.expected));
  }
}

TEST(PackedPicture, FlagByteAfterTheLastItemIsOptional) {
  // Exactly eight items fill the picture; a writer may or may not add the flag byte that
  // a reader fetches after them.
  Bytes stream = Items().lit({1, 2, 3, 4, 5, 6}).shortMatch(1, 2).lit({9}).bytes();
  const Bytes expected = {1, 2, 3, 4, 5, 6, 6, 6, 9};
  EXPECT_TRUE(decodesTo(entry(0, 3, 1, stream), 3, 1, expected));
  stream.push_back(0);
  EXPECT_TRUE(decodesTo(entry(0, 3, 1, stream), 3, 1, expected));
}

TEST(PackedPicture, LastCopyMayRunIntoTheSlack) {
  // 258 bytes for a 255-byte picture: the overrun is dropped.
  Bytes pattern;
  for (int i = 0; i < 85; ++i) pattern.insert(pattern.end(), {1, 2, 3});
  EXPECT_TRUE(
      decodesTo(entry(0, 85, 1, Items().lit({1, 2, 3}).longMatch(3, 252).bytes()), 85, 1, pattern));
}

TEST(PackedPicture, RunLengthStage) {
  struct Case {
    const char* name;
    Runs runs;
    int w;
    Bytes expected;
  };
  const Case cases[] = {
      {"unit of 3 twice",
       Runs().rep({0x10, 0x20, 0x30}, 2),
       2,
       {0x10, 0x20, 0x30, 0x10, 0x20, 0x30}},
      {"a repeat running past the end is cut to whole units",
       Runs().lit({1}).rep({7, 8}, 10).lit({9}),
       2,
       {1, 7, 8, 7, 8, 9}},
      {"unit of 4", Runs().rep({1, 2, 3, 4}, 3), 4, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}},
      {"largest count 8192", Runs().rep({5}, 8192).lit({6}), 2731, cat({repeat(5, 8192), {6}})},
      {"literal of 128", Runs().lit(seq(128)).lit({1}), 43, cat({seq(128), {1}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(decodesTo(runLengthEntry(0, c.w, 1, c.runs), c.w, 1, c.expected));
  }
}

TEST(PackedPicture, DeltaStageSumsPerComponentAcrossRows) {
  const Bytes stored = {1, 2, 3, 1, 2, 3};
  const Bytes expected = {1, 2, 3, 2, 4, 6};
  EXPECT_TRUE(decodesTo(entry(kPackedDelta, 2, 1, Items().lit(stored).bytes()), 2, 1, expected));
  EXPECT_TRUE(decodesTo(entry(kPackedDelta, 1, 2, Items().lit(stored).bytes()), 1, 2, expected));
  // Sums wrap modulo 256.
  EXPECT_TRUE(decodesTo(entry(kPackedDelta, 2, 1, Items().lit({0xFF, 0, 0x80, 2, 1, 0x80}).bytes()),
                        2, 1, {0xFF, 0, 0x80, 1, 1, 0}));
  // Both stages: the run-length output is what the delta stage sums.
  EXPECT_TRUE(decodesTo(runLengthEntry(kPackedDelta, 4, 1, Runs().rep({1, 1, 1}, 4)), 4, 1,
                        {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
}

TEST(PackedPicture, UnknownFlagBitsAndHeaderBytesAreIgnored) {
  Bytes e = entry(0x3F, 2, 1, Items().lit({1, 2, 3, 4, 5, 6}).bytes(), 12345);
  e[0] = 0xAB;
  e[1] = 0xCD;
  EXPECT_TRUE(decodesTo(e, 2, 1, {1, 2, 3, 4, 5, 6}));
}

TEST(PackedPicture, NarrowPicturesHaveUnpaddedRowsInTheStream) {
  // Width 1: rows of 3 bytes in the data, 4 in the bitmap.
  const Bytes pixels = seq(9);
  Surface s;
  ASSERT_TRUE(decodePicture(entry(0, 1, 3, Items().lit(pixels).bytes()), s));
  ASSERT_EQ(s.stride, 4);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(Bytes(s.row(y), s.row(y) + 3),
              Bytes(pixels.begin() + 3 * y, pixels.begin() + 3 * y + 3));
    EXPECT_EQ(s.row(y)[3], 0);
  }
}

// A deliberately simple writer of its own: delta and run-length stages done plainly, the
// dictionary stage using the row above, runs of one byte and literal runs.
Bytes simpleWriter(const Surface& picture, std::uint8_t flags) {
  Bytes data = pixelsOf(picture);
  const std::size_t rowBytes = std::size_t(picture.width) * 3;
  if (flags & kPackedDelta)
    for (std::size_t p = data.size(); p-- > 3;) data[p] = std::uint8_t(data[p] - data[p - 3]);
  if (flags & kPackedRunLength) {
    Runs runs;
    std::size_t p = 0;
    while (p < data.size()) {
      std::size_t n = 1;
      while (p + n < data.size() && n < 8192 && data[p + n] == data[p]) ++n;
      if (n >= 4) {
        runs.rep({data[p]}, int(n));
        p += n;
      } else {
        std::size_t k = std::min<std::size_t>(data.size() - p, 1 + (p * 7919 % 128));
        runs.lit(Bytes(data.begin() + p, data.begin() + p + k));
        p += k;
      }
    }
    data = runs.bytes();
  }
  Items items;
  Bytes pending;
  auto flush = [&] {
    items.literals(pending);
    pending.clear();
  };
  std::size_t p = 0;
  while (p < data.size()) {
    std::size_t above = 0;
    if (!(flags & kPackedRunLength) && p >= rowBytes && rowBytes <= 16384)
      while (p + above < data.size() && above < 4096 &&
             data[p + above] == data[p + above - rowBytes])
        ++above;
    std::size_t same = 0;
    if (p >= 1)
      while (p + same < data.size() && same < 4 && data[p + same] == data[p - 1]) ++same;
    if (above >= 3) {
      flush();
      std::size_t n = above;
      if (rowBytes <= 1024 && n <= 18) {
        items.midMatch(int(rowBytes), int(n));
      } else {
        int x = n >= 4096   ? 255
                : n >= 1024 ? 254
                : n >= 256  ? 253
                            : int(std::min<std::size_t>(n, 255)) - 3;
        n = x == 255 ? 4096 : x == 254 ? 1024 : x == 253 ? 256 : std::size_t(x) + 3;
        items.longMatch(int(rowBytes), x);
      }
      p += n;
    } else if (same >= 2) {
      flush();
      items.shortMatch(1, int(same));
      p += same;
    } else {
      pending.push_back(data[p++]);
    }
  }
  flush();
  const std::int32_t m = (flags & kPackedRunLength) ? static_cast<std::int32_t>(data.size()) : 0;
  return entry(flags, picture.width, picture.height, items.bytes(), m);
}

TEST(PackedPicture, IndependentWriterAllFlagsAndSizes) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 5}, {33, 17}, {341, 4}, {800, 600}};
  for (auto [w, h] : sizes) {
    Surface picture = naturalPicture(w, h, std::uint32_t(w * 31 + h));
    for (std::uint8_t flags : {0x00, 0x40, 0x80, 0xC0}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " flags " + std::to_string(flags));
      EXPECT_TRUE(decodesTo(simpleWriter(picture, flags), w, h, pixelsOf(picture)));
    }
  }
}

// --- the encoder ----------------------------------------------------------------------

TEST(PackedPictureEncoder, RoundTripsEveryFlagCombination) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {7, 5}, {33, 17}, {255, 3}, {800, 600}};
  for (auto [w, h] : sizes) {
    Surface picture = naturalPicture(w, h, std::uint32_t(w + h * 7));
    for (PackOptions options : {PackOptions{false, false}, PackOptions{true, false},
                                PackOptions{false, true}, PackOptions{true, true}}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " rle " +
                   std::to_string(options.runLength) + " delta " + std::to_string(options.delta));
      auto packed = encodePicture(picture, options);
      ASSERT_TRUE(packed) << packed.error().text();
      EXPECT_TRUE(decodesTo(*packed, w, h, pixelsOf(picture)));
    }
  }
}

TEST(PackedPictureEncoder, CompressesNaturalAndFlatPictures) {
  const Surface natural = naturalPicture(800, 600, 42);
  const std::size_t raw = 800 * 600 * 3;
  for (PackOptions options : {PackOptions{false, false}, PackOptions{true, true}}) {
    auto packed = encodePicture(natural, options);
    ASSERT_TRUE(packed);
    EXPECT_LT(packed->size(), raw * 3 / 4);
  }
  auto delta = encodePicture(natural, {false, true});
  auto plain = encodePicture(natural, {false, false});
  EXPECT_LT(delta->size(), plain->size());

  Surface flat;
  flat.resize(640, 480);
  flat.fill(10, 20, 30);
  auto packed = encodePicture(flat, {});
  ASSERT_TRUE(packed);
  EXPECT_LT(packed->size(), 2000u);
  EXPECT_TRUE(decodesTo(*packed, 640, 480, pixelsOf(flat)));
}

// Tallies the code kinds of a dictionary stream producing `size` bytes.
std::vector<int> codeKinds(ByteSpan c, std::size_t size) {
  enum { Literal, Run, Short, Mid, Long, Long256, Long1024, Long4096, Kinds };
  std::vector<int> count(Kinds);
  std::size_t i = 0, o = 0;
  unsigned flags = 0;
  for (int item = 0; o < size; ++item) {
    if (item % 8 == 0) flags = c[i++];
    const bool isCode = flags & (0x80 >> (item % 8));
    if (!isCode) {
      ++count[Literal], ++i, ++o;
      continue;
    }
    const unsigned u = c[i++];
    if (u < 0x80 && (u & 3) == 3) {
      ++count[Run], i += (u >> 2) + 9, o += (u >> 2) + 9;
    } else if (u < 0x80) {
      ++count[Short], o += (u & 3) + 2;
    } else if (u < 0xC0) {
      ++count[Mid], o += (c[i++] & 15) + 3;
    } else {
      const unsigned x = c[i + 1];
      i += 2;
      const std::size_t n = x == 255 ? 4096 : x == 254 ? 1024 : x == 253 ? 256 : x + 3;
      ++count[n == 4096 ? Long4096 : n == 1024 ? Long1024 : n == 256 ? Long256 : Long];
      o += n;
    }
  }
  return count;
}

TEST(PackedPictureEncoder, UsesEveryCodeKind) {
  // Noise for literal runs, grain for short and mid matches, flat areas for long ones.
  Surface picture = naturalPicture(800, 600, 5);
  for (int y = 0; y < 600; ++y) {
    std::uint8_t* p = picture.row(y);
    if (y < 100) std::memset(p, 77, 2400);
    if (y >= 500) std::memcpy(p, seq(2400, std::uint32_t(y)).data(), 2400);
  }
  auto packed = encodePicture(picture, {});
  ASSERT_TRUE(packed);
  const std::vector<int> kinds = codeKinds(ByteSpan(*packed).subspan(16), 800 * 600 * 3);
  for (std::size_t k = 0; k < kinds.size(); ++k) EXPECT_GT(kinds[k], 0) << "code kind " << k;
}

// --- damage -----------------------------------------------------------------------------

TEST(PackedPicture, DamagedStreamsFailAndLeaveTheTargetAlone) {
  const Bytes six = Items().lit({1, 2, 3, 4, 5, 6}).bytes();
  Bytes shortC = entry(0, 2, 1, six);
  storeI32(&shortC[4], 100);
  Bytes negativeC = entry(0, 2, 1, six);
  storeI32(&negativeC[4], -1);
  const struct {
    const char* name;
    Bytes packed;
  } cases[] = {
      {"header cut short", Bytes(shortC.begin(), shortC.begin() + 10)},
      {"4 bytes per pixel", entry(0, 2, 1, six, 0, 4)},
      {"zero width", entry(0, 0, 1, six)},
      {"wider than 16384", entry(0, 16385, 1, six)},
      {"compressed length beyond the data", shortC},
      {"negative compressed length", negativeC},
      {"size that the data cannot produce", entry(0, 16384, 16384, Items().lit({1}).bytes())},
      {"negative run-length length", entry(kPackedRunLength, 2, 1, six, -5)},
      {"match before the start",
       entry(0, 2, 1, Items().shortMatch(1, 2).lit({1, 2, 3, 4}).bytes())},
      {"match distance past what was produced",
       entry(0, 2, 1, Items().lit({1, 2}).longMatch(3, 1).bytes())},
      {"data ends before the picture", entry(0, 2, 1, Items().lit({1, 2, 3, 4, 5}).bytes())},
      {"code byte without its operands", entry(0, 2, 1, Items().lit({1}).code({0xC0, 0}).bytes())},
      {"copy far past the slack", entry(0, 1, 1, Items().lit({1}).longMatch(1, 255).bytes())},
      {"run-length data ends early", runLengthEntry(0, 2, 1, Runs().lit({1, 2, 3}))},
      {"run-length literal cut", entry(kPackedRunLength, 2, 1, Items().lit({5, 1, 2}).bytes(), 3)},
      {"run-length input longer than the dictionary output",
       entry(kPackedRunLength, 2, 1, Items().lit({5, 1, 2, 3, 4, 5, 6}).bytes(), 9)},
  };
  Surface before;
  before.resize(5, 5);
  before.fill(1, 2, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Surface target = before;
    Status st = decodePicture(c.packed, target, "qz_gra.tvn", "A01");
    ASSERT_FALSE(st);
    EXPECT_EQ(st.error().file, "qz_gra.tvn");
    EXPECT_EQ(st.error().entry, "A01");
    EXPECT_EQ(target.width, 5);
    EXPECT_EQ(target.pixels, before.pixels);
  }
}

TEST(PackedPicture, CutStreamsNeverDecodeToWrongPixels) {
  const Surface picture = naturalPicture(33, 17, 3);
  for (PackOptions options : {PackOptions{false, false}, PackOptions{true, true}}) {
    const Bytes full = *encodePicture(picture, options);
    const std::int32_t c = loadI32(&full[4]);
    for (std::int32_t cut = 1; cut <= c; ++cut) {
      Bytes damaged(full.begin(), full.end() - cut);
      storeI32(&damaged[4], c - cut);
      Surface out;
      if (decodePicture(damaged, out)) {
        // Only a flag byte that follows the last item can go unmissed.
        EXPECT_EQ(cut, 1);
        EXPECT_EQ(pixelsOf(out), pixelsOf(picture));
      }
    }
  }
}

}  // namespace
}  // namespace torvan
