// The one table of command words: the word, its handler and what follows it. Order
// matters: the first word that is a prefix of the command text wins.
#include "script/command_table.h"

#include <array>
#include <cstring>

#include "script/commands.h"
#include "script/interpreter.h"

namespace torvan {

namespace {

using A = After;

constexpr std::array<Command, 61> kCommands = {{
    {"gra ", cmdGra, A::GoOn},  // yields when it served a cut request
    {"music ", cmdMusic, A::GoOn},
    {"voice ", cmdVoice, A::GoOn},
    {"go ", cmdGo, A::GoOn},
    {"clrb", cmdClrb, A::GoOn},
    {"select", cmdSelect, A::Yield},
    {"clickmap ", cmdClickmap, A::Yield},
    {"switch", cmdSwitch, A::Yield},
    {"chain ", cmdChain, A::Yield},
    {"wait_v_end", cmdWaitVoiceEnd, A::Yield},
    {"spr ", cmdSpr, A::GoOn},
    {"calc ", cmdCalc, A::GoOn},
    {"if ", cmdIf, A::Yield},  // reclassifies the line when its action is a command
    {"ptset ", cmdPtset, A::GoOn},
    {"call ", cmdCall, A::Yield},
    {"end", cmdEnd, A::Yield},
    {"mode ", cmdMode, A::Yield},
    {"load", cmdLoad, A::Yield},
    {"gameinit", cmdGameinit, A::GoOn},
    {"grb ", cmdGrb, A::GoOn},
    {"win_close", cmdWinClose, A::GoOn},
    {"special ", cmdSpecial, A::Yield},
    {"gameclr", cmdGameclr, A::GoOn},
    {"partsload ", cmdPartsload, A::GoOn},
    {"movie ", cmdMovie, A::GoOn},
    {"mark ", cmdMark, A::GoOn},
    {"get_max ", cmdGetMax, A::GoOn},
    {"fix", cmdFix, A::GoOn},
    {"sleep ", cmdSleep, A::Yield},
    {"seltree", cmdSeltree, A::Yield},
    {"update", cmdUpdate, A::GoOn},
    {"direct ", cmdDirect, A::GoOn},
    {"save", cmdSave, A::Yield},
    {"break", cmdBreak, A::Yield},
    {"win_open", cmdWinOpen, A::GoOn},
    {"title ", cmdTitle, A::GoOn},
    {"backto", cmdBackto, A::GoOn},
    {"map", cmdMap, A::Yield},
    {"return ", cmdReturn, A::GoOn},
    {"roll ", cmdRoll, A::Yield},
    {"anim", cmdAnim, A::Yield},
    {"shake", cmdShake, A::Yield},
    {"cjmp", cmdCjmp, A::GoOn},
    {"setname", cmdSetname, A::Yield},
    {"subtitle", cmdSubtitle, A::Yield},
    {"viewer", cmdViewer, A::Yield},
    {"se ", cmdSe, A::GoOn},
    {"seloop ", cmdSeloop, A::GoOn},
    {"seoff", cmdSeoff, A::GoOn},
    {"exitgame", cmdExitgame, A::Yield},
    {"rec", cmdRec, A::GoOn},
    {"tw_set ", cmdTwSet, A::GoOn},
    {"exit", cmdExit, A::Yield},
    {"obj_", cmdObj, A::GoOn},
    {"sroll", cmdSroll, A::Yield},
    {"scroll ", cmdScroll, A::Yield},
    {"kaisou", cmdKaisou, A::Yield},
    {"chgprm", cmdChgprm, A::Yield},
    {"cgfull", cmdCgfull, A::Yield},
    {"effect", cmdEffect, A::Yield},
    {"yaki", cmdYaki, A::Yield},
}};

}  // namespace

std::span<const Command> commandTable() {
  return kCommands;
}

const Command* matchCommand(std::string_view text, CommandCall& call) {
  for (const Command& c : kCommands) {
    std::string_view word = c.word;
    if (!startsWithNoCase(text, word)) continue;
    call.afterWord = text.substr(word.size());
    std::size_t skip = word.back() == ' ' ? 0 : 1;
    call.argument = call.afterWord.substr(std::min(skip, call.afterWord.size()));
    call.after = c.after;
    return &c;
  }
  return nullptr;
}

}  // namespace torvan
