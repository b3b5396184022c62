#include "save/global_data.h"

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/log.h"

namespace torvan {

namespace {

// One routine walks the layout for both directions, so reading and writing cannot
// drift apart.
template <class Visit>
void walk(Playlists& p, Visit&& visit) {
  std::size_t at = 0;
  for (auto& slot : p.entries)
    for (auto& v : slot) {
      visit.i32(at, v);
      at += 4;
    }
  for (auto& name : p.names) {
    visit.text(at, name);
    at += name.size();
  }
}

struct Reader {
  ByteSpan data;
  void i32(std::size_t at, std::int32_t& v) { v = at + 4 <= data.size() ? loadI32(&data[at]) : 0; }
  void text(std::size_t at, std::array<char, 64>& t) {
    t.fill(0);
    for (std::size_t i = 0; i < t.size() && at + i < data.size(); ++i) t[i] = char(data[at + i]);
    t.back() = 0;
  }
};

struct Writer {
  Bytes& data;
  void i32(std::size_t at, std::int32_t& v) { storeI32(&data[at], v); }
  void text(std::size_t at, std::array<char, 64>& t) {
    for (std::size_t i = 0; i < t.size(); ++i) data[at + i] = std::uint8_t(t[i]);
  }
};

}  // namespace

Status loadPlaylists(const std::string& path, Playlists& out) {
  out.clear();
  if (!fileExists(path)) {
    Bytes zeros(Playlists::kFileBytes, 0);
    if (Status s = writeFileAtomic(path, zeros); !s) return s;
  }
  auto data = readFile(path, 1 << 20);
  if (!data) return data.error();
  if (data->size() != Playlists::kFileBytes)
    warn(path + ": " + std::to_string(data->size()) +
         " bytes instead of 2640; read as far as it goes");
  Reader r{*data};
  walk(out, r);
  return success();
}

Status savePlaylists(const std::string& path, const Playlists& in) {
  Bytes data(Playlists::kFileBytes, 0);
  Writer w{data};
  Playlists copy = in;
  walk(copy, w);
  return writeFileAtomic(path, data);
}

}  // namespace torvan
