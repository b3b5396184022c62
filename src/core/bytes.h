// Bounds-checked little-endian access to byte spans. Every file format is read and
// written through these, never by casting structures over buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace torvan {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

inline std::int32_t loadI32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                   std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}
inline std::uint16_t loadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline void storeI32(std::uint8_t* p, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  p[0] = std::uint8_t(u);
  p[1] = std::uint8_t(u >> 8);
  p[2] = std::uint8_t(u >> 16);
  p[3] = std::uint8_t(u >> 24);
}

// Reads forward through a span; a read past the end sets failed() and yields zeros,
// so a parser can read a whole record and check once.
class ByteReader {
 public:
  explicit ByteReader(ByteSpan data) : data_(data) {}

  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool failed() const { return failed_; }
  void seek(std::size_t pos) {
    if (pos > data_.size()) {
      failed_ = true;
      pos_ = data_.size();
    } else {
      pos_ = pos;
    }
  }

  bool has(std::size_t n) const { return n <= remaining(); }

  std::uint8_t u8() {
    if (!has(1)) return fail<std::uint8_t>();
    return data_[pos_++];
  }
  std::uint16_t u16() {
    if (!has(2)) return fail<std::uint16_t>();
    auto v = loadU16(&data_[pos_]);
    pos_ += 2;
    return v;
  }
  std::int32_t i32() {
    if (!has(4)) return fail<std::int32_t>();
    auto v = loadI32(&data_[pos_]);
    pos_ += 4;
    return v;
  }
  ByteSpan bytes(std::size_t n) {
    if (!has(n)) {
      failed_ = true;
      pos_ = data_.size();
      return {};
    }
    ByteSpan out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }

 private:
  template <class T>
  T fail() {
    failed_ = true;
    pos_ = data_.size();
    return T{};
  }

  ByteSpan data_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// Appends little-endian values to a growing buffer.
class ByteWriter {
 public:
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v) {
    out_.push_back(std::uint8_t(v));
    out_.push_back(std::uint8_t(v >> 8));
  }
  void i32(std::int32_t v) {
    std::uint8_t b[4];
    storeI32(b, v);
    out_.insert(out_.end(), b, b + 4);
  }
  void bytes(ByteSpan s) { out_.insert(out_.end(), s.begin(), s.end()); }
  // A NUL-padded fixed-size text field; the caller has checked that it fits.
  void fixedText(std::string_view s, std::size_t width) {
    std::size_t n = s.size() < width ? s.size() : width;
    out_.insert(out_.end(), s.begin(), s.begin() + n);
    out_.insert(out_.end(), width - n, 0);
  }
  Bytes& buffer() { return out_; }
  Bytes take() { return std::move(out_); }

 private:
  Bytes out_;
};

// The text of a NUL-terminated field (the whole field when it has no NUL).
inline std::string fieldText(ByteSpan field) {
  const void* nul = std::memchr(field.data(), 0, field.size());
  std::size_t n = nul ? static_cast<const std::uint8_t*>(nul) - field.data() : field.size();
  return std::string(reinterpret_cast<const char*>(field.data()), n);
}

}  // namespace torvan
