// The interpreter-wide values: scenario buffers, program counter, line buffer and the
// call stack. Saves store and restore them as one block.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/bytes.h"

namespace torvan {

struct CallFrame {
  std::array<char, 30> name{};  // NUL-terminated scenario name
  std::int32_t offset = 0;      // where to continue in the caller
};

struct ScriptState {
  static constexpr std::size_t kBufferBytes = 262144;
  static constexpr std::size_t kLineBytes = 2048;
  static constexpr int kMaxDepth = 9;

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
  std::array<char, 30> current{};  // current scenario name

  void allocate() {
    scenario.assign(kBufferBytes, 0);
    auxiliary.assign(kBufferBytes, 0);
  }
  std::string currentName() const {
    return std::string(current.data(), strnlen(current.data(), 30));
  }
  void setCurrentName(std::string_view name) {
    current.fill(0);
    name.copy(current.data(), std::min<std::size_t>(name.size(), current.size() - 1));
  }
};

}  // namespace torvan
