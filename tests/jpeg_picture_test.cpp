// JPEG pictures: decoded at full size into blue-green-red surfaces; short or broken
// files fail without touching the target.
#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/jpeg_picture.h"
#include "picture_test_support.h"

namespace torvan {
namespace {

using test::encodeJpeg;
using test::JpegOptions;

Surface twoColours(int w, int h) {
  Surface s;
  s.resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = s.row(y) + x * 3;
      const bool left = x < w / 2;
      p[0] = left ? 0 : 255;  // blue on the right
      p[1] = std::uint8_t(y * 255 / std::max(1, h - 1));
      p[2] = left ? 255 : 0;  // red on the left
    }
  return s;
}

// Compares away from the colour edge in the middle, which chroma subsampling blurs.
::testing::AssertionResult nearAwayFromEdge(const Surface& a, const Surface& b, int tolerance) {
  if (a.width != b.width || a.height != b.height)
    return ::testing::AssertionFailure() << "sizes differ";
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      if (std::abs(x - a.width / 2) < 4) continue;
      for (int c = 0; c < 3; ++c) {
        const int u = a.row(y)[x * 3 + c], v = b.row(y)[x * 3 + c];
        if (std::abs(u - v) > tolerance)
          return ::testing::AssertionFailure()
                 << "pixel " << x << "," << y << " component " << c << ": " << u << " vs " << v;
      }
    }
  return ::testing::AssertionSuccess();
}

TEST(JpegPicture, DecodesFullSizeInBlueGreenRedOrder) {
  for (JpegOptions options : {JpegOptions{false, false}, JpegOptions{true, false}}) {
    SCOPED_TRACE(options.progressive ? "progressive" : "baseline");
    const Surface source = twoColours(64, 48);
    Surface out;
    ASSERT_TRUE(decodeJpegPicture(encodeJpeg(source, options), out));
    EXPECT_TRUE(nearAwayFromEdge(out, source, 16));
    const std::uint8_t* left = out.row(24) + 8 * 3;
    const std::uint8_t* right = out.row(24) + 56 * 3;
    EXPECT_GT(left[2], 230);
    EXPECT_LT(left[0], 25);
    EXPECT_GT(right[0], 230);
    EXPECT_LT(right[2], 25);
  }
}

TEST(JpegPicture, OddSizeAndGreyPictures) {
  Surface out;
  ASSERT_TRUE(decodeJpegPicture(encodeJpeg(twoColours(13, 7)), out));
  EXPECT_EQ(out.width, 13);
  EXPECT_EQ(out.height, 7);
  EXPECT_EQ(out.stride, 40);

  ASSERT_TRUE(decodeJpegPicture(encodeJpeg(twoColours(16, 16), {false, true}), out));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t* p = out.row(y) + x * 3;
      EXPECT_EQ(p[0], p[1]);
      EXPECT_EQ(p[1], p[2]);
    }
}

TEST(JpegPicture, MissingEndMarkerAloneIsHarmless) {
  const Bytes full = encodeJpeg(twoColours(40, 40));
  ASSERT_EQ(full[full.size() - 2], 0xFF);
  ASSERT_EQ(full[full.size() - 1], 0xD9);
  Surface whole, clipped;
  ASSERT_TRUE(decodeJpegPicture(full, whole));
  ASSERT_TRUE(decodeJpegPicture(Bytes(full.begin(), full.end() - 2), clipped));
  EXPECT_EQ(clipped.pixels, whole.pixels);
}

TEST(JpegPicture, ShortAndBrokenFilesFailAndLeaveTheTargetAlone) {
  const Bytes baseline = encodeJpeg(twoColours(64, 64));
  const Bytes progressive = encodeJpeg(twoColours(64, 64), {true, false});
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"empty", {}},
      {"not a JPEG", {'P', 'N', 'G', 0, 1, 2, 3}},
      {"only the start marker", {0xFF, 0xD8}},
      {"header only", Bytes(baseline.begin(), baseline.begin() + 200)},
      {"baseline cut in half", Bytes(baseline.begin(), baseline.begin() + baseline.size() / 2)},
      {"baseline missing its last rows", Bytes(baseline.begin(), baseline.end() - 40)},
      {"progressive cut in half",
       Bytes(progressive.begin(), progressive.begin() + progressive.size() / 2)},
      {"scan before the frame header",
       {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}},
  };
  Surface before;
  before.resize(3, 3);
  before.fill(9, 8, 7);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Surface target = before;
    Status st = decodeJpegPicture(c.data, target, "qz_gjp.tvn", "A01");
    ASSERT_FALSE(st);
    EXPECT_EQ(st.error().entry, "A01");
    EXPECT_EQ(target.width, 3);
    EXPECT_EQ(target.pixels, before.pixels);
  }
}

}  // namespace
}  // namespace torvan
