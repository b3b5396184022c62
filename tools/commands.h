// torvan-tool's subcommands. Each lives in its own file and takes the arguments that
// follow its word; it prints its own --help.
#pragma once

#include <span>
#include <string_view>

namespace torvan::tool {

using Args = std::span<const std::string_view>;

int archiveCommand(Args args);
int soundCommand(Args args);
int scriptCommand(Args args);
int pictureCommand(Args args);

}  // namespace torvan::tool
