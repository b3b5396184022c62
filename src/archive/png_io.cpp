#include "archive/png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "archive/packed_picture.h"
#include "core/file_io.h"

namespace torvan {

namespace {

// libpng reports errors by longjmp; the message is kept here for the Error.
struct ErrorSink {
  char message[200] = "";
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (r->size - r->pos < n) png_error(png, "file ends early");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}

void writeToMemory(png_structp png, png_bytep data, png_size_t n) {
  static_cast<Bytes*>(png_get_io_ptr(png))
      ->insert(static_cast<Bytes*>(png_get_io_ptr(png))->end(), data, data + n);
}
void flushMemory(png_structp) {}

// Everything libpng may longjmp out of happens in these two functions, which hold no
// objects with destructors of their own: the surface and row table belong to the caller.
bool readInto(png_structp png, png_infop info, Surface* out, std::vector<png_bytep>* rows,
              ErrorSink* sink) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  if (w == 0 || h == 0 || w > png_uint_32(kMaxPictureSide) || h > png_uint_32(kMaxPictureSide)) {
    std::snprintf(sink->message, sizeof sink->message, "%ux%u is not a picture size we take",
                  unsigned(w), unsigned(h));
    return false;
  }
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t(w) * 3) {
    std::snprintf(sink->message, sizeof sink->message, "unexpected pixel layout");
    return false;
  }
  out->resize(int(w), int(h));
  rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = out->row(int(y));
  png_read_image(png, rows->data());
  return true;
}

bool writeFrom(png_structp png, png_infop info, const Surface* picture,
               std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, png_uint_32(picture->width), png_uint_32(picture->height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, rows->data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

Result<Surface> decodePng(ByteSpan png, const std::string& file) {
  if (png.size() < 8 || png_sig_cmp(png.data(), 0, 8) != 0)
    return Error{file, "", "not a PNG file"};
  ErrorSink sink;
  png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning);
  if (!reader) return Error{file, "", "out of memory"};
  png_infop info = png_create_info_struct(reader);
  if (!info) {
    png_destroy_read_struct(&reader, nullptr, nullptr);
    return Error{file, "", "out of memory"};
  }
  MemoryReader source{png.data(), png.size(), 0};
  png_set_read_fn(reader, &source, readFromMemory);
  Surface out;
  std::vector<png_bytep> rows;
  const bool ok = readInto(reader, info, &out, &rows, &sink);
  png_destroy_read_struct(&reader, &info, nullptr);
  if (!ok) return Error{file, "", std::string("PNG: ") + sink.message};
  return out;
}

Result<Surface> readPng(const std::string& path) {
  auto data = readFile(path);
  if (!data) return data.error();
  return decodePng(*data, path);
}

Result<Bytes> encodePng(const Surface& picture) {
  if (picture.empty()) return Error{"", "", "cannot write an empty picture as PNG"};
  ErrorSink sink;
  png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning);
  if (!writer) return Error{"", "", "out of memory"};
  png_infop info = png_create_info_struct(writer);
  if (!info) {
    png_destroy_write_struct(&writer, nullptr);
    return Error{"", "", "out of memory"};
  }
  Bytes out;
  png_set_write_fn(writer, &out, writeToMemory, flushMemory);
  std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y)
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(picture.row(y));
  const bool ok = writeFrom(writer, info, &picture, &rows);
  png_destroy_write_struct(&writer, &info);
  if (!ok) return Error{"", "", std::string("PNG: ") + sink.message};
  return out;
}

Status writePng(const std::string& path, const Surface& picture) {
  auto png = encodePng(picture);
  if (!png) return Error{path, "", png.error().fault};
  return writeFileAtomic(path, *png);
}

}  // namespace torvan
