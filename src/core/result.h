// Fallible operations return Result<T>: a value, or an Error that names the file
// (and, where there is one, the entry) and what is wrong with it.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace torvan {

struct Error {
  std::string file;   // the file the fault is in ("" when there is none)
  std::string entry;  // the archive entry or record inside it ("" when none)
  std::string fault;  // what is wrong, one line

  // "file: entry: fault", leaving out the parts that are empty.
  std::string text() const;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(Error error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Error& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, Error> v_;
};

// For operations that only succeed or fail.
struct Done {};
using Status = Result<Done>;
inline Status success() {
  return Done{};
}

}  // namespace torvan
