#include "core/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace torvan {

namespace fs = std::filesystem;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

Result<Bytes> readFile(const std::string& path, std::uint64_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Error{path, "", "cannot open: " + std::string(std::strerror(errno))};
  in.seekg(0, std::ios::end);
  auto size = static_cast<std::uint64_t>(in.tellg());
  if (size > maxBytes)
    return Error{path, "", "file too large (" + std::to_string(size) + " bytes)"};
  in.seekg(0);
  Bytes data(size);
  if (size && !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size)))
    return Error{path, "", "read failed"};
  return data;
}

Status writeFileAtomic(const std::string& path, ByteSpan data) {
  std::error_code ec;
  fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return Error{path, "", "cannot write: " + std::string(std::strerror(errno))};
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      out.close();
      fs::remove(tmp, ec);
      return Error{path, "", "write failed"};
    }
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return Error{path, "", "cannot replace: " + ec.message()};
  }
  return success();
}

}  // namespace torvan
