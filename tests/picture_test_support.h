// JPEG files for the picture tests, written with libjpeg directly so that they do not
// depend on the decoder under test.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "core/bytes.h"
#include "graphics/surface.h"

namespace torvan::test {

struct JpegOptions {
  bool progressive = false;
  bool grey = false;
};

inline Bytes encodeJpeg(const Surface& s, JpegOptions options = {}) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = JDIMENSION(s.width);
  c.image_height = JDIMENSION(s.height);
  c.input_components = options.grey ? 1 : 3;
  c.in_color_space = options.grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (options.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  Bytes grey(std::size_t(s.width));
  while (c.next_scanline < c.image_height) {
    const std::uint8_t* row = s.row(int(c.next_scanline));
    JSAMPROW in = const_cast<JSAMPROW>(row);
    if (options.grey) {
      for (int x = 0; x < s.width; ++x) grey[std::size_t(x)] = row[x * 3 + 1];
      in = grey.data();
    }
    jpeg_write_scanlines(&c, &in, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + size);
  jpeg_destroy_compress(&c);
  std::free(mem);
  return out;
}

}  // namespace torvan::test
