#include "archive/jpeg_picture.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <utility>

#include "archive/packed_picture.h"

namespace torvan {

namespace {

// libjpeg's own error handler ends the process. This one jumps back to the decode call
// with the message, and notes the warnings that tell a short file.
struct ErrorHandler {
  jpeg_error_mgr base;  // first, so libjpeg's pointer to it is a pointer to us
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool sawEnd;        // the data ran out and libjpeg made up an end marker
  bool sawShortScan;  // a scan met a marker while it still needed bits
};

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* handler = reinterpret_cast<ErrorHandler*>(cinfo->err);
  handler->base.format_message(cinfo, handler->message);
  std::longjmp(handler->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
  auto* handler = reinterpret_cast<ErrorHandler*>(cinfo->err);
  if (level >= 0) return;  // trace output
  if (handler->base.msg_code == JWRN_JPEG_EOF) handler->sawEnd = true;
  if (handler->base.msg_code == JWRN_HIT_MARKER) handler->sawShortScan = true;
  ++handler->base.num_warnings;
}

// Everything libjpeg may longjmp out of happens here; the function holds no objects with
// destructors: the picture belongs to the caller. Returns false with the handler's message
// set on failure.
bool decodeInto(jpeg_decompress_struct* cinfo, ErrorHandler* handler, ByteSpan jpeg, Surface* out) {
  if (setjmp(handler->jump)) return false;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->image_width == 0 || cinfo->image_height == 0 ||
      cinfo->image_width > unsigned(kMaxPictureSide) ||
      cinfo->image_height > unsigned(kMaxPictureSide)) {
    std::snprintf(handler->message, sizeof handler->message, "%ux%u is not a picture size we take",
                  unsigned(cinfo->image_width), unsigned(cinfo->image_height));
    return false;
  }
  cinfo->out_color_space = JCS_EXT_BGR;
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  jpeg_start_decompress(cinfo);
  // A file of several scans is read whole by now: fail before allocating the picture.
  if (handler->sawEnd && jpeg_has_multiple_scans(cinfo)) {
    std::snprintf(handler->message, sizeof handler->message,
                  "data ends before the last row of the picture");
    return false;
  }
  if (cinfo->output_components != 3) {
    std::snprintf(handler->message, sizeof handler->message, "unexpected colour layout");
    return false;
  }
  out->resize(int(cinfo->output_width), int(cinfo->output_height));
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->row(int(cinfo->output_scanline));
    jpeg_read_scanlines(cinfo, &row, 1);
    if (handler->sawEnd && handler->sawShortScan) break;  // the rest would be grey
  }
  // The entropy decoder reads ahead, so running into the end of the data is harmless
  // unless a scan then lacked bits (the rest of it became grey). A file of several scans
  // that ends early lacks whole scans, which nothing else reveals.
  const bool truncated =
      handler->sawEnd && (handler->sawShortScan || jpeg_has_multiple_scans(cinfo));
  if (truncated) {
    std::snprintf(handler->message, sizeof handler->message,
                  "data ends before the last row of the picture");
    return false;
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

Status decodeJpegPicture(ByteSpan jpeg, Surface& target, std::string_view file,
                         std::string_view entry) {
  auto fail = [&](const char* why) {
    return Error{std::string(file), std::string(entry), std::string("JPEG: ") + why};
  };
  if (jpeg.empty()) return fail("empty entry");

  jpeg_decompress_struct cinfo;
  ErrorHandler handler;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&handler.base);
  handler.base.error_exit = onError;
  handler.base.emit_message = onMessage;
  handler.message[0] = '\0';
  handler.sawEnd = false;
  handler.sawShortScan = false;

  Surface picture;
  const bool ok = decodeInto(&cinfo, &handler, jpeg, &picture);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) return fail(handler.message);
  target = std::move(picture);
  return success();
}

}  // namespace torvan
