// Message text on the engine's surfaces: characters drawn into the back buffer (the
// screen surface) and their cells copied to the window, runs of text, the name plate,
// ruby, the redraw of a whole page and the ordinary text output other screens use.
#pragma once

#include <string_view>

#include "graphics/surface.h"
#include "text/glyph_font.h"

namespace torvan {

class Engine;

// Opens the face from the settings ("FontName", "FONTSIZE", "FONTBOLD"), empties the
// glyph cache and pre-renders the common characters: hiragana, katakana, full-width
// digits and the usual punctuation.
void RebuildGlyphCache(Engine& e);

// One Shift-JIS character blended into target with its cell at (x, y).
void DrawCharacter(Engine& e, Surface& target, int x, int y, std::string_view character,
                   int colour);
// The same into the back buffer, then its cell copied to the window.
void DrawGlyphToScreen(Engine& e, int x, int y, std::string_view character, int colour);

// The character starting at byte p (counting from 1) goes to x0 + 16 p.
void DrawTextRun(Engine& e, std::string_view text, int x0, Surface& target, int colour, int y);
// As DrawTextRun, centred on centreX by the text's byte length.
void DrawTextCentred(Engine& e, std::string_view text, int centreX, Surface& target, int colour,
                     int y);
// The speaker name at (48, 428) in the back buffer, then that 200 x 32 area on the window.
void DrawSpeakerName(Engine& e, std::string_view text, int colour);
// Ruby above the next character of the page, on the back buffer and the window.
void DrawRuby(Engine& e, std::string_view text);
// Draws every character of the page again (after the scene behind it was repainted).
// With present false only the back buffer is drawn, for frames still being composed.
void RedrawPage(Engine& e, bool present = true);

// Ordinary text output over the message face: Shift-JIS text, its top at (x, y), a
// pixel height, a colour and a transparent background. Returns the width drawn.
int DrawPlainText(Engine& e, Surface& target, int x, int y, std::string_view sjis, int pixelHeight,
                  Rgb colour);

// The width DrawPlainText would take.
int MeasurePlainText(Engine& e, std::string_view sjis, int pixelHeight);

// Copies an area of the back buffer to the window and presents it.
void PresentArea(Engine& e, int x, int y, int w, int h);

}  // namespace torvan
