// torvan-tool "picture", run as the separate program users run; also covers PNG I/O.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <png.h>

#include <cstdio>
#include <string>

#include "archive/packed_picture.h"
#include "archive/png_io.h"
#include "picture_test_support.h"
#include "test_support.h"

namespace torvan {
namespace {

using test::TempDir;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

ToolRun tool(const TempDir& dir, const std::string& args) {
  const std::string errFile = dir.file(".stderr");
  const std::string command =
      "cd '" + dir.path() + "' && '" TORVAN_TOOL "' picture " + args + " 2>'" + errFile + "'";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = test::readText(errFile);
  return run;
}

Surface pattern(int w, int h) {
  Surface s;
  s.resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = s.row(y) + x * 3;
      p[0] = std::uint8_t(x * 7 + y);
      p[1] = std::uint8_t((x / 4) * 40);
      p[2] = std::uint8_t(y * 13 ^ x);
    }
  return s;
}

TEST(ToolPicture, EncodeAndDecodeRoundTripThroughPng) {
  TempDir dir;
  const Surface picture = pattern(37, 21);  // odd width: padded bitmap rows
  ASSERT_TRUE(writePng(dir.file("in.png"), picture));
  for (const char* flags : {"", "--rle", "--delta", "--rle --delta"}) {
    SCOPED_TRACE(flags);
    ToolRun enc = tool(dir, std::string("encode in.png -o pic.bin ") + flags);
    ASSERT_EQ(enc.status, 0) << enc.err;
    const Bytes packed = test::readBytes(dir.file("pic.bin"));
    ASSERT_GE(packed.size(), kPackedHeaderSize);
    EXPECT_EQ(packed[2], (std::string(flags).find("rle") != std::string::npos ? 0x40 : 0) |
                             (std::string(flags).find("delta") != std::string::npos ? 0x80 : 0));
    ToolRun dec = tool(dir, "decode pic.bin -o out.png");
    ASSERT_EQ(dec.status, 0) << dec.err;
    auto back = readPng(dir.file("out.png"));
    ASSERT_TRUE(back) << back.error().text();
    EXPECT_EQ(back->width, 37);
    EXPECT_EQ(back->pixels, picture.pixels);
  }
}

TEST(ToolPicture, DecodesJpegFiles) {
  TempDir dir;
  test::writeBytes(dir.file("a.jpg"), test::encodeJpeg(pattern(30, 20)));
  ToolRun run = tool(dir, "decode a.jpg -o a.png");
  ASSERT_EQ(run.status, 0) << run.err;
  auto png = readPng(dir.file("a.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 30);
  EXPECT_EQ(png->height, 20);
}

TEST(ToolPicture, ExitStatusAndMessages) {
  TempDir dir;
  test::writeText(dir.file("not.png"), "hello");
  test::writeBytes(dir.file("bad.bin"), Bytes(20, 0));
  const struct {
    const char* args;
    int status;
    const char* inOutput;  // expected in stdout (status 0) or stderr
  } cases[] = {
      {"--help", 0, "encode IN.png"},
      {"encode --help", 0, "--delta"},
      {"decode --help", 0, "JPEG"},
      {"", 2, "usage"},
      {"resize x", 2, "unknown subcommand"},
      {"encode not.png", 2, "-o OUT"},
      {"encode not.png -o x --fast", 2, "unknown option"},
      {"encode not.png -o x", 1, "not a PNG"},
      {"encode missing.png -o x", 1, "missing.png"},
      {"decode bad.bin -o x.png", 1, "bad.bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    ToolRun run = tool(dir, c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.inOutput), std::string::npos)
        << run.out << run.err;
  }
  EXPECT_FALSE(test::readText(dir.file("x")).size());
}

// PNG files written with libpng's simplified interface, independently of png_io.
Bytes simplePng(png_uint_32 format, int w, int h, const void* pixels,
                const void* colormap = nullptr, int colours = 0) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(w);
  image.height = png_uint_32(h);
  image.format = format;
  image.colormap_entries = png_uint_32(colours);
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, colormap);
  Bytes out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, colormap)) return {};
  out.resize(size);
  return out;
}

TEST(PngIo, ReadsGreyPaletteAndAlphaPicturesAsBlueGreenRed) {
  const std::uint8_t grey[] = {0, 128};
  const std::uint8_t rgba[] = {30, 20, 10, 0, 1, 2, 3, 255};
  const std::uint8_t palette[] = {255, 0, 0, 0, 0, 255};  // red, blue
  const std::uint8_t indices[] = {0, 1};
  const struct {
    const char* name;
    Bytes png;
    Bytes expected;  // blue, green, red per pixel
  } cases[] = {
      {"grey", simplePng(PNG_FORMAT_GRAY, 2, 1, grey), {0, 0, 0, 128, 128, 128}},
      {"alpha is dropped", simplePng(PNG_FORMAT_RGBA, 2, 1, rgba), {10, 20, 30, 3, 2, 1}},
      {"palette",
       simplePng(PNG_FORMAT_RGB_COLORMAP, 2, 1, indices, palette, 2),
       {0, 0, 255, 255, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.png.empty());
    auto s = decodePng(c.png);
    ASSERT_TRUE(s) << s.error().text();
    ASSERT_EQ(s->width, 2);
    EXPECT_EQ(Bytes(s->row(0), s->row(0) + 6), c.expected);
  }
}

TEST(PngIo, WriterKeepsChannelOrderAndDamagedFilesFail) {
  TempDir dir;
  const Surface picture = pattern(5, 3);
  ASSERT_TRUE(writePng(dir.file("a.png"), picture));
  const Bytes png = test::readBytes(dir.file("a.png"));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
  image.format = PNG_FORMAT_BGR;
  Bytes pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  for (int y = 0; y < 3; ++y)
    EXPECT_EQ(Bytes(pixels.begin() + y * 15, pixels.begin() + y * 15 + 15),
              Bytes(picture.row(y), picture.row(y) + 15));

  EXPECT_FALSE(decodePng(Bytes(png.begin(), png.begin() + png.size() / 2)));
  EXPECT_FALSE(decodePng(Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace torvan
