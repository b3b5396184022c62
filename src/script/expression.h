// Expressions, assignments and conditions of the scenario language. Texts are the
// script's own Shift-JIS bytes. Evaluation is strictly left to right without
// precedence: "2+3*4" is 20.
#pragma once

#include <cstdint>
#include <string_view>

namespace torvan {

class Engine;

// The value of an expression; an invalid one is 0 and is reported as "無効数式".
std::int32_t Evaluate(Engine& engine, std::string_view text);
// Runs a ";"-separated assignment list ("!" lines and "calc ").
void Assign(Engine& engine, std::string_view text);
// A chain of comparisons joined by "&" and "|", read left to right with early exits.
bool TestCondition(Engine& engine, std::string_view text);

// What ReportError is told. The code picks the engine's own error word; the text is the
// script text at fault.
enum ScriptErrorCode : int {
  kInvalidExpression = 1,  // "無効数式"
  kAssignmentError = 2,    // "代入エラー"
  kIllegalPicture = 3,     // "ILLEGAL BMP"
};

// The error word of a code, UTF-8 ("無効数式"); unknown codes give "script error".
std::string_view ScriptErrorWord(int code);

// Script errors never reach the player; headless runs and developers see them on
// stderr with the scenario name and the offset of the line:
//   script main at 1234: 無効数式 in 'V001=2+x'
// text is Shift-JIS script text (converted for the message); it may be empty.
void ReportError(Engine& engine, int code, std::string_view text);

}  // namespace torvan
