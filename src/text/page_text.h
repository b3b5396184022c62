// Text reaching the page and the text log: the layout of characters in the text grid
// and the log lines behind the backlog.
#pragma once

#include <string_view>

#include "core/host.h"

namespace torvan {

class Engine;

// Places one character (one or two Shift-JIS bytes) at the cursor following the layout
// rules, records it in the grids, draws it and advances. A wrap ends the log line, so
// the interpreter puts a character before it logs it: the log then holds the rows as
// they stand on the page.
void PutChar(Engine& engine, std::string_view character);
// Clears the page for the next text.
void NewPage(Engine& engine);
// Empties the grids and forgets the page's colour, spacing and character count, with
// no drawing: the start of every new page, and of a switch of text style.
void ClearPageText(Engine& engine);

// The top-left corner of the cell at (column, row) in either text style.
Point TextCellPosition(bool fullScreenText, int column, int row);

// The text log. LogChar takes one character or a whole name; "◆", "§" and "√" never
// enter the log. Text that does not fit a log line (69 bytes) is dropped.
void LogChar(Engine& engine, std::string_view bytes);
void EndLogLine(Engine& engine);
// A voice line: "@" and the name.
void LogVoice(Engine& engine, std::string_view name);

// Adds a voice started on the current page to the page's voice list (the name and a
// blank). A name that no longer fits the 256-byte list is left out whole.
void NotePageVoice(Engine& engine, std::string_view name);
// Stores the page in the page history (the "\" page wait). picture is the scene picture
// name, "," and the sprite specification; it is cut to 127 bytes.
void CommitPage(Engine& engine, std::string_view picture = {});

}  // namespace torvan
