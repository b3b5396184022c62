// Helpers shared by the tests: private temporary folders and small file utilities.
#pragma once

#include <string>

#include "core/bytes.h"

namespace torvan::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void writeBytes(const std::string& path, const Bytes& data);
void writeText(const std::string& path, const std::string& text);
Bytes readBytes(const std::string& path);
std::string readText(const std::string& path);

}  // namespace torvan::test
