// torvan-tool sound: converts between WAV files and the player's sound formats.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "commands.h"
#include "core/file_io.h"
#include "sound/ogg.h"
#include "sound/ogg_encoder.h"
#include "sound/wady.h"
#include "sound/wady_encoder.h"
#include "tool_support.h"

namespace torvan::tool {

namespace {

constexpr std::string_view kCommand = "sound";

constexpr const char* kUsage =
    "usage: torvan-tool sound SUBCOMMAND [ARGS...]\n"
    "Converts sounds between WAV files and the formats the player reads from its sound\n"
    "archives: WADY for music and effects, Ogg Vorbis for voices.\n\n"
    "subcommands:\n"
    "  encode IN.wav -o OUT --coding delta|runs [--loop-start SECONDS]   WAV to WADY\n"
    "  encode-voice IN.wav -o OUT.ogg [--quality Q]                      WAV to Ogg Vorbis\n"
    "  decode IN -o OUT.wav [--coding delta|runs]                        WADY or Ogg to WAV\n\n"
    "'torvan-tool sound SUBCOMMAND --help' explains each subcommand.\n"
    "Exit status: 0 done, 1 failure, 2 usage error.\n";

constexpr const char* kEncodeUsage =
    "usage: torvan-tool sound encode IN.wav -o OUT --coding delta|runs [options]\n"
    "Codes a mono or stereo WAV file (any sample format libsndfile reads; samples are\n"
    "converted to 16 bits) as a WADY entry.\n"
    "  --coding delta        byte deltas, one byte per sample: for music (\"M01\" and on in\n"
    "                        the music archive) and for animation sound\n"
    "  --coding runs         interpolated runs, smaller: for the effect archives\n"
    "  --loop-start SECONDS  (delta) where looping music resumes after its end; default 0\n"
    "  --scale N             (delta) the delta table's multiplier, 1..255; by default the\n"
    "                        scale with the least error is chosen\n"
    "  --tolerance N         (runs) largest error, in 16-bit sample units, a run may leave\n"
    "                        before samples are coded singly; default 24\n"
    "The player streams music four seconds ahead, so music should be longer than that.\n";

constexpr const char* kEncodeVoiceUsage =
    "usage: torvan-tool sound encode-voice IN.wav -o OUT.ogg [--quality Q]\n"
    "Encodes a mono or stereo WAV file as Ogg Vorbis for the voice archives.\n"
    "  --quality Q  -0.1 (smallest) to 1.0 (best); default 0.3\n"
    "The player drops trailing digital silence, down to half the voice at most.\n";

constexpr const char* kDecodeUsage =
    "usage: torvan-tool sound decode IN -o OUT.wav [--coding delta|runs]\n"
    "Writes a WADY entry or an Ogg Vorbis voice (told apart by the first bytes) as a\n"
    "16-bit WAV file, decoded as the player decodes it. A WADY entry does not record its\n"
    "coding; without --coding it is taken as byte deltas when the header carries a channel\n"
    "count of 1 or 2, a rate and a coded length, as run coding otherwise. Byte-delta\n"
    "music is written once through, without its loop.\n";

Result<Pcm> readWav(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return Error{path, "", std::string("cannot read: ") + sf_strerror(nullptr)};
  struct Closer {
    SNDFILE* f;
    ~Closer() { sf_close(f); }
  } closer{file};
  if (info.channels != 1 && info.channels != 2)
    return Error{path, "", std::to_string(info.channels) + " channels; only mono and stereo"};
  if (info.samplerate <= 0) return Error{path, "", "no sample rate"};
  if (info.frames < 0 || static_cast<std::uint64_t>(info.frames) * info.channels >
                             std::uint64_t{std::numeric_limits<std::int32_t>::max()} / 2)
    return Error{path, "", "too long for the player's sound formats"};
  Pcm pcm;
  pcm.format = WaveFormat::pcm16(info.channels, info.samplerate);
  pcm.samples.resize(static_cast<std::size_t>(info.frames) * info.channels);
  const sf_count_t got = sf_readf_short(file, pcm.samples.data(), info.frames);
  if (got != info.frames) return Error{path, "", "read failed: " + std::string(sf_strerror(file))};
  return pcm;
}

Status writeWav(const std::string& path, const Pcm& pcm) {
  SF_INFO info{};
  info.channels = pcm.channels();
  info.samplerate = pcm.rate();
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return Error{path, "", std::string("cannot write: ") + sf_strerror(nullptr)};
  const auto frames = static_cast<sf_count_t>(pcm.frames());
  const sf_count_t put = sf_writef_short(file, pcm.samples.data(), frames);
  std::string fault = put == frames ? "" : sf_strerror(file);
  if (sf_close(file) != 0 && fault.empty()) fault = "close failed";
  if (!fault.empty()) return Error{path, "", "write failed: " + fault};
  return success();
}

const std::string* outputOption(const ParsedArgs& args) {
  const std::string* out = args.option("-o");
  return out ? out : args.option("--output");
}

// A whole decimal number within [lo, hi].
bool parseInt(const std::string& text, long lo, long hi, long& value) {
  std::size_t used = 0;
  try {
    value = std::stol(text, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == text.size() && value >= lo && value <= hi;
}

bool parseReal(const std::string& text, double& value) {
  std::size_t used = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == text.size() && std::isfinite(value);
}

int fail(const Error& e) {
  printError(kCommand, e);
  return kExitFailure;
}

int encode(Args rest) {
  auto args =
      parseArgs(rest, {"-o", "--output", "--coding", "--loop-start", "--scale", "--tolerance"});
  if (!args) return usageError("sound encode", args.error().fault);
  if (args->help) {
    std::fputs(kEncodeUsage, stdout);
    return kExitOk;
  }
  const std::string* out = outputOption(*args);
  if (!out) return usageError("sound encode", "missing -o OUT");
  if (args->positional.size() != 1) return usageError("sound encode", "expected one IN.wav");
  const std::string* coding = args->option("--coding");
  if (!coding) return usageError("sound encode", "missing --coding delta|runs");
  const bool delta = *coding == "delta";
  if (!delta && *coding != "runs")
    return usageError("sound encode", "--coding must be 'delta' or 'runs', not '" + *coding + "'");
  const std::string* loop = args->option("--loop-start");
  const std::string* scale = args->option("--scale");
  const std::string* tolerance = args->option("--tolerance");
  if (!delta && (loop || scale))
    return usageError("sound encode", "--loop-start and --scale apply to --coding delta");
  if (delta && tolerance) return usageError("sound encode", "--tolerance applies to --coding runs");

  WadyDeltaOptions deltaOptions;
  WadyRunOptions runOptions;
  double loopSeconds = 0;
  if (loop && (!parseReal(*loop, loopSeconds) || loopSeconds < 0))
    return usageError("sound encode", "--loop-start must be a number of seconds, 0 or more");
  long number = 0;
  if (scale) {
    if (!parseInt(*scale, 1, 255, number))
      return usageError("sound encode", "--scale must be a number from 1 to 255");
    deltaOptions.scale = static_cast<int>(number);
  }
  if (tolerance) {
    if (!parseInt(*tolerance, 0, 65535, number))
      return usageError("sound encode", "--tolerance must be a number from 0 to 65535");
    runOptions.tolerance = static_cast<int>(number);
  }

  const std::string in(args->positional[0]);
  auto pcm = readWav(in);
  if (!pcm) return fail(pcm.error());
  if (loop) deltaOptions.loopStartFrame = std::llround(loopSeconds * pcm->rate());
  auto coded = delta ? encodeWadyDeltas(*pcm, deltaOptions) : encodeWadyRuns(*pcm, runOptions);
  if (!coded) return fail(Error{in, "", coded.error().fault});
  if (auto written = writeFileAtomic(*out, *coded); !written) return fail(written.error());
  return kExitOk;
}

int encodeVoice(Args rest) {
  auto args = parseArgs(rest, {"-o", "--output", "--quality"});
  if (!args) return usageError("sound encode-voice", args.error().fault);
  if (args->help) {
    std::fputs(kEncodeVoiceUsage, stdout);
    return kExitOk;
  }
  const std::string* out = outputOption(*args);
  if (!out) return usageError("sound encode-voice", "missing -o OUT.ogg");
  if (args->positional.size() != 1) return usageError("sound encode-voice", "expected one IN.wav");
  double quality = 0.3;
  if (const std::string* q = args->option("--quality");
      q && (!parseReal(*q, quality) || quality < -0.1 || quality > 1.0))
    return usageError("sound encode-voice", "--quality must be a number from -0.1 to 1.0");

  const std::string in(args->positional[0]);
  auto pcm = readWav(in);
  if (!pcm) return fail(pcm.error());
  auto coded = encodeOggVorbis(*pcm, static_cast<float>(quality));
  if (!coded) return fail(Error{in, "", coded.error().fault});
  if (auto written = writeFileAtomic(*out, *coded); !written) return fail(written.error());
  return kExitOk;
}

// Byte-delta entries carry their channel count, rate and length; run-coded ones leave
// those fields unused (zero when written by this tool).
bool looksDeltaCoded(const WadyHeader& h) {
  return (h.channels == 1 || h.channels == 2) && h.sampleRate > 0 &&
         (h.codedLength > 0 || h.frameCount > 0);
}

int decode(Args rest) {
  auto args = parseArgs(rest, {"-o", "--output", "--coding"});
  if (!args) return usageError("sound decode", args.error().fault);
  if (args->help) {
    std::fputs(kDecodeUsage, stdout);
    return kExitOk;
  }
  const std::string* out = outputOption(*args);
  if (!out) return usageError("sound decode", "missing -o OUT.wav");
  if (args->positional.size() != 1) return usageError("sound decode", "expected one IN");
  const std::string* coding = args->option("--coding");
  if (coding && *coding != "delta" && *coding != "runs")
    return usageError("sound decode", "--coding must be 'delta' or 'runs', not '" + *coding + "'");

  const std::string in(args->positional[0]);
  auto bytes = readFile(in);
  if (!bytes) return fail(bytes.error());
  const bool ogg = bytes->size() >= 4 && std::memcmp(bytes->data(), "OggS", 4) == 0;
  if (ogg && coding) return usageError("sound decode", "--coding applies to WADY entries only");

  Result<Pcm> pcm = Error{};
  if (ogg) {
    pcm = decodeOggEntry(*bytes, in);
  } else {
    auto header = parseWadyHeader(*bytes, in);
    if (!header) return fail(header.error());
    const bool delta = coding ? *coding == "delta" : looksDeltaCoded(*header);
    if (!delta)
      pcm = decodeWadyEffect(*bytes, in);
    else if (header->codedLength > 0)
      pcm = decodeWadyStream(*bytes, in);
    else
      pcm = decodeWadyOneShot(*bytes, in);
  }
  if (!pcm) return fail(pcm.error());
  if (pcm->empty()) return fail(Error{in, "", "the sound decodes to no samples"});
  if (auto written = writeWav(*out, *pcm); !written) return fail(written.error());
  return kExitOk;
}

}  // namespace

int soundCommand(Args args) {
  return runSubcommand(args, kCommand, kUsage,
                       {{"encode", encode}, {"encode-voice", encodeVoice}, {"decode", decode}});
}

}  // namespace torvan::tool
