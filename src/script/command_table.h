// The command words of "*" and "@" lines, matched in table order as case-insensitive
// prefixes of the text after the first character. A blank that ends a word is part of
// it, so "gra " does not catch "grb "; "end" catches every word that starts with "end".
#pragma once

#include <span>
#include <string_view>

namespace torvan {

class Engine;

// What the interpreter does after a command.
enum class After {
  GoOn,        // read the next line in the same step
  Yield,       // hand control back to the main loop
  Reclassify,  // the line buffer was rewritten: classify it again
};

struct CommandCall {
  // The argument: right after a word that ends with a blank, otherwise one byte after
  // the word (a separator); empty when the line ends first.
  std::string_view argument;
  // Everything right after the word ("anim" reads its "q" from here).
  std::string_view afterWord;
  // Preset from the table; the few handlers whose result depends on the line set it.
  After after = After::GoOn;
};

using CommandHandler = void (*)(Engine&, CommandCall&);

struct Command {
  const char* word;
  CommandHandler handler;
  After after;
};

// All 61 commands in match order.
std::span<const Command> commandTable();

// The command that text (a command line without its "*" or "@") starts with, and its
// argument; nullptr when no word matches.
const Command* matchCommand(std::string_view text, CommandCall& call);

}  // namespace torvan
