// Pictures by name from a game folder: which archive wins, and what a bad entry does.
#include <gtest/gtest.h>

#include <vector>

#include "archive/archive_writer.h"
#include "archive/archives.h"
#include "archive/load_picture.h"
#include "archive/packed_picture_encoder.h"
#include "picture_test_support.h"
#include "test_support.h"

namespace torvan {
namespace {

Surface solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  Surface s;
  s.resize(w, h);
  s.fill(b, g, r);
  return s;
}

Bytes packed(const Surface& s) {
  return *encodePicture(s, {true, true});
}

class LoadPictureTest : public ::testing::Test {
 protected:
  void write(const std::string& file, std::vector<ArchiveSource> entries) {
    ASSERT_TRUE(writeArchive(dir.file(file), entries, ArchiveLayout::General));
  }
  Archives open() {
    Archives a;
    a.openArchives(dir.path(), "");
    return a;
  }

  test::TempDir dir;
};

TEST_F(LoadPictureTest, JpegArchiveFirstThenPackedArchivesThreeTwoOne) {
  write("qz_gjp.tvn", {{"A01", test::encodeJpeg(solid(24, 16, 0, 0, 255))}});
  write("qz_gra.tvn", {{"A01", packed(solid(8, 8, 1, 1, 1))},
                       {"B01", packed(solid(5, 3, 1, 2, 3))},
                       {"C01", packed(solid(7, 2, 10, 20, 30))}});
  write("qz_gra2.tvn", {{"B01", packed(solid(5, 3, 4, 5, 6))}});
  write("qz_gra3.tvn", {{"b01", packed(solid(5, 3, 200, 100, 50))}});
  Archives archives = open();

  Surface s;
  ASSERT_TRUE(loadPicture(archives, "a01", s));
  EXPECT_EQ(s.width, 24);  // the JPEG, not the packed 8x8
  EXPECT_GT(s.row(8)[2 + 12 * 3], 240);

  ASSERT_TRUE(loadPicture(archives, "B01", s));
  EXPECT_EQ(s.pixels, solid(5, 3, 200, 100, 50).pixels);

  ASSERT_TRUE(loadPicture(archives, "c01", s));
  EXPECT_EQ(s.pixels, solid(7, 2, 10, 20, 30).pixels);
  EXPECT_TRUE(archives.scratch.data.empty());
}

TEST_F(LoadPictureTest, MissingNamesAndBadEntriesLeaveTheTargetAlone) {
  Bytes cut = packed(solid(40, 40, 9, 9, 9));
  cut.resize(cut.size() - 3);
  Bytes jpeg = test::encodeJpeg(solid(32, 32, 0, 200, 0));
  jpeg.resize(jpeg.size() / 2);
  write("qz_gjp.tvn", {{"J01", jpeg}});
  write("qz_gra.tvn", {{"P01", packed(solid(4, 4, 1, 2, 3))}});
  // The newer archive's copy is damaged: it is reported, not swapped for the older one.
  write("qz_gra3.tvn", {{"P01", cut}, {"P02", Bytes{0, 0, 0, 4}}});
  Archives archives = open();

  const Surface before = solid(6, 6, 50, 60, 70);
  for (const char* name : {"NONE", "J01", "P01", "P02"}) {
    SCOPED_TRACE(name);
    Surface s = before;
    EXPECT_FALSE(loadPicture(archives, name, s));
    EXPECT_EQ(s.width, 6);
    EXPECT_EQ(s.pixels, before.pixels);
    EXPECT_TRUE(archives.scratch.data.empty());
  }
}

TEST_F(LoadPictureTest, PackedPicturesIgnoreTheIndexSize) {
  // The entry says how long it is; a wrong size in the index does not matter.
  const Bytes first = packed(solid(3, 3, 7, 8, 9));
  const Bytes second = packed(solid(2, 2, 1, 2, 3));
  Bytes archive = *buildArchive(std::vector<ArchiveSource>{{"X", first}, {"Y", second}},
                                ArchiveLayout::General);
  const std::int32_t nameField = loadI32(&archive[4]);
  storeI32(&archive[8 + nameField + 4], 1);  // X's size
  test::writeBytes(dir.file("qz_gra.tvn"), archive);
  Archives archives = open();
  Surface s;
  ASSERT_TRUE(loadPicture(archives, "X", s));
  EXPECT_EQ(s.pixels, solid(3, 3, 7, 8, 9).pixels);
}

}  // namespace
}  // namespace torvan
