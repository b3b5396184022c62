// The scenario interpreter: loading scenarios, one step of execution, labels, blocks
// and the page state a new scenario starts from.
//
// A scenario entry is Shift-JIS text whose lines end with a 0 byte. The first byte of a
// line gives its kind: 0 an empty line (a line break), ":" a label, ";" a comment, "{"
// and "}" block lines, "!" an assignment list, "*" or "@" a command, ">" a speaker,
// "\" "~" "+" page waits, "=" a line wait; anything else is a text line.
#pragma once

#include <cstdint>
#include <string_view>

namespace torvan {

class Engine;
struct ScriptState;

enum class ScenarioTarget { Story = 1, Auxiliary = 2 };

// Returned by the searches when nothing is found. Both lie past the end of any
// scenario, so a jump to them ends the scenario as running off its end does.
inline constexpr std::int32_t kNoLine = 16777215;
inline constexpr std::int32_t kNoBlockEnd = 65535;

// Loads a scenario by name from the script archives ("qz_data2.tvn" first). Returns
// false and changes nothing when neither archive has it.
bool LoadScenario(Engine& engine, std::string_view name, ScenarioTarget target);

// Reads and runs lines until one yields to the main loop.
void RunStep(Engine& engine);

// The offset just after the line made of ":" and name (case-insensitive), or -1.
std::int32_t FindLabel(const ScriptState& script, std::string_view name);
// Jumps there when the label exists; otherwise nothing changes.
void GotoLabel(Engine& engine, std::string_view name);
// The start of the next line at or after from whose first byte is ch, or kNoLine.
std::int32_t NextLineStartingWith(const ScriptState& script, std::int32_t from, char ch);
// The first line "}:" name at or after from, or kNoBlockEnd.
std::int32_t FindBlockEnd(const ScriptState& script, std::int32_t from, std::string_view name);

// Pops the call stack: reloads the caller and continues after its "call " line.
void ReturnFromCall(Engine& engine);

// Character delay 1, text skip off, no wait, no choice, the cursor at the page's start.
void ResetPageState(Engine& engine);

// A script fault that the player never sees: one line on stderr naming the scenario
// and the offset of the line being run.
void scriptWarning(const Engine& engine, std::string_view what);

// Case-insensitive comparison of ASCII letters; other bytes compare as they are.
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace torvan
