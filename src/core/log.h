// One-line diagnostics on stderr. Bad data never stops the engine: the reader warns,
// naming the file and entry, and falls back to what its format documents.
#pragma once

#include <string_view>

#include "core/result.h"

namespace torvan {

void warn(std::string_view line);
void warn(const Error& error);

}  // namespace torvan
