// The blend kernels against their scalar formulas over every byte value, in every
// kernel set this machine runs, and the masked sprite drawing built on them.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/blend.h"
#include "graphics/sprite_draw.h"

namespace torvan {
namespace {

std::vector<KernelSet> supportedSets() {
  std::vector<KernelSet> sets;
  for (KernelSet s : {KernelSet::Scalar, KernelSet::Sse2, KernelSet::Avx2})
    if (kernelSetSupported(s)) sets.push_back(s);
  return sets;
}

// Every (x, y) byte pair once: x is the low byte of the index, y the high byte. One
// extra byte in front makes every load unaligned.
struct AllPairs {
  std::vector<std::uint8_t> xs = std::vector<std::uint8_t>(65536 + 1);
  std::vector<std::uint8_t> ys = std::vector<std::uint8_t>(65536 + 1);
  std::vector<std::uint8_t> out = std::vector<std::uint8_t>(65536 + 1);
  AllPairs() {
    for (int i = 0; i < 65536; ++i) {
      xs[i + 1] = std::uint8_t(i);
      ys[i + 1] = std::uint8_t(i >> 8);
    }
  }
  const std::uint8_t* x() const { return xs.data() + 1; }
  const std::uint8_t* y() const { return ys.data() + 1; }
  std::uint8_t* o() { return out.data() + 1; }
};

TEST(BlendKernels, LevelMatchesFormulaForAllBytesAndLevels) {
  AllPairs p;
  for (KernelSet set : supportedSets()) {
    const BlendKernels& k = blendKernels(set);
    for (int a = 0; a <= 256; ++a) {
      k.level(p.x(), p.y(), p.o(), a, 65536 / 8);
      for (int i = 0; i < 65536; ++i) {
        const int want = (p.x()[i] * a + p.y()[i] * (256 - a)) >> 8;
        ASSERT_EQ(p.o()[i], want) << kernelSetName(set) << " a=" << a << " i=" << i;
      }
    }
    // The edge values: a = 0 is Y, a = 256 is X, 128 of 255 and 0 is 127.
    std::uint8_t x[8] = {255, 255, 255, 255, 255, 255, 255, 255}, y[8] = {}, out[8];
    k.level(x, y, out, 128, 1);
    EXPECT_EQ(out[0], 127);
  }
}

TEST(BlendKernels, MaskedMatchesFormulaForAllBytesAndMasks) {
  AllPairs p;
  std::vector<std::uint8_t> m(65536 + 1);
  for (KernelSet set : supportedSets()) {
    const BlendKernels& k = blendKernels(set);
    for (int mv = 0; mv < 256; ++mv) {
      std::fill(m.begin(), m.end(), std::uint8_t(mv));
      k.masked(p.x(), p.y(), m.data() + 1, p.o(), 65536 / 8);
      for (int i = 0; i < 65536; ++i) {
        const int want = ((p.x()[i] * (255 - mv)) >> 8) + ((p.y()[i] * mv) >> 8);
        ASSERT_EQ(p.o()[i], want) << kernelSetName(set) << " m=" << mv << " i=" << i;
      }
    }
    struct Case {
      std::uint8_t a, b, m, want;
    };
    for (Case c : {Case{0, 255, 255, 254}, Case{255, 255, 128, 253}, Case{255, 0, 0, 254}}) {
      std::uint8_t a[8], b[8], mm[8], out[8];
      std::fill(a, a + 8, c.a), std::fill(b, b + 8, c.b), std::fill(mm, mm + 8, c.m);
      k.masked(a, b, mm, out, 1);
      EXPECT_EQ(out[7], c.want) << kernelSetName(set) << int(c.a) << "," << int(c.b);
    }
  }
}

TEST(BlendKernels, DarkenMatchesFormulaAndGroupCountsLeaveTheRestAlone) {
  AllPairs p;
  for (KernelSet set : supportedSets()) {
    const BlendKernels& k = blendKernels(set);
    for (int v = 0; v <= 256; ++v) {
      k.darken(p.x(), p.o(), v, 65536 / 8);
      for (int i = 0; i < 65536; ++i)
        ASSERT_EQ(p.o()[i], (p.x()[i] * v) >> 8) << kernelSetName(set) << " v=" << v;
    }
    // Odd group counts go through the narrower paths; bytes past the groups stay.
    for (std::size_t groups : {1u, 2u, 3u, 5u, 7u, 9u}) {
      std::vector<std::uint8_t> out(groups * 8 + 8, 0xEE);
      k.level(p.x(), p.y(), out.data(), 77, groups);
      for (std::size_t i = 0; i < groups * 8; ++i)
        ASSERT_EQ(out[i], (p.x()[i] * 77 + p.y()[i] * 179) >> 8);
      for (std::size_t i = groups * 8; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE);
    }
  }
}

TEST(BlendKernels, DarkenSurfaceCoversRowsWhoseLengthIsNotWholeGroups) {
  Surface src, dst;
  src.resize(5, 2);  // 15 bytes a row: one group and a 7-byte tail
  src.fill(200, 100, 9);
  dst.resize(5, 2);
  Darken(src, dst, 128);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(dst.row(y)[x * 3], 100);
      EXPECT_EQ(dst.row(y)[x * 3 + 2], 4);
    }
}

Surface solid(int w, int h, std::uint8_t v) {
  Surface s;
  s.resize(w, h);
  s.fill(v, v, v);
  return s;
}

TEST(MaskedSprite, OpaqueMaskShowsGroupsAt255Over256AndTheTailUnchanged) {
  Surface dst = solid(20, 3, 0);
  Surface sprite = solid(13, 3, 255), mask = solid(13, 3, 255);  // 8-pixel group + 5
  DrawMaskedSprite(dst, sprite, mask, 2, 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(dst.row(y)[x * 3], 0);
    for (int x = 2; x < 10; ++x) EXPECT_EQ(dst.row(y)[x * 3], 254) << x;
    for (int x = 10; x < 15; ++x) EXPECT_EQ(dst.row(y)[x * 3], 255) << x;
    for (int x = 15; x < 20; ++x) EXPECT_EQ(dst.row(y)[x * 3], 0);
  }
}

TEST(MaskedSprite, TailPixelsSubtractTheMaskThenAddTheSprite) {
  Surface dst = solid(3, 1, 100);
  Surface sprite = solid(3, 1, 30), mask = solid(3, 1, 60);
  mask.row(0)[3] = 200;  // D - M below 0 counts as 0
  sprite.row(0)[6] = 250;
  DrawMaskedSprite(dst, sprite, mask, 0, 0);
  EXPECT_EQ(dst.row(0)[0], 70);   // 100 - 60 + 30
  EXPECT_EQ(dst.row(0)[3], 30);   // max(0, 100 - 200) + 30
  EXPECT_EQ(dst.row(0)[6], 255);  // 40 + 250, kept at 255
}

TEST(MaskedSprite, ClipsAtEveryEdge) {
  // Columns of the sprite carry their own index so that the clipped part shows.
  Surface sprite;
  sprite.resize(100, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 100; ++x) sprite.row(y)[x * 3] = std::uint8_t(x);
  Surface mask = solid(100, 10, 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 100; ++x) mask.row(y)[x * 3] = 0;
  // A zero mask in the tail adds the sprite byte onto the destination; with a black
  // destination the tail shows the sprite byte, which identifies the column.
  Surface dst = solid(60, 8, 0);
  DrawMaskedSprite(dst, sprite, mask, -50, -3);
  // 50 columns visible: 48 in groups (blend with M = 0 keeps D = 0), 2 in the tail.
  EXPECT_EQ(dst.row(0)[48 * 3], 98);
  EXPECT_EQ(dst.row(6)[49 * 3], 99);
  EXPECT_EQ(dst.row(7)[49 * 3], 0);  // 10 rows less the 3 cut off
  EXPECT_EQ(dst.row(0)[50 * 3], 0);

  Surface right = solid(60, 8, 0);
  DrawMaskedSprite(right, sprite, mask, 55, 6);  // 5 columns and 2 rows are left
  EXPECT_EQ(right.row(6)[59 * 3], 4);
  EXPECT_EQ(right.row(5)[59 * 3], 0);

  Surface untouched = solid(60, 8, 7);
  DrawMaskedSprite(untouched, sprite, mask, 60, 0);
  DrawMaskedSprite(untouched, sprite, mask, 0, 9);
  DrawMaskedSprite(untouched, sprite, mask, -100, 0);
  EXPECT_EQ(untouched.pixels, solid(60, 8, 7).pixels);

  // A mask smaller than its sprite (one that failed to load) limits the drawing.
  Surface small = solid(60, 8, 0);
  DrawMaskedSprite(small, sprite, solid(4, 2, 0), 0, 0);
  EXPECT_EQ(small.row(1)[3 * 3], 3);
  EXPECT_EQ(small.row(2)[3 * 3], 0);
  EXPECT_EQ(small.row(1)[4 * 3], 0);
}

TEST(InterfaceMasks, SideAndStackedHalvesBlendWholeGroupsAndRefuseWhatDoesNotFit) {
  // Half width 3: 9 bytes a row, one group blended, the ninth byte kept.
  Surface side;
  side.resize(6, 2);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 9; ++i) {
      side.row(y)[i] = 255;      // image
      side.row(y)[9 + i] = 255;  // mask
    }
  Surface dst = solid(4, 3, 10);
  ASSERT_TRUE(DrawSideMasked(dst, 1, 1, side));
  EXPECT_EQ(dst.row(1)[3], 254);
  EXPECT_EQ(dst.row(1)[3 + 7], 254);
  EXPECT_EQ(dst.row(1)[3 + 8], 10);
  EXPECT_EQ(dst.row(0)[3], 10);
  EXPECT_FALSE(DrawSideMasked(dst, 2, 1, side));
  EXPECT_FALSE(DrawSideMasked(dst, -1, 0, side));

  Surface stacked = solid(8, 4, 255);  // image rows 0..1, mask rows 2..3
  Surface d2 = solid(8, 2, 0);
  ASSERT_TRUE(DrawStackedMasked(d2, 0, 0, stacked));
  EXPECT_EQ(d2.row(1)[23], 254);
  EXPECT_FALSE(DrawStackedMasked(d2, 0, 1, stacked));
}

}  // namespace
}  // namespace torvan
