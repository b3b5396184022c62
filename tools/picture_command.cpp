// torvan-tool picture: converts artwork between PNG and the player's picture formats.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/jpeg_picture.h"
#include "archive/packed_picture.h"
#include "archive/packed_picture_encoder.h"
#include "archive/png_io.h"
#include "commands.h"
#include "core/file_io.h"
#include "tool_support.h"

namespace torvan::tool {

namespace {

constexpr std::string_view kCommand = "picture";

constexpr const char* kUsage =
    "usage: torvan-tool picture SUBCOMMAND [ARGS...]\n"
    "Converts pictures between PNG and the formats the player reads from its picture\n"
    "archives (packed pictures and JPEG files).\n\n"
    "subcommands:\n"
    "  encode IN.png -o OUT [--rle] [--delta]   PNG to packed picture\n"
    "  decode IN -o OUT.png                     packed picture or JPEG file to PNG\n\n"
    "'torvan-tool picture SUBCOMMAND --help' explains each subcommand.\n"
    "Exit status: 0 done, 1 failure, 2 usage error.\n";

constexpr const char* kEncodeUsage =
    "usage: torvan-tool picture encode IN.png -o OUT [--rle] [--delta]\n"
    "Packs a PNG picture (at most 16384 pixels a side; transparency is dropped) into a\n"
    "packed picture for a packed-picture archive.\n"
    "  --delta  store each colour as its difference to the pixel before: smaller for\n"
    "           photographs and painted backgrounds\n"
    "  --rle    add a run-length stage: smaller for flat artwork such as interface parts\n";

constexpr const char* kDecodeUsage =
    "usage: torvan-tool picture decode IN -o OUT.png\n"
    "Writes a packed picture or a JPEG file (told apart by its first bytes) as a PNG.\n";

int encode(Args args) {
  bool runLength = false;
  bool delta = false;
  std::vector<std::string_view> rest;
  for (std::string_view a : args) {
    if (a == "--rle")
      runLength = true;
    else if (a == "--delta")
      delta = true;
    else
      rest.push_back(a);
  }
  auto parsed = parseArgs(rest, {"-o", "--output"});
  if (!parsed) return usageError(kCommand, parsed.error().fault);
  if (parsed->help) {
    std::fputs(kEncodeUsage, stdout);
    return kExitOk;
  }
  const std::string* out = parsed->option("-o");
  if (!out) out = parsed->option("--output");
  if (parsed->positional.size() != 1 || !out)
    return usageError(kCommand, "encode takes one IN.png and -o OUT");

  const std::string in(parsed->positional[0]);
  auto picture = readPng(in);
  if (!picture) {
    printError(kCommand, picture.error());
    return kExitFailure;
  }
  auto packed = encodePicture(*picture, PackOptions{runLength, delta});
  if (!packed) {
    printError(kCommand, Error{in, "", packed.error().fault});
    return kExitFailure;
  }
  if (Status s = writeFileAtomic(*out, *packed); !s) {
    printError(kCommand, s.error());
    return kExitFailure;
  }
  const std::size_t raw = std::size_t(picture->width) * picture->height * 3;
  std::printf("%s: %dx%d, %zu bytes raw, %zu bytes packed (%.1f%%)\n", out->c_str(), picture->width,
              picture->height, raw, packed->size(), 100.0 * double(packed->size()) / double(raw));
  return kExitOk;
}

int decode(Args args) {
  auto parsed = parseArgs(args, {"-o", "--output"});
  if (!parsed) return usageError(kCommand, parsed.error().fault);
  if (parsed->help) {
    std::fputs(kDecodeUsage, stdout);
    return kExitOk;
  }
  const std::string* out = parsed->option("-o");
  if (!out) out = parsed->option("--output");
  if (parsed->positional.size() != 1 || !out)
    return usageError(kCommand, "decode takes one IN and -o OUT.png");

  const std::string in(parsed->positional[0]);
  auto data = readFile(in);
  if (!data) {
    printError(kCommand, data.error());
    return kExitFailure;
  }
  Surface picture;
  const bool jpeg = data->size() >= 3 && (*data)[0] == 0xFF && (*data)[1] == 0xD8;
  Status decoded = jpeg ? decodeJpegPicture(*data, picture, in) : decodePicture(*data, picture, in);
  if (!decoded) {
    printError(kCommand, decoded.error());
    return kExitFailure;
  }
  if (Status s = writePng(*out, picture); !s) {
    printError(kCommand, s.error());
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

int pictureCommand(Args args) {
  return runSubcommand(args, kCommand, kUsage, {{"encode", encode}, {"decode", decode}});
}

}  // namespace torvan::tool
