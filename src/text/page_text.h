// Text reaching the page and the text log: the layout of characters in the text grid
// and the log lines behind the backlog.
#pragma once

#include <string_view>

namespace torvan {

class Engine;

// Places one character (one or two Shift-JIS bytes) at the cursor following the layout
// rules, records it in the grids, draws it and advances.
void PutChar(Engine& engine, std::string_view character);
// Clears the page for the next text.
void NewPage(Engine& engine);

// The text log.
void LogChar(Engine& engine, std::string_view bytes);
void EndLogLine(Engine& engine);
void LogVoice(Engine& engine, std::string_view name);
// Stores the page in the page history (the "\" page wait).
void CommitPage(Engine& engine);

}  // namespace torvan
