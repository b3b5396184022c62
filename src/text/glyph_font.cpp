#include "text/glyph_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <algorithm>
#include <cstring>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include "core/log.h"
#include "core/sjis.h"
#include "graphics/blend.h"

namespace torvan {

namespace {

FT_Library lib(void* p) {
  return static_cast<FT_Library>(p);
}
FT_Face face(void* p) {
  return static_cast<FT_Face>(p);
}

bool contains(std::string_view s, std::string_view part) {
  return s.find(part) != std::string_view::npos;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

bool wantsSans(std::string_view name) {
  const std::string l = lower(name);
  return contains(name, "ゴシック") || contains(l, "gothic") || contains(l, "sans");
}

// The file fontconfig matches for a pattern, and whether its family is the one asked
// for (fontconfig always answers with something, even for unknown names).
std::string match(const std::string& family, bool requireFamily, const char* generic) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return {};
  if (!family.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  if (generic) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!found) return {};
  std::string file;
  FcChar8* path = nullptr;
  bool familyMatches = !requireFamily;
  if (requireFamily) {
    FcChar8* f = nullptr;
    for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &f) == FcResultMatch; ++i)
      if (lower(reinterpret_cast<const char*>(f)) == lower(family)) familyMatches = true;
  }
  if (familyMatches && FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch)
    file = reinterpret_cast<const char*>(path);
  FcPatternDestroy(found);
  return file;
}

// Decodes UTF-8 into code points; the converter never hands back broken sequences.
std::u32string decodeUtf8(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (i + std::size_t(n) > s.size()) n = 1;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(c);
    i += std::size_t(n);
  }
  return out;
}

// Blends one row of `count` pixels starting at column x of target with a colour and a
// per-pixel alpha; runs through the shared kernels on a 32-pixel scratch row so that
// glyphs blend exactly like every other picture, and clips at the target's edges.
void blendRow(Surface& target, int x, int y, const std::uint8_t* alpha, const std::uint8_t* plane) {
  if (y < 0 || y >= target.height) return;
  const int from = std::max(0, -x), to = std::min(kCellWidth, target.width - x);
  if (from >= to) return;
  std::array<std::uint8_t, kCellWidth * 3> row{}, mask{};
  std::uint8_t* t = target.row(y);
  bool any = false;
  for (int j = from; j < to; ++j) {
    std::memcpy(&row[std::size_t(j) * 3], t + (x + j) * 3, 3);
    std::memset(&mask[std::size_t(j) * 3], alpha[j], 3);
    any |= alpha[j] != 0;
  }
  if (!any) return;
  BlendMasked(row.data(), plane, mask.data(), row.data(), row.size() / 8);
  for (int j = from; j < to; ++j) std::memcpy(t + (x + j) * 3, &row[std::size_t(j) * 3], 3);
}

}  // namespace

std::u32string SjisCodePoints(std::string_view sjis) {
  return decodeUtf8(sjisToUtf8(sjis));
}

std::uint16_t GlyphCode(std::string_view ch) {
  if (ch.empty()) return 0;
  if (ch.size() < 2) return static_cast<unsigned char>(ch[0]);
  return std::uint16_t(static_cast<unsigned char>(ch[0]) << 8 | static_cast<unsigned char>(ch[1]));
}

std::string ResolveFontFile(std::string_view faceName) {
  // The faces of the original platform are not on Linux; the IPA faces have the same
  // metrics class (full-width cells, mincho and gothic designs).
  std::string name(faceName);
  const bool sans = wantsSans(name);
  if (contains(name, "ＭＳ") || contains(name, "MS ")) name = sans ? "IPAGothic" : "IPAMincho";
  if (!name.empty())
    if (std::string f = match(name, true, nullptr); !f.empty()) return f;
  if (std::string f = match(sans ? "IPAGothic" : "IPAMincho", true, nullptr); !f.empty()) return f;
  return match({}, false, sans ? "sans-serif" : "serif");
}

Rgb TextColour(int index) {
  static constexpr Rgb kColours[8] = {{255, 255, 255}, {0, 128, 0}, {255, 0, 0},   {128, 0, 128},
                                      {255, 255, 0},   {0, 0, 255}, {0, 255, 255}, {192, 192, 192}};
  return kColours[index & 7];
}

GlyphFont::~GlyphFont() {
  close();
}

void GlyphFont::close() {
  if (face_) FT_Done_Face(face(face_));
  if (library_) FT_Done_FreeType(lib(library_));
  face_ = library_ = nullptr;
  file_.clear();
}

bool GlyphFont::open(std::string_view sjisFaceName, int points, bool bold) {
  close();
  points_ = std::clamp(points, 1, 72);
  bold_ = bold;
  const std::string wanted = sjisToUtf8(sjisFaceName);
  const std::string file = ResolveFontFile(wanted);
  FT_Library l = nullptr;
  if (file.empty() || FT_Init_FreeType(&l) != 0) {
    warn("font \"" + wanted + "\": no installed face found; text draws as nothing");
    return false;
  }
  library_ = l;
  FT_Face f = nullptr;
  if (FT_New_Face(l, file.c_str(), 0, &f) != 0) {
    warn(file + ": the font file cannot be opened; text draws as nothing");
    close();
    return false;
  }
  face_ = f;
  file_ = file;
  applyCellSize();
  return true;
}

void GlyphFont::applyCellSize() {
  FT_Set_Char_Size(face(face_), 0, FT_F26Dot6(points_) * 64, 96, 96);
}

void GlyphFont::renderCell(char32_t codePoint, GlyphMask& out) {
  out.pixels.fill(0);
  if (!face_) return;
  FT_Face f = face(face_);
  const FT_UInt index = FT_Get_Char_Index(f, FT_ULong(codePoint));
  if (index == 0) return;
  if (FT_Load_Glyph(f, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return;
  if (bold_) FT_GlyphSlot_Embolden(f->glyph);
  if (FT_Render_Glyph(f->glyph, FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bm = f->glyph->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || !bm.buffer) return;
  const int ascent = int((f->size->metrics.ascender + 63) >> 6);
  const int top = 2 + ascent - f->glyph->bitmap_top;
  const int left = f->glyph->bitmap_left;
  for (int i = 0; i < int(bm.rows); ++i) {
    const int row = top + i;
    if (row < 0 || row >= kCellHeight) continue;
    const unsigned char* src = bm.buffer + std::ptrdiff_t(i) * bm.pitch;
    for (int j = 0; j < int(bm.width); ++j) {
      const int column = left + j;
      if (column < 0 || column >= kCellWidth) continue;
      // The 8-bit coverage scaled to the 65 levels the engine's mapping expects.
      const int level = (src[j] * 64 + 127) / 255;
      out.pixels[std::size_t(row * kCellWidth + column)] = CoverageFromLevel(level);
    }
  }
}

int GlyphFont::drawPlain(Surface& target, int x, int y, std::u32string_view text, int pixelHeight,
                         Rgb colour) {
  if (!face_ || pixelHeight <= 0) return 0;
  FT_Face f = face(face_);
  FT_Set_Pixel_Sizes(f, 0, FT_UInt(std::min(pixelHeight, 256)));
  const int baseline = y + int((f->size->metrics.ascender + 63) >> 6);
  int pen = x;
  for (char32_t c : text) {
    const FT_UInt index = FT_Get_Char_Index(f, FT_ULong(c));
    if (FT_Load_Glyph(f, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) continue;
    if (FT_Render_Glyph(f->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
    const FT_Bitmap& bm = f->glyph->bitmap;
    if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.buffer) {
      for (int i = 0; i < int(bm.rows); ++i) {
        const int ty = baseline - f->glyph->bitmap_top + i;
        if (ty < 0 || ty >= target.height) continue;
        const unsigned char* src = bm.buffer + std::ptrdiff_t(i) * bm.pitch;
        for (int j = 0; j < int(bm.width); ++j) {
          const int tx = pen + f->glyph->bitmap_left + j;
          const int a = src[j];
          if (tx < 0 || tx >= target.width || a == 0) continue;
          std::uint8_t* p = target.row(ty) + tx * 3;
          const std::uint8_t cs[3] = {colour.b, colour.g, colour.r};
          for (int k = 0; k < 3; ++k)
            p[k] = std::uint8_t(((p[k] * (255 - a)) >> 8) + ((cs[k] * a) >> 8));
        }
      }
    }
    pen += int(f->glyph->advance.x >> 6);
  }
  applyCellSize();
  return pen - x;
}

int GlyphFont::measurePlain(std::u32string_view text, int pixelHeight) {
  if (!face_ || pixelHeight <= 0) return 0;
  FT_Face f = face(face_);
  FT_Set_Pixel_Sizes(f, 0, FT_UInt(std::min(pixelHeight, 256)));
  int width = 0;
  for (char32_t c : text)
    if (FT_Load_Glyph(f, FT_Get_Char_Index(f, FT_ULong(c)), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) ==
        0)
      width += int(f->glyph->advance.x >> 6);
  applyCellSize();
  return width;
}

const GlyphMask* GlyphCache::find(std::uint16_t code) const {
  for (std::size_t i = 0; i < codes.size(); ++i)
    if (codes[i] == code) return &masks[i];
  return nullptr;
}

bool GlyphCache::add(std::uint16_t code, const GlyphMask& mask) {
  if (codes.size() >= kEntries) return false;
  if (codes.capacity() < kEntries) {
    codes.reserve(kEntries);
    masks.reserve(kEntries);
  }
  codes.push_back(code);
  masks.push_back(mask);
  return true;
}

void MakeShadow(const GlyphMask& g, GlyphMask& s) {
  s.pixels.fill(0);
  for (int i = 1; i <= 33; ++i)
    for (int j = 1; j <= 30; ++j)
      s.pixels[std::size_t((i + 1) * kCellWidth + j)] =
          std::uint8_t((g.at(i - 1, j) + g.at(i, j - 1) + g.at(i, j + 1) + g.at(i + 1, j)) / 4);
}

void GlyphRenderer::render(std::string_view character) {
  const std::uint16_t code = GlyphCode(character);
  if (const GlyphMask* m = cache.find(code)) {
    glyph = *m;
  } else {
    const std::u32string cps = decodeUtf8(sjisToUtf8(character));
    if (cps.size() == 1 && cps[0] != 0xFFFD)
      font.renderCell(cps[0], glyph);
    else
      glyph.pixels.fill(0);
    ++rendered;
    cache.add(code, glyph);
  }
  MakeShadow(glyph, shadow);
}

void DrawGlyph(const GlyphRenderer& r, Surface& target, int x, int y, int colour) {
  std::array<std::uint8_t, kCellWidth * 3> black{}, plane{};
  const Rgb c = TextColour(colour);
  for (int j = 0; j < kCellWidth; ++j) {
    plane[std::size_t(j) * 3] = c.b;
    plane[std::size_t(j) * 3 + 1] = c.g;
    plane[std::size_t(j) * 3 + 2] = c.r;
  }
  for (int i = 0; i < kCellHeight; ++i) {
    blendRow(target, x + 1, y + i, &r.shadow.pixels[std::size_t(i * kCellWidth)], black.data());
    blendRow(target, x, y + i, &r.glyph.pixels[std::size_t(i * kCellWidth)], plane.data());
  }
}

}  // namespace torvan
