#include "sound/ogg.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/log.h"

namespace torvan {

namespace {

// Voices are seconds long; this bounds a stream whose length field was forged.
constexpr std::uint64_t kMaxSamples = std::uint64_t{1} << 29;  // 1 GiB of PCM

// The entry's bytes as a file for libvorbisfile.
struct MemoryStream {
  Bytes data;
  std::size_t pos = 0;
};

std::size_t readStream(void* ptr, std::size_t size, std::size_t count, void* source) {
  auto* s = static_cast<MemoryStream*>(source);
  if (size == 0 || count == 0 || s->pos >= s->data.size()) return 0;
  const std::size_t items = std::min(count, (s->data.size() - s->pos) / size);
  std::memcpy(ptr, s->data.data() + s->pos, items * size);
  s->pos += items * size;
  return items;
}

int seekStream(void* source, ogg_int64_t offset, int whence) {
  auto* s = static_cast<MemoryStream*>(source);
  std::int64_t base = 0;
  switch (whence) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<std::int64_t>(s->pos);
      break;
    case SEEK_END:
      base = static_cast<std::int64_t>(s->data.size());
      break;
    default:
      return -1;
  }
  if (offset > std::numeric_limits<std::int64_t>::max() - base) return -1;
  const std::int64_t target = base + offset;
  if (target < 0) return -1;
  s->pos = static_cast<std::size_t>(target);
  return 0;
}

// The stream belongs to decodeOggEntry, which outlives the library's use of it (the
// library does not close the source when opening fails, so it cannot own it).
int closeStream(void*) {
  return 0;
}

long tellStream(void* source) {
  return static_cast<long>(static_cast<MemoryStream*>(source)->pos);
}

std::string describe(int code) {
  switch (code) {
    case OV_EREAD:
      return "read error";
    case OV_ENOTVORBIS:
      return "not Ogg Vorbis data";
    case OV_EVERSION:
      return "unsupported Vorbis version";
    case OV_EBADHEADER:
      return "bad Vorbis header";
    case OV_EFAULT:
      return "internal decoder fault";
    case OV_EINVAL:
      return "stream length unknown";
    case OV_HOLE:
      return "data interrupted (missing or corrupt page)";
    case OV_EBADLINK:
      return "bad link in a chained stream";
    default:
      return "Vorbis error " + std::to_string(code);
  }
}

struct OggFile {
  OggVorbis_File vf;
  bool open = false;
  ~OggFile() {
    if (open) ov_clear(&vf);
  }
};

}  // namespace

std::size_t playableOggSamples(std::span<const std::int16_t> samples) {
  const std::size_t bytes = samples.size() * 2;
  if (bytes < 4) return samples.size();
  auto wordIsZero = [&](std::size_t at) {
    return samples[at / 2] == 0 && samples[at / 2 + 1] == 0;
  };
  std::size_t length = bytes - 4;
  while (length > bytes / 2 && wordIsZero(length)) length -= 4;
  // `length` stops on the last nonzero word; it is part of the sound, so it plays too.
  if (!wordIsZero(length)) length += 4;
  return length / 2;
}

Result<Pcm> decodeOggEntry(ByteSpan bytes, std::string_view file, std::string_view name) {
  auto fail = [&](std::string fault) {
    return Error{std::string(file), std::string(name), std::move(fault)};
  };
  MemoryStream stream{Bytes(bytes.begin(), bytes.end())};
  const ov_callbacks callbacks{readStream, seekStream, closeStream, tellStream};
  OggFile ogg;
  if (int rc = ov_open_callbacks(&stream, &ogg.vf, nullptr, 0, callbacks); rc < 0)
    return fail("cannot open Ogg Vorbis data: " + describe(rc));
  ogg.open = true;

  const ogg_int64_t total = ov_pcm_total(&ogg.vf, -1);
  const vorbis_info* info = ov_info(&ogg.vf, -1);
  if (!info) return fail("Ogg Vorbis stream without stream information");
  if (total < 0) return fail("cannot read the Ogg Vorbis length: " + describe(int(total)));
  const int channels = info->channels;
  const long rate = info->rate;
  if (channels != 1 && channels != 2)
    return fail(std::to_string(channels) + "-channel Ogg Vorbis; voices are mono or stereo");
  if (rate <= 0 || rate > std::numeric_limits<std::int32_t>::max())
    return fail("Ogg Vorbis sample rate " + std::to_string(rate) + " is out of range");
  const std::uint64_t capacity = static_cast<std::uint64_t>(total) * channels;
  if (capacity > kMaxSamples)
    return fail("Ogg Vorbis stream of " + std::to_string(total) + " frames is too long");

  // The declared length is only a claim about the data, so the buffer grows with what
  // really decodes instead of being allocated whole up front.
  std::vector<std::int16_t> samples;
  std::size_t written = 0;
  const int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
  while (written < capacity) {
    if (written == samples.size()) {
      const std::uint64_t grown = std::max<std::uint64_t>(samples.size() * 2, 1u << 16);
      samples.resize(static_cast<std::size_t>(std::min(grown, capacity)));
    }
    const std::size_t space = std::min<std::size_t>((samples.size() - written) * 2, INT_MAX & ~3);
    int link = 0;
    const long got = ov_read(&ogg.vf, reinterpret_cast<char*>(samples.data() + written),
                             static_cast<int>(space), bigEndian, 2, 1, &link);
    if (got == 0) break;
    if (got < 0) {
      warn(
          fail("Ogg Vorbis data breaks off: " + describe(int(got)) + "; playing what came before"));
      break;
    }
    const vorbis_info* linkInfo = ov_info(&ogg.vf, link);
    if (!linkInfo || linkInfo->channels != channels || linkInfo->rate != rate) {
      warn(fail("a chained Ogg Vorbis stream changes its format; playing the part before"));
      break;
    }
    written += static_cast<std::size_t>(got) / 2;
  }
  samples.resize(written);
  samples.resize(playableOggSamples(samples));

  Pcm pcm;
  pcm.format = WaveFormat::pcm16(channels, static_cast<int>(rate));
  pcm.samples = std::move(samples);
  return pcm;
}

}  // namespace torvan
