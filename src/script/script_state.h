// The interpreter-wide values: scenario buffers, program counter, line buffer, the call
// stack, the insertion text and the choice list. Saves store and restore them as one
// block.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace torvan {

// A NUL-terminated name field of fixed width, as saves store it.
template <std::size_t N>
std::string fieldString(const std::array<char, N>& field) {
  return std::string(field.data(), strnlen(field.data(), N));
}
template <std::size_t N>
void setField(std::array<char, N>& field, std::string_view text) {
  field.fill(0);
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  text.copy(field.data(), std::min(text.size(), N - 1));
}

struct CallFrame {
  std::array<char, 30> name{};  // NUL-terminated scenario name
  std::int32_t offset = 0;      // where to continue in the caller
};

// The choices offered by "select" and "clickmap " (and the selection tree's click).
struct ChoiceList {
  static constexpr int kMax = 32;
  static constexpr int kTextBytes = 65;  // 63 bytes of text and its NUL, as stored

  std::int32_t count = 0;
  std::array<std::array<char, kTextBytes>, kMax> texts{};
  std::array<std::int32_t, kMax> targets{};
  // Click areas (full-screen text and click map) and click-map label boxes, as
  // x1, y1, x2, y2.
  std::array<std::array<std::int32_t, 4>, kMax> rects{};
  std::array<std::array<std::int32_t, 4>, kMax> labelBoxes{};
  // A click-map area that is defined and whose condition held.
  std::array<std::uint8_t, kMax> used{};
  // "#" areas: the second rectangle of the highlight picture and where it is shown.
  std::array<std::array<std::int32_t, 4>, kMax> partsRects{};
  std::array<std::array<std::int32_t, 2>, kMax> partsAt{};
  std::int32_t endOffset = 0;
  std::int32_t hovered = -1;  // 1-based, 0 none, -1 not computed yet
  std::int32_t left = 0, top = 0, width = 0;

  void clear() { *this = ChoiceList{}; }
};

struct ScriptState {
  static constexpr std::size_t kBufferBytes = 262144;
  static constexpr std::size_t kLineBytes = 2048;
  static constexpr int kMaxDepth = 9;
  static constexpr std::size_t kInsertionBytes = 64;
  // One byte per choice taken while recording; the selection tree reads it back.
  static constexpr std::size_t kRecordBytes = 1024;

  Bytes scenario;   // the running scenario, allocated once at start-up
  Bytes auxiliary;  // data scenarios (screens and effects) are read into this one
  std::int32_t size = 0;
  std::int32_t auxSize = 0;
  std::int32_t pc = 0;
  std::int32_t lineStart = 0;
  bool loaded = false;
  std::array<char, kLineBytes> line{};
  std::int32_t column = 0;
  bool nextLine = false;
  std::array<CallFrame, kMaxDepth> stack{};
  std::int32_t depth = 0;
  std::array<char, 30> current{};     // current scenario name
  std::array<char, 30> loadedName{};  // the last scenario loaded into the scenario buffer

  // Text inserted into the running line ("[?", "[$", the full-width name sequence);
  // insertionPos < insertionLength while some is pending.
  std::array<char, kInsertionBytes> insertion{};
  std::int32_t insertionPos = 0;
  std::int32_t insertionLength = 0;

  ChoiceList choices;
  std::array<std::uint8_t, kRecordBytes> record{};
  std::array<char, 30> recordStart{};  // the scenario loaded when "rec" ran

  // What the scene commands asked for last; saves keep both.
  std::array<char, 60> sprites{};  // the argument of the last "spr "
  bool lastWasGrb = false;

  // Lines one step may run without yielding before it yields anyway (a guard against
  // scripts that loop without waiting).
  std::int64_t maxLinesPerStep = 1000000;

  void allocate() {
    scenario.assign(kBufferBytes, 0);
    auxiliary.assign(kBufferBytes, 0);
  }
  std::string currentName() const { return fieldString(current); }
  void setCurrentName(std::string_view name) { setField(current, name); }
  bool insertionPending() const { return insertionPos < insertionLength; }
  void clearInsertion() { insertionPos = insertionLength = 0; }
};

}  // namespace torvan
