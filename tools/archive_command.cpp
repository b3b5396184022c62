// torvan-tool archive: lists, extracts and packs resource archives.
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

constexpr std::string_view kCommand = "archive";

constexpr const char* kUsage =
    "usage: torvan-tool archive SUBCOMMAND [ARGS...]\n"
    "Lists, extracts and packs the game's resource archives.\n\n"
    "subcommands:\n"
    "  list FILE                      one line per entry: name, offset, size (tab-separated)\n"
    "  extract FILE [NAME...] -o DIR  write entries (all when no NAME is given) into DIR\n"
    "  pack -o OUT [--layout script|general] [--name-length L] FILE...\n"
    "                                 build an archive from files\n\n"
    "Archives whose file name starts with \"qz_data\" use the script layout (entries stored\n"
    "negated); all others use the general layout. Entry names are Shift-JIS in the archive\n"
    "and UTF-8 on the command line and in file names.\n"
    "'torvan-tool archive SUBCOMMAND --help' explains each subcommand.\n"
    "Exit status: 0 done, 1 failure, 2 usage error.\n";

constexpr const char* kListUsage =
    "usage: torvan-tool archive list [--layout script|general] FILE\n"
    "Prints one line per entry in index order: the name as stored (shown in UTF-8), a tab,\n"
    "the data offset, a tab, the data size in bytes.\n"
    "The layout is taken from the file name unless --layout is given.\n";

constexpr const char* kExtractUsage =
    "usage: torvan-tool archive extract [--layout script|general] FILE [NAME...] -o DIR\n"
    "Writes each named entry (every entry when no NAME is given) to DIR/NAME, with the\n"
    "name as stored in the archive. NAMEs ignore ASCII case. Script-layout entries are\n"
    "written as plain bytes. When two entries share a name, only the first is written,\n"
    "as it is the one the player reads.\n";

constexpr const char* kPackUsage =
    "usage: torvan-tool archive pack -o OUT [--layout script|general] [--name-length L] FILE...\n"
    "Builds OUT from the FILEs in the order given; each entry is named after its file\n"
    "without folders (the extension is kept). The layout defaults to script for OUT names\n"
    "starting with \"qz_data\" and to general otherwise; L, the general layout's name\n"
    "field, defaults to 32. Names must fit: 15 bytes (script) or L - 1 bytes (general)\n"
    "in Shift-JIS.\n";

Result<ArchiveLayout> chooseLayout(const ParsedArgs& args, std::string_view file) {
  const std::string* given = args.option("--layout");
  if (!given) return isScriptArchiveName(file) ? ArchiveLayout::Script : ArchiveLayout::General;
  if (*given == "script") return ArchiveLayout::Script;
  if (*given == "general") return ArchiveLayout::General;
  return Error{"", "", "--layout must be 'script' or 'general', not '" + *given + "'"};
}

int list(Args rest) {
  auto args = parseArgs(rest, {"--layout"});
  if (!args) return usageError("archive list", args.error().fault);
  if (args->help) {
    std::fputs(kListUsage, stdout);
    return kExitOk;
  }
  if (args->positional.size() != 1) return usageError("archive list", "expected one FILE");
  std::string file(args->positional[0]);
  auto layout = chooseLayout(*args, file);
  if (!layout) return usageError("archive list", layout.error().fault);

  auto index = loadArchiveIndex(file, *layout, true);
  if (!index) {
    printError(kCommand, index.error());
    return kExitFailure;
  }
  std::string out;
  for (std::size_t i = 0; i < index->storedNames.size(); ++i) {
    out += sjisToUtf8(index->storedNames[i]);
    out += '\t';
    out += std::to_string(index->offsets[i]);
    out += '\t';
    out += std::to_string(index->sizes[i]);
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

int extract(Args rest) {
  auto args = parseArgs(rest, {"-o", "--output", "--layout"});
  if (!args) return usageError("archive extract", args.error().fault);
  if (args->help) {
    std::fputs(kExtractUsage, stdout);
    return kExitOk;
  }
  const std::string* outDir = args->option("-o");
  if (!outDir) outDir = args->option("--output");
  if (!outDir) return usageError("archive extract", "missing -o DIR");
  if (args->positional.empty()) return usageError("archive extract", "missing FILE");
  std::string file(args->positional[0]);
  auto layout = chooseLayout(*args, file);
  if (!layout) return usageError("archive extract", layout.error().fault);

  auto index = loadArchiveIndex(file, *layout, true);
  if (!index) {
    printError(kCommand, index.error());
    return kExitFailure;
  }

  const bool script = *layout == ArchiveLayout::Script;
  return extractEntries(*index, file, std::span(args->positional).subspan(1), kCommand, *outDir, "",
                        [script](Bytes data, const std::string&) {
                          if (script) negateBytes(data);
                          return data;
                        });
}

int pack(Args rest) {
  auto args = parseArgs(rest, {"-o", "--output", "--layout", "--name-length"});
  if (!args) return usageError("archive pack", args.error().fault);
  if (args->help) {
    std::fputs(kPackUsage, stdout);
    return kExitOk;
  }
  const std::string* out = args->option("-o");
  if (!out) out = args->option("--output");
  if (!out) return usageError("archive pack", "missing -o OUT");
  if (args->positional.empty()) return usageError("archive pack", "no input FILE given");
  auto layout = chooseLayout(*args, *out);
  if (!layout) return usageError("archive pack", layout.error().fault);

  std::int32_t nameField = kDefaultNameField;
  if (const std::string* l = args->option("--name-length")) {
    if (*layout == ArchiveLayout::Script)
      return usageError("archive pack", "--name-length applies to the general layout only");
    std::size_t used = 0;
    long value = 0;
    try {
      value = std::stol(*l, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != l->size() || value < 2 || value > kMaxNameField)
      return usageError("archive pack", "--name-length must be a number from 2 to " +
                                            std::to_string(kMaxNameField));
    nameField = static_cast<std::int32_t>(value);
  }

  std::vector<ArchiveSource> sources;
  sources.reserve(args->positional.size());
  for (std::string_view input : args->positional) {
    std::string path(input);
    if (!fileExists(path)) {
      printError(kCommand, Error{path, "", "not a readable file"});
      return kExitFailure;
    }
    auto name = utf8ToSjis(baseName(input));
    if (!name) {
      printError(kCommand, Error{path, "", "file name has no Shift-JIS form"});
      return kExitFailure;
    }
    auto data = readFile(path);
    if (!data) {
      printError(kCommand, data.error());
      return kExitFailure;
    }
    sources.push_back({std::move(*name), std::move(*data)});
  }
  Status written = writeArchive(*out, sources, *layout, nameField);
  if (!written) {
    Error e = written.error();
    e.entry = sjisToUtf8(e.entry);
    printError(kCommand, e);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

int archiveCommand(Args args) {
  return runSubcommand(args, kCommand, kUsage,
                       {{"list", list}, {"extract", extract}, {"pack", pack}});
}

}  // namespace torvan::tool
