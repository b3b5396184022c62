#include "modes/credits_roll.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/engine.h"
#include "core/sjis.h"
#include "graphics/frame_clock.h"
#include "graphics/scene.h"
#include "script/commands.h"
#include "script/interpreter.h"
#include "text/glyph_draw.h"
#include "text/glyph_font.h"

namespace torvan {

namespace {

constexpr int kDefaultFrameMs = 30;
constexpr int kMaxFrameMs = 100;
constexpr int kLinePitch = 32;
constexpr int kFontHeight = 30;
constexpr int kFirstLineY = 600;
constexpr int kPanelX = 544;
constexpr int kPanelWidth = 256;
constexpr int kPanelHeight = 600;
constexpr int kStripLeft = 64;
constexpr int kFadeRows = 128;
constexpr int kLowerFadeEdge = 479;
// Only this much of a line can show in the strip; the rest is not worth rasterising.
constexpr std::size_t kMaxLineBytes = 128;

constexpr std::pair<int, int> kStoryFlagRanges[] = {{1, 38},    {101, 131}, {201, 250}, {301, 337},
                                                    {401, 444}, {501, 521}, {601, 607}};
constexpr int kStoryFlagCount = 228;

}  // namespace

EndrollScript ParseEndroll(std::span<const std::uint8_t> data) {
  EndrollScript out;
  std::vector<std::string_view> lines;
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t end = std::min(text.find('\0', p), text.size());
    std::string_view line = text.substr(p, end - p);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    p = end + 1;
  }
  if (lines.empty()) {
    out.faults.push_back("empty; nothing to roll");
    return out;
  }
  out.frameMs = parseNumber(lines[0]);
  std::size_t i = 1;
  while (i < lines.size() && (lines[i].empty() || lines[i][0] != '*')) ++i;
  if (i >= lines.size()) {
    out.faults.push_back("no line starting with \"*\" before the credits; nothing to roll");
    return out;
  }
  bool closed = false;
  for (++i; i < lines.size(); ++i) {
    if (!lines[i].empty() && lines[i][0] == '*') {
      closed = true;
      break;
    }
    if (out.lines.size() == kMaxCreditLines) {
      out.faults.push_back("more than " + std::to_string(kMaxCreditLines) +
                           " credit lines; the rest are left out");
      closed = true;
      break;
    }
    out.lines.emplace_back(cutSjis(lines[i], kMaxLineBytes));
  }
  if (!closed) out.faults.push_back("the credits end without a line starting with \"*\"");
  return out;
}

int CreditsFrameMs(int written) {
  if (written <= 0) return kDefaultFrameMs;
  return std::min(written, kMaxFrameMs);
}

int CreditsScrollEnd(std::size_t lines) {
  return kLinePitch * static_cast<int>(std::min(lines, kMaxCreditLines)) + kFirstLineY;
}

CreditsStrip BuildCreditsStrip(GlyphFont& font, const std::vector<std::string>& lines) {
  CreditsStrip strip;
  const std::size_t n = std::min(lines.size(), kMaxCreditLines);
  // A full pitch below the last line: 20 rows less would cut that line to its top 12.
  strip.height = kLinePitch * static_cast<int>(n) + kFirstLineY;
  strip.lit.assign(static_cast<std::size_t>(strip.height) * CreditsStrip::kWidth, 0);
  // Each line is drawn alone and thresholded, so the strip keeps only two colours and
  // a descender reaching into the next line's rows does not wipe it.
  Surface line;
  line.resize(CreditsStrip::kWidth, kLinePitch + 8);
  for (std::size_t i = 0; i < n; ++i) {
    if (lines[i].empty()) continue;
    line.fill(0, 0, 0);
    font.drawPlain(line, 0, 0, SjisCodePoints(lines[i]), kFontHeight, Rgb{255, 255, 255});
    const int top = kFirstLineY + kLinePitch * static_cast<int>(i);
    for (int r = 0; r < line.height && top + r < strip.height; ++r) {
      const std::uint8_t* src = line.row(r);
      std::uint8_t* dst =
          strip.lit.data() + static_cast<std::size_t>(top + r) * CreditsStrip::kWidth;
      for (int x = 0; x < CreditsStrip::kWidth; ++x)
        if (src[x * 3] >= 128) dst[x] = 1;
    }
  }
  return strip;
}

void DrawCreditsPanel(const CreditsStrip& strip, int p, Surface& panel) {
  const int rows = std::min(panel.height, kPanelHeight);
  const int columns = std::min(panel.width, kPanelWidth);
  for (int y = 0; y < rows; ++y) {
    std::uint8_t* out = panel.row(y);
    std::uint8_t lit = 255;
    if (y < kFadeRows)
      lit = static_cast<std::uint8_t>(2 * y);
    else if (y <= kLowerFadeEdge && y > kLowerFadeEdge - kFadeRows)
      lit = static_cast<std::uint8_t>(2 * (kLowerFadeEdge - y));
    const int sy = p + y;
    const bool inside = sy >= 0 && sy < strip.height;
    const std::uint8_t* src =
        inside ? strip.lit.data() + static_cast<std::size_t>(sy) * CreditsStrip::kWidth + kStripLeft
               : nullptr;
    for (int x = 0; x < columns; ++x) {
      const std::uint8_t v = (src && src[x]) ? lit : 0;
      out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = v;
    }
  }
}

void PlayCreditsRoll(Engine& e) {
  if (!LoadScenario(e, "endroll", ScenarioTarget::Auxiliary)) return;
  const auto size = static_cast<std::size_t>(std::clamp<std::int32_t>(
      e.script.auxSize, 0, static_cast<std::int32_t>(e.script.auxiliary.size())));
  const EndrollScript script = ParseEndroll(std::span(e.script.auxiliary.data(), size));
  for (const std::string& fault : script.faults) scriptWarning(e, "\"endroll\": " + fault);
  if (script.lines.empty()) return;
  const int frameMs = CreditsFrameMs(script.frameMs);
  if (frameMs != script.frameMs)
    scriptWarning(e, "\"endroll\": frame time " + std::to_string(script.frameMs) +
                         " ms; rolling at " + std::to_string(frameMs) + " ms");

  const std::int32_t busy = e.run.busy;
  e.run.busy = 1;
  GlyphFont font;
  font.open(*utf8ToSjis("ＭＳ 明朝"), 24, false);
  const CreditsStrip strip = BuildCreditsStrip(font, script.lines);

  Surfaces& s = e.surfaces;
  Surface& win = s.window;
  Surface panel;
  panel.resize(kPanelWidth, kPanelHeight);
  const int end = CreditsScrollEnd(script.lines.size());
  const int left = std::min({kPanelX, win.width, s.background.width});
  const int height = std::min({kPanelHeight, win.height, s.background.height});
  for (int p = 0; p < end && !e.run.quit && !e.closed(); p += 2) {
    const std::int64_t frameStart = e.host.tickCount();
    for (int y = 0; y < height; ++y)
      std::memcpy(win.row(y), s.background.row(y), static_cast<std::size_t>(left) * 3);
    DrawCreditsPanel(strip, p, panel);
    const int panelColumns = std::min(kPanelWidth, win.width - kPanelX);
    for (int y = 0; y < std::min(kPanelHeight, win.height) && panelColumns > 0; ++y)
      std::memcpy(win.row(y) + kPanelX * 3, panel.row(y),
                  static_cast<std::size_t>(panelColumns) * 3);
    e.host.present(win, Rect{0, 0, win.width, win.height});
    WaitUntil(e.host, frameStart + frameMs);
  }
  e.run.busy = busy;
}

int CompletionPercent(const FlagBank<128>& evr) {
  int count = 0;
  for (auto [first, last] : kStoryFlagRanges)
    for (int n = first; n <= last; ++n) count += evr.get(static_cast<std::size_t>(n)) ? 1 : 0;
  return count * 100 / kStoryFlagCount;
}

void DrawCompletion(Engine& e) {
  Surface& win = e.surfaces.window;
  if (win.empty()) return;
  const std::string figure = std::to_string(CompletionPercent(e.vars.evr));
  constexpr int kHeight = 32, kRight = 570, kTop = 12;
  const int width = MeasurePlainText(e, figure, kHeight);
  DrawPlainText(e, win, kRight - width, kTop, figure, kHeight, Rgb{255, 255, 255});
  // The face may reach a little below its nominal height.
  const int x = std::max(0, kRight - width);
  e.host.present(
      win, Rect{x, kTop, std::min(width, win.width - x), std::min(kHeight + 8, win.height - kTop)});
}

}  // namespace torvan
