// torvan-tool script: compiles UTF-8 scenario sources into a script archive and back.
//
// A scenario entry is Shift-JIS text whose lines each end in a 0 byte (no CR or LF),
// the last line included, stored with every byte negated.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive_index.h"
#include "archive/archive_writer.h"
#include "commands.h"
#include "core/file_io.h"
#include "core/sjis.h"
#include "tool_support.h"

namespace torvan::tool {

namespace {

constexpr std::string_view kCommand = "script";

// What the player's interpreter can hold: its line buffer and its scenario buffer.
constexpr std::size_t kPlayerLineLimit = 2047;
constexpr std::size_t kPlayerScenarioLimit = 262144;

constexpr const char* kUsage =
    "usage: torvan-tool script SUBCOMMAND [ARGS...]\n"
    "Converts scenario sources (UTF-8 text) to and from script archives.\n\n"
    "subcommands:\n"
    "  compile IN.txt... -o OUT.tvn          build a script archive from sources\n"
    "  decompile ARCHIVE [NAME...] -o DIR    write scenarios back as DIR/NAME.txt\n\n"
    "'torvan-tool script SUBCOMMAND --help' explains each subcommand.\n"
    "Exit status: 0 done, 1 failure, 2 usage error.\n";

constexpr const char* kCompileUsage =
    "usage: torvan-tool script compile IN.txt... -o OUT.tvn\n"
    "Each source becomes one scenario named after its file without folders and extension\n"
    "(at most 15 bytes in Shift-JIS; the player looks names up without regard to case).\n"
    "Sources are UTF-8 with LF or CRLF line ends; every character must exist in Shift-JIS\n"
    "(code page 932). Lines are stored ending in a 0 byte, the last one too.\n";

constexpr const char* kDecompileUsage =
    "usage: torvan-tool script decompile ARCHIVE [NAME...] -o DIR\n"
    "Writes each named scenario (every one when no NAME is given) to DIR/NAME.txt as\n"
    "UTF-8 text with LF line ends, the name as stored in the archive.\n";

// Decodes the UTF-8 sequence at `at`; returns its length, 0 when it is malformed.
std::size_t utf8Sequence(std::string_view s, std::size_t at, char32_t& cp) {
  auto b = static_cast<unsigned char>(s[at]);
  std::size_t len = b < 0x80             ? 1
                    : (b & 0xE0) == 0xC0 ? 2
                    : (b & 0xF0) == 0xE0 ? 3
                    : (b & 0xF8) == 0xF0 ? 4
                                         : 0;
  if (len == 0 || at + len > s.size()) return 0;
  cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    auto c = static_cast<unsigned char>(s[at + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  return len;
}

// Says which character of a line that failed to convert is at fault.
std::string describeBadCharacter(std::string_view line) {
  std::size_t column = 1;
  for (std::size_t at = 0; at < line.size(); ++column) {
    char32_t cp = 0;
    std::size_t len = utf8Sequence(line, at, cp);
    if (len == 0) return "column " + std::to_string(column) + ": invalid UTF-8";
    std::string_view ch = line.substr(at, len);
    if (!utf8ToSjis(ch)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", unsigned(cp));
      return "column " + std::to_string(column) + ": character '" + std::string(ch) + "' (" + code +
             ") has no Shift-JIS (CP932) form";
    }
    at += len;
  }
  return "text has no Shift-JIS (CP932) form";
}

// UTF-8 source text to a plain (not yet negated) scenario entry.
Result<Bytes> compileSource(const std::string& path, std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Bytes out;
  std::size_t lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::string where = "line " + std::to_string(lineNo);
    if (line.find('\0') != std::string_view::npos)
      return Error{path, where, "NUL character (it would end the line early)"};
    auto sjis = utf8ToSjis(line);
    if (!sjis) return Error{path, where, describeBadCharacter(line)};
    if (sjis->size() > kPlayerLineLimit)
      std::fprintf(stderr,
                   "torvan-tool script: warning: %s: %s: %zu bytes long; the player reads at "
                   "most %zu bytes of a line\n",
                   path.c_str(), where.c_str(), sjis->size(), kPlayerLineLimit);
    out.insert(out.end(), sjis->begin(), sjis->end());
    out.push_back(0);
  }
  if (out.size() > kPlayerScenarioLimit)
    std::fprintf(stderr,
                 "torvan-tool script: warning: %s: %zu bytes compiled; the player holds at most "
                 "%zu bytes of a scenario\n",
                 path.c_str(), out.size(), kPlayerScenarioLimit);
  return out;
}

// A plain scenario entry back to UTF-8 text, one LF after each 0-ended line. Bytes after
// the last 0 stay a final line without a line end, so compiling the text again gives
// the same entry whenever the entry was well formed.
std::string decompileEntry(ByteSpan entry, bool& damaged) {
  std::string out;
  std::size_t start = 0;
  damaged = false;
  while (start < entry.size()) {
    std::size_t end = start;
    while (end < entry.size() && entry[end] != 0) ++end;
    std::string line = sjisToUtf8(
        std::string_view(reinterpret_cast<const char*>(entry.data()) + start, end - start));
    // CP932 has no U+FFFD of its own, so one in the output marks bytes that did not decode.
    if (line.find("\xEF\xBF\xBD") != std::string::npos) damaged = true;
    out += line;
    if (end < entry.size()) out += '\n';
    start = end + 1;
  }
  return out;
}

std::string stemOf(std::string_view path) {
  std::string_view base = baseName(path);
  std::size_t dot = base.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
  return std::string(base);
}

const std::string* outputOption(const ParsedArgs& args) {
  const std::string* out = args.option("-o");
  return out ? out : args.option("--output");
}

int compile(Args rest) {
  auto args = parseArgs(rest, {"-o", "--output"});
  if (!args) return usageError("script compile", args.error().fault);
  if (args->help) {
    std::fputs(kCompileUsage, stdout);
    return kExitOk;
  }
  const std::string* out = outputOption(*args);
  if (!out) return usageError("script compile", "missing -o OUT.tvn");
  if (args->positional.empty()) return usageError("script compile", "no source given");

  std::vector<ArchiveSource> sources;
  for (std::string_view input : args->positional) {
    std::string path(input);
    if (!fileExists(path)) {
      printError(kCommand, Error{path, "", "not a readable file"});
      return kExitFailure;
    }
    auto name = utf8ToSjis(stemOf(input));
    if (!name) {
      printError(kCommand, Error{path, "", "file name has no Shift-JIS form"});
      return kExitFailure;
    }
    auto text = readFile(path);
    if (!text) {
      printError(kCommand, text.error());
      return kExitFailure;
    }
    auto entry = compileSource(
        path, std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    if (!entry) {
      printError(kCommand, entry.error());
      return kExitFailure;
    }
    sources.push_back({std::move(*name), std::move(*entry)});
  }
  Status written = writeArchive(*out, sources, ArchiveLayout::Script);
  if (!written) {
    Error e = written.error();
    e.entry = sjisToUtf8(e.entry);
    printError(kCommand, e);
    return kExitFailure;
  }
  return kExitOk;
}

int decompile(Args rest) {
  auto args = parseArgs(rest, {"-o", "--output"});
  if (!args) return usageError("script decompile", args.error().fault);
  if (args->help) {
    std::fputs(kDecompileUsage, stdout);
    return kExitOk;
  }
  const std::string* outDir = outputOption(*args);
  if (!outDir) return usageError("script decompile", "missing -o DIR");
  if (args->positional.empty()) return usageError("script decompile", "missing ARCHIVE");
  std::string file(args->positional[0]);

  auto index = loadArchiveIndex(file, ArchiveLayout::Script, true);
  if (!index) {
    printError(kCommand, index.error());
    return kExitFailure;
  }
  return extractEntries(
      *index, file, std::span(args->positional).subspan(1), kCommand, *outDir, ".txt",
      [&file](Bytes data, const std::string& stored) {
        negateBytes(data);
        bool damaged = false;
        std::string text = decompileEntry(data, damaged);
        if (damaged)
          std::fprintf(stderr,
                       "torvan-tool script: warning: %s: %s: bytes that are not Shift-JIS were "
                       "written as U+FFFD\n",
                       file.c_str(), sjisToUtf8(stored).c_str());
        return Bytes(text.begin(), text.end());
      });
}

}  // namespace

int scriptCommand(Args args) {
  return runSubcommand(args, kCommand, kUsage, {{"compile", compile}, {"decompile", decompile}});
}

}  // namespace torvan::tool
