#include "archive/packed_picture_encoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/packed_picture.h"

namespace torvan {

namespace {

constexpr std::size_t kWindow = 16384;
constexpr std::size_t kMaxMatch = 4096;
constexpr int kHashBits = 15;
// Enough candidates to find the row above and the repeats within it on natural
// pictures without making the coder crawl on flat ones.
constexpr int kChainDepth = 48;
// A match this long is taken at once: longer searching cannot gain much more.
constexpr std::size_t kGoodEnough = 1024;
// Bytes a match must save over plain bytes to be used. Matches that save a single byte
// make the stream a few percent smaller but cost the decoder an unpredictable branch
// each; on grainy pictures they halve its speed.
constexpr int kMinGain = 2;

struct Match {
  std::size_t length = 0;  // bytes the chosen code covers (0 = none)
  std::size_t distance = 0;
  int cost = 0;  // code bytes
  int gain() const { return length ? int(length) - cost : 0; }
};

// Picks the cheapest code for a match of `length` bytes found `distance` bytes back.
Match chooseCode(std::size_t length, std::size_t distance) {
  Match best;
  auto consider = [&](std::size_t covered, int cost) {
    Match m{covered, distance, cost};
    if (m.gain() > best.gain() || (m.gain() == best.gain() && covered > best.length)) best = m;
  };
  if (distance <= 32 && length >= 2) consider(std::min<std::size_t>(length, 4), 1);
  if (length >= 3) {
    if (distance <= 1024) consider(std::min<std::size_t>(length, 18), 2);
    std::size_t covered = length >= 4096   ? 4096
                          : length >= 1024 ? 1024
                          : length >= 256  ? 256
                                           : length;
    consider(covered, 3);
  }
  return best;
}

class MatchFinder {
 public:
  explicit MatchFinder(ByteSpan data)
      : data_(data), head_(std::size_t(1) << kHashBits, kNone), prev_(kWindow, kNone) {}

  // Positions are inserted in order; every position must be inserted once.
  void insert(std::size_t p) {
    if (p + 3 > data_.size()) return;
    const std::uint32_t h = hash(p);
    prev_[p & (kWindow - 1)] = head_[h];
    head_[h] = static_cast<std::int64_t>(p);
  }

  Match find(std::size_t p) const {
    Match best;
    const std::size_t n = data_.size();
    if (p + 3 > n) return best;
    const std::size_t maxLength = std::min(kMaxMatch, n - p);
    const std::uint8_t* cur = data_.data() + p;
    {
      std::int64_t candidate = head_[hash(p)];
      for (int depth = 0; depth < kChainDepth && candidate != kNone; ++depth) {
        const std::size_t c = static_cast<std::size_t>(candidate);
        if (c >= p || p - c > kWindow) break;
        const std::uint8_t* ref = data_.data() + c;
        if (ref[0] == cur[0] && ref[1] == cur[1] && ref[2] == cur[2]) {
          std::size_t len = 3;
          while (len < maxLength && ref[len] == cur[len]) ++len;
          Match m = chooseCode(len, p - c);
          if (m.gain() > best.gain()) best = m;
          if (len >= kGoodEnough) break;
        }
        const std::int64_t next = prev_[c & (kWindow - 1)];
        if (next >= candidate) break;  // the slot was reused by a newer position
        candidate = next;
      }
    }
    return best;
  }

 private:
  static constexpr std::int64_t kNone = -1;

  std::uint32_t hash(std::size_t p) const {
    const std::uint8_t* q = data_.data() + p;
    const std::uint32_t v = std::uint32_t(q[0]) << 16 | std::uint32_t(q[1]) << 8 | q[2];
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  ByteSpan data_;
  std::vector<std::int64_t> head_;
  std::vector<std::int64_t> prev_;
};

// Items behind one flag byte per eight, consumed from the top bit down.
class ItemWriter {
 public:
  explicit ItemWriter(Bytes& out) : out_(out) {}

  void literal(std::uint8_t b) {
    start(false);
    out_.push_back(b);
  }
  void literalRun(const std::uint8_t* p, std::size_t n) {  // 9..40 bytes
    start(true);
    out_.push_back(static_cast<std::uint8_t>(((n - 9) << 2) | 3));
    out_.insert(out_.end(), p, p + n);
  }
  void match(const Match& m) {
    start(true);
    const std::size_t d = m.distance - 1;
    const std::size_t n = m.length;
    if (m.cost == 1) {
      out_.push_back(static_cast<std::uint8_t>((d << 2) | (n - 2)));
    } else if (m.cost == 2) {
      out_.push_back(static_cast<std::uint8_t>(0x80 | (d >> 4)));
      out_.push_back(static_cast<std::uint8_t>(((d & 15) << 4) | (n - 3)));
    } else {
      out_.push_back(static_cast<std::uint8_t>(0xC0 | (d >> 8)));
      out_.push_back(static_cast<std::uint8_t>(d & 0xFF));
      out_.push_back(static_cast<std::uint8_t>(n == 4096   ? 255
                                               : n == 1024 ? 254
                                               : n == 256  ? 253
                                                           : n - 3));
    }
  }
  // Readers fetch the next flag byte after every eighth item, even at the very end.
  void finish() {
    if (count_ == 8 && !out_.empty()) out_.push_back(0);
  }

 private:
  void start(bool code) {
    if (count_ == 8) {
      flagAt_ = out_.size();
      out_.push_back(0);
      count_ = 0;
    }
    if (code) out_[flagAt_] |= static_cast<std::uint8_t>(0x80 >> count_);
    ++count_;
  }

  Bytes& out_;
  std::size_t flagAt_ = 0;
  int count_ = 8;
};

void flushLiterals(ItemWriter& writer, const std::uint8_t* p, std::size_t n) {
  // A run code costs one byte but saves a flag bit per byte: it pays from 9 bytes on.
  while (n >= 9) {
    const std::size_t k = std::min<std::size_t>(n, 40);
    writer.literalRun(p, k);
    p += k;
    n -= k;
  }
  for (std::size_t i = 0; i < n; ++i) writer.literal(p[i]);
}

}  // namespace

Bytes compressDictionary(ByteSpan raw) {
  Bytes out;
  out.reserve(raw.size() / 2 + 64);
  ItemWriter writer(out);
  MatchFinder finder(raw);
  const std::size_t n = raw.size();
  std::size_t literalStart = 0;
  std::size_t p = 0;
  std::size_t inserted = 0;
  auto insertUpTo = [&](std::size_t end) {
    for (; inserted < end; ++inserted) finder.insert(inserted);
  };

  while (p < n) {
    insertUpTo(p);
    Match m = finder.find(p);
    if (m.gain() >= kMinGain && p + 1 < n) {
      // One step of lazy evaluation: a clearly better match starting at the next byte
      // wins over this one.
      insertUpTo(p + 1);
      Match next = finder.find(p + 1);
      if (next.gain() > m.gain() + 1) m = Match{};
    }
    if (m.gain() < kMinGain) {
      ++p;
      continue;
    }
    flushLiterals(writer, raw.data() + literalStart, p - literalStart);
    writer.match(m);
    p += m.length;
    literalStart = p;
  }
  flushLiterals(writer, raw.data() + literalStart, n - literalStart);
  writer.finish();
  return out;
}

Bytes compressRunLength(ByteSpan raw) {
  Bytes out;
  out.reserve(raw.size() + raw.size() / 64 + 16);
  const std::size_t n = raw.size();
  std::size_t literalStart = 0;
  auto flush = [&](std::size_t end) {
    while (literalStart < end) {
      const std::size_t k = std::min<std::size_t>(end - literalStart, 128);
      out.push_back(static_cast<std::uint8_t>(k - 1));
      out.insert(out.end(), raw.begin() + literalStart, raw.begin() + literalStart + k);
      literalStart += k;
    }
  };

  std::size_t p = 0;
  while (p < n) {
    std::size_t bestUnit = 0;
    std::size_t bestCount = 0;
    long bestGain = 0;
    for (std::size_t z = 1; z <= 4 && p + 2 * z <= n; ++z) {
      std::size_t count = 1;
      while (count < 8192 && p + (count + 1) * z <= n &&
             std::memcmp(&raw[p], &raw[p + count * z], z) == 0)
        ++count;
      // Breaking a literal run costs another header byte, so demand a margin.
      const long gain = long(count * z) - long(2 + z) - 1;
      if (count >= 2 && gain > bestGain) {
        bestGain = gain;
        bestUnit = z;
        bestCount = count;
      }
    }
    if (bestUnit == 0) {
      ++p;
      continue;
    }
    flush(p);
    const std::size_t r = bestCount - 1;
    out.push_back(static_cast<std::uint8_t>(0x80 | ((bestUnit - 1) << 5) | (r >> 8)));
    out.push_back(static_cast<std::uint8_t>(r & 0xFF));
    out.insert(out.end(), raw.begin() + p, raw.begin() + p + bestUnit);
    p += bestCount * bestUnit;
    literalStart = p;
  }
  flush(n);
  return out;
}

void deltaEncode(std::span<std::uint8_t> pixels) {
  // Back to front, so each byte still sees its original predecessor.
  for (std::size_t p = pixels.size(); p-- > 3;)
    pixels[p] = static_cast<std::uint8_t>(pixels[p] - pixels[p - 3]);
}

Result<Bytes> encodePicture(const Surface& picture, PackOptions options) {
  if (picture.empty()) return Error{"", "", "cannot pack an empty picture"};
  if (picture.width > kMaxPictureSide || picture.height > kMaxPictureSide)
    return Error{"", "",
                 "cannot pack a " + std::to_string(picture.width) + "x" +
                     std::to_string(picture.height) + " picture: at most " +
                     std::to_string(kMaxPictureSide) + " pixels a side"};
  const std::size_t rowBytes = std::size_t(picture.width) * 3;
  Bytes raw(rowBytes * picture.height);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(raw.data() + y * rowBytes, picture.row(y), rowBytes);
  if (options.delta) deltaEncode(raw);

  Bytes stage = options.runLength ? compressRunLength(raw) : Bytes();
  const ByteSpan dictionaryInput = options.runLength ? ByteSpan(stage) : ByteSpan(raw);
  Bytes compressed = compressDictionary(dictionaryInput);
  if (compressed.size() > 0x7FFFFFFFu || dictionaryInput.size() > 0x7FFFFFFFu)
    return Error{"", "", "picture too large for the packed format"};

  ByteWriter w;
  w.u16(0);
  w.u8(static_cast<std::uint8_t>((options.runLength ? kPackedRunLength : 0) |
                                 (options.delta ? kPackedDelta : 0)));
  w.u8(3);
  w.i32(static_cast<std::int32_t>(compressed.size()));
  w.i32(options.runLength ? static_cast<std::int32_t>(stage.size()) : 0);
  w.u16(static_cast<std::uint16_t>(picture.width));
  w.u16(static_cast<std::uint16_t>(picture.height));
  w.bytes(compressed);
  return w.take();
}

}  // namespace torvan
