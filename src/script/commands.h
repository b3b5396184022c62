// The handlers of the command table, grouped by the files that own them.
#pragma once

#include "script/command_table.h"

namespace torvan {

// control_flow_commands.cpp
void cmdGo(Engine&, CommandCall&);
void cmdIf(Engine&, CommandCall&);
void cmdCall(Engine&, CommandCall&);
void cmdChain(Engine&, CommandCall&);
void cmdEnd(Engine&, CommandCall&);
void cmdExit(Engine&, CommandCall&);
void cmdReturn(Engine&, CommandCall&);
void cmdCjmp(Engine&, CommandCall&);
void cmdSwitch(Engine&, CommandCall&);
void cmdBackto(Engine&, CommandCall&);

// choice_commands.cpp
void cmdSelect(Engine&, CommandCall&);
void cmdClickmap(Engine&, CommandCall&);
void cmdSeltree(Engine&, CommandCall&);
void cmdRec(Engine&, CommandCall&);

// game_state_commands.cpp
void cmdCalc(Engine&, CommandCall&);
void cmdGetMax(Engine&, CommandCall&);
void cmdGameinit(Engine&, CommandCall&);
void cmdMark(Engine&, CommandCall&);
void cmdGameclr(Engine&, CommandCall&);
void cmdCgfull(Engine&, CommandCall&);
void cmdTitle(Engine&, CommandCall&);
void cmdSetname(Engine&, CommandCall&);
void cmdLoad(Engine&, CommandCall&);
void cmdSave(Engine&, CommandCall&);
void cmdBreak(Engine&, CommandCall&);
void cmdExitgame(Engine&, CommandCall&);
void cmdSleep(Engine&, CommandCall&);
void cmdWaitVoiceEnd(Engine&, CommandCall&);
void cmdChgprm(Engine&, CommandCall&);

// picture_commands.cpp
void cmdGra(Engine&, CommandCall&);
void cmdGrb(Engine&, CommandCall&);
void cmdClrb(Engine&, CommandCall&);
void cmdSpr(Engine&, CommandCall&);
void cmdPtset(Engine&, CommandCall&);
void cmdPartsload(Engine&, CommandCall&);
void cmdDirect(Engine&, CommandCall&);
void cmdFix(Engine&, CommandCall&);
void cmdUpdate(Engine&, CommandCall&);
void cmdObj(Engine&, CommandCall&);
void cmdAnim(Engine&, CommandCall&);
void cmdEffect(Engine&, CommandCall&);
void cmdScroll(Engine&, CommandCall&);

// sound_commands.cpp
void cmdMusic(Engine&, CommandCall&);
void cmdVoice(Engine&, CommandCall&);
void cmdSe(Engine&, CommandCall&);
void cmdSeloop(Engine&, CommandCall&);
void cmdSeoff(Engine&, CommandCall&);

// presentation_commands.cpp
void cmdWinOpen(Engine&, CommandCall&);
void cmdWinClose(Engine&, CommandCall&);
void cmdTwSet(Engine&, CommandCall&);
void cmdMode(Engine&, CommandCall&);
void cmdSubtitle(Engine&, CommandCall&);
void cmdSpecial(Engine&, CommandCall&);
void cmdShake(Engine&, CommandCall&);
void cmdRoll(Engine&, CommandCall&);
void cmdSroll(Engine&, CommandCall&);
void cmdViewer(Engine&, CommandCall&);
void cmdKaisou(Engine&, CommandCall&);
void cmdMap(Engine&, CommandCall&);
void cmdMovie(Engine&, CommandCall&);
void cmdYaki(Engine&, CommandCall&);

// Shared by several commands: stop skipping and auto as "break" does, and the same
// only when the "BreakonSelect" setting asks for it.
void StopSkipAndAuto(Engine&);
void breakOnSelect(Engine&);

// Reads a decimal integer with an optional sign after leading blanks, as the numeric
// arguments are written; stops at the first other byte. No digits reads as 0.
int parseNumber(std::string_view text);

}  // namespace torvan
