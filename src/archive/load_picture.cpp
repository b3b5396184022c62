#include "archive/load_picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "archive/jpeg_picture.h"
#include "archive/packed_picture.h"
#include "core/log.h"
#include "core/sjis.h"

namespace torvan {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// An archive opened at one entry's offset, remembering how much of the file lies after
// it so that no length read from the entry can make us allocate beyond the file.
class EntryReader {
 public:
  EntryReader(const ArchiveIndex& index, std::int32_t at, std::string entryName)
      : index_(index), at_(at), entry_(std::move(entryName)) {}

  Status open() {
    file_.reset(std::fopen(index_.path.c_str(), "rb"));
    if (!file_) return fault("cannot open: " + std::string(std::strerror(errno)));
    const std::int32_t offset = index_.offsets[at_];
    if (offset < 0) return fault("negative offset " + std::to_string(offset));
    if (fseeko(file_.get(), 0, SEEK_END) != 0) return fault("cannot seek");
    const off_t size = ftello(file_.get());
    if (size < 0 || offset > size) return fault("entry starts beyond the end of the archive");
    left_ = static_cast<std::uint64_t>(size - offset);
    if (fseeko(file_.get(), offset, SEEK_SET) != 0) return fault("cannot seek");
    return success();
  }

  // Appends the next n bytes of the entry to `out`.
  Status append(std::uint64_t n, Bytes& out, const char* what) {
    if (n > left_)
      return fault(std::string(what) + " runs " + std::to_string(n - left_) +
                   " bytes past the end of the archive");
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    if (n && std::fread(out.data() + at, 1, static_cast<std::size_t>(n), file_.get()) != n)
      return fault(std::string("cannot read the ") + what);
    left_ -= n;
    return success();
  }

  Error fault(std::string why) const { return Error{index_.path, entry_, std::move(why)}; }
  const std::string& entry() const { return entry_; }

 private:
  const ArchiveIndex& index_;
  std::int32_t at_;
  std::string entry_;
  FilePtr file_;
  std::uint64_t left_ = 0;
};

Status loadJpeg(const ArchiveIndex& index, std::int32_t at, const std::string& entry,
                Bytes& scratch, Surface& target) {
  EntryReader reader(index, at, entry);
  if (Status s = reader.open(); !s) return s;
  const std::int32_t size = index.sizes[at];
  if (size < 0) return reader.fault("negative size " + std::to_string(size));
  if (Status s = reader.append(static_cast<std::uint64_t>(size), scratch, "JPEG data"); !s)
    return s;
  return decodeJpegPicture(scratch, target, index.path, entry);
}

// The entry's size in the index is not consulted: a packed picture says how long it is.
Status loadPacked(const ArchiveIndex& index, std::int32_t at, const std::string& entry,
                  Bytes& scratch, Surface& target) {
  EntryReader reader(index, at, entry);
  if (Status s = reader.open(); !s) return s;
  if (Status s = reader.append(kPackedHeaderSize, scratch, "packed picture header"); !s) return s;
  auto header = parsePackedHeader(scratch, index.path, entry);
  if (!header) return header.error();
  if (Status s = reader.append(static_cast<std::uint64_t>(header->compressedSize), scratch,
                               "packed picture data");
      !s)
    return s;
  return decodePicture(scratch, target, index.path, entry);
}

}  // namespace

bool loadPicture(Archives& archives, std::string_view name, Surface& target) {
  const std::string upper = upperAscii(name);
  Bytes& scratch = archives.scratch.data;

  using Loader =
      Status (*)(const ArchiveIndex&, std::int32_t, const std::string&, Bytes&, Surface&);
  const struct {
    const ArchiveIndex* index;
    Loader load;
  } order[] = {
      {&archives.gjp, loadJpeg},
      {&archives.gra[2], loadPacked},
      {&archives.gra[1], loadPacked},
      {&archives.gra[0], loadPacked},
  };
  for (const auto& source : order) {
    const std::int32_t at = findEntry(*source.index, upper);
    if (at < 0) continue;
    archives.scratch.clear();
    Status loaded = source.load(*source.index, at, sjisToUtf8(upper), scratch, target);
    archives.scratch.clear();
    if (!loaded) {
      warn(loaded.error());
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace torvan
