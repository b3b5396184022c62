// Argument parsing, subcommand dispatch and file naming shared by the tool's commands.
#pragma once

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "archive/archive_index.h"
#include "commands.h"
#include "core/file_io.h"
#include "core/result.h"
#include "core/sjis.h"

namespace torvan::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct ParsedArgs {
  std::vector<std::string_view> positional;
  std::map<std::string, std::string, std::less<>> options;  // long or short spelling as given
  bool help = false;

  const std::string* option(std::string_view name) const {
    auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
  }
};

// Options may stand anywhere among the positional arguments; "--name=value" and
// "--name value" are the same; "--" makes everything after it positional.
inline Result<ParsedArgs> parseArgs(Args args, std::initializer_list<std::string_view> valued) {
  ParsedArgs out;
  bool onlyPositional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view a = args[i];
    if (onlyPositional || a.size() < 2 || a[0] != '-') {
      out.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyPositional = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      out.help = true;
      continue;
    }
    std::string_view name = a;
    std::string value;
    bool inlineValue = false;
    if (std::size_t eq = a.find('='); a.starts_with("--") && eq != std::string_view::npos) {
      name = a.substr(0, eq);
      value = std::string(a.substr(eq + 1));
      inlineValue = true;
    }
    bool known = false;
    for (std::string_view v : valued) known = known || v == name;
    if (!known) return Error{"", "", "unknown option '" + std::string(a) + "'"};
    if (!inlineValue) {
      if (i + 1 >= args.size())
        return Error{"", "", "option '" + std::string(name) + "' needs a value"};
      value = std::string(args[++i]);
    }
    if (!out.options.emplace(std::string(name), value).second)
      return Error{"", "", "option '" + std::string(name) + "' given twice"};
  }
  return out;
}

inline void printError(std::string_view command, const Error& e) {
  std::fprintf(stderr, "torvan-tool %.*s: %s\n", int(command.size()), command.data(),
               e.text().c_str());
}

inline int usageError(std::string_view command, const std::string& message) {
  std::fprintf(stderr, "torvan-tool %.*s: %s (see 'torvan-tool %.*s --help')\n",
               int(command.size()), command.data(), message.c_str(), int(command.size()),
               command.data());
  return kExitUsage;
}

struct Subcommand {
  std::string_view word;
  int (*run)(Args);
};

// Runs the subcommand named by the first argument; "--help" prints the usage.
inline int runSubcommand(Args args, std::string_view command, const char* usage,
                         std::initializer_list<Subcommand> table) {
  if (args.empty()) {
    std::fputs(usage, stderr);
    return kExitUsage;
  }
  const std::string_view sub = args[0];
  if (sub == "--help" || sub == "-h" || sub == "help") {
    std::fputs(usage, stdout);
    return kExitOk;
  }
  for (const Subcommand& s : table)
    if (s.word == sub) return s.run(args.subspan(1));
  return usageError(command, "unknown subcommand '" + std::string(sub) + "'");
}

// The folder-free part of a path.
inline std::string_view baseName(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// "qz_data.tvn" and "qz_data2.tvn" (in any case) hold scripts.
inline bool isScriptArchiveName(std::string_view path) {
  std::string_view base = baseName(path);
  constexpr std::string_view prefix = "qz_data";
  if (base.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = base[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The UTF-8 file name an entry is extracted to. Entry names come from the archive, so
// anything that would leave the output folder is refused rather than followed.
inline Result<std::string> entryFileName(const std::string& storedName, std::string_view suffix) {
  std::string name = sjisToUtf8(storedName);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return Error{"", name, "entry name is not usable as a file name"};
  return name + std::string(suffix);
}

// The positions of the entries named on the command line (UTF-8, any case), or of every
// entry when none is named. Of several entries with one name only the first is taken,
// as it is the one the player reads. Names not found are reported and make `status` 1.
inline std::vector<std::int32_t> chooseEntries(const ArchiveIndex& index, const std::string& file,
                                               std::span<const std::string_view> wanted,
                                               std::string_view command, int& status) {
  std::vector<std::int32_t> chosen;
  if (wanted.empty()) {
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < index.names.size(); ++i) {
      if (seen.insert(index.names[i]).second) {
        chosen.push_back(static_cast<std::int32_t>(i));
      } else {
        std::string name =
            sjisToUtf8(i < index.storedNames.size() ? index.storedNames[i] : index.names[i]);
        std::fprintf(stderr,
                     "torvan-tool %.*s: %s: %s: skipped, an earlier entry has the same name\n",
                     int(command.size()), command.data(), file.c_str(), name.c_str());
      }
    }
    return chosen;
  }
  for (std::string_view w : wanted) {
    std::string name(w);
    auto sjis = utf8ToSjis(name);
    std::int32_t at = sjis ? findEntry(index, *sjis) : -1;
    if (at < 0) {
      printError(command, Error{file, name, "no such entry"});
      status = kExitFailure;
      continue;
    }
    chosen.push_back(at);
  }
  return chosen;
}

// Writes the chosen entries (as `chooseEntries` picks them) into outDir, each through
// `convert`, which gets the entry's bytes and its stored name and gives what is written.
// A failing entry is reported and makes the result 1; the others are still written.
inline int extractEntries(const ArchiveIndex& index, const std::string& file,
                          std::span<const std::string_view> wanted, std::string_view command,
                          const std::string& outDir, std::string_view suffix,
                          const std::function<Bytes(Bytes, const std::string&)>& convert) {
  int status = kExitOk;
  for (std::int32_t at : chooseEntries(index, file, wanted, command, status)) {
    const std::string& stored = index.storedNames[static_cast<std::size_t>(at)];
    auto name = entryFileName(stored, suffix);
    if (!name) {
      printError(command, Error{file, name.error().entry, name.error().fault});
      status = kExitFailure;
      continue;
    }
    auto data = readEntry(index, at);
    if (!data) {
      printError(command, data.error());
      status = kExitFailure;
      continue;
    }
    Status written = writeFileAtomic(outDir + "/" + *name, convert(std::move(*data), stored));
    if (!written) {
      printError(command, written.error());
      status = kExitFailure;
    }
  }
  return status;
}

}  // namespace torvan::tool
