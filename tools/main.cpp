// torvan-tool: builds and inspects the game's resource files.
#include <cstdio>
#include <string_view>
#include <vector>

#include "commands.h"

namespace {

struct Command {
  std::string_view word;
  int (*run)(torvan::tool::Args);
  std::string_view summary;
};

// The single table of subcommands.
constexpr Command kCommands[] = {
    {"archive", torvan::tool::archiveCommand, "list, extract and pack resource archives"},
    {"sound", torvan::tool::soundCommand, "convert sounds between WAV and WADY or Ogg Vorbis"},
    {"script", torvan::tool::scriptCommand, "compile scenarios into script archives and back"},
    {"picture", torvan::tool::pictureCommand, "convert pictures between PNG and packed or JPEG"},
};

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: torvan-tool COMMAND [ARGS...]\n"
               "Builds and inspects the resource files of a game for the torvan player.\n\n"
               "commands:\n");
  for (const Command& c : kCommands)
    std::fprintf(out, "  %-10.*s %.*s\n", int(c.word.size()), c.word.data(), int(c.summary.size()),
                 c.summary.data());
  std::fprintf(out, "\n'torvan-tool COMMAND --help' explains each command.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    usage(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    usage(stdout);
    return 0;
  }
  for (const Command& c : kCommands)
    if (c.word == args[0]) return c.run(torvan::tool::Args(args).subspan(1));
  std::fprintf(stderr, "torvan-tool: unknown command '%.*s'\n\n", int(args[0].size()),
               args[0].data());
  usage(stderr);
  return 2;
}
