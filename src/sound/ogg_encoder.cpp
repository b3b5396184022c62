#include "sound/ogg_encoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <string>

namespace torvan {

namespace {

// libvorbis state in creation order, released in reverse whatever step failed.
struct Encoder {
  vorbis_info vi;
  vorbis_comment vc;
  vorbis_dsp_state vd;
  vorbis_block vb;
  ogg_stream_state os;
  bool analysis = false, block = false, stream = false;

  Encoder() {
    vorbis_info_init(&vi);
    vorbis_comment_init(&vc);
  }
  ~Encoder() {
    if (stream) ogg_stream_clear(&os);
    if (block) vorbis_block_clear(&vb);
    if (analysis) vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
  }

  void appendPages(ByteWriter& out, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
      out.bytes(ByteSpan(page.header, static_cast<std::size_t>(page.header_len)));
      out.bytes(ByteSpan(page.body, static_cast<std::size_t>(page.body_len)));
    }
  }

  // Hands finished blocks to the bit-rate manager and their packets to the stream.
  void drain(ByteWriter& out) {
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        appendPages(out, false);
      }
    }
  }
};

}  // namespace

Result<Bytes> encodeOggVorbis(const Pcm& pcm, float quality) {
  const int ch = pcm.channels();
  if (ch != 1 && ch != 2)
    return Error{"", "", std::to_string(ch) + " channels; voices are mono or stereo"};
  Encoder e;
  if (vorbis_encode_init_vbr(&e.vi, ch, pcm.rate(), std::clamp(quality, -0.1f, 1.0f)) != 0)
    return Error{"", "",
                 "the Vorbis encoder has no mode for " + std::to_string(pcm.rate()) + " Hz, " +
                     std::to_string(ch) + " channels"};
  vorbis_comment_add_tag(&e.vc, "ENCODER", "torvan-tool");
  if (vorbis_analysis_init(&e.vd, &e.vi) != 0) return Error{"", "", "Vorbis encoder set-up failed"};
  e.analysis = true;
  vorbis_block_init(&e.vd, &e.vb);
  e.block = true;
  // A fixed serial number keeps the output reproducible; a voice is never chained.
  ogg_stream_init(&e.os, 0x746f7276);
  e.stream = true;

  ByteWriter out;
  ogg_packet id, comment, codebooks;
  vorbis_analysis_headerout(&e.vd, &e.vc, &id, &comment, &codebooks);
  ogg_stream_packetin(&e.os, &id);
  ogg_stream_packetin(&e.os, &comment);
  ogg_stream_packetin(&e.os, &codebooks);
  // The audio starts on a page of its own, as decoders expect.
  e.appendPages(out, true);

  constexpr std::size_t kChunk = 4096;
  const std::size_t frames = pcm.frames();
  for (std::size_t first = 0; first < frames; first += kChunk) {
    const std::size_t n = std::min(kChunk, frames - first);
    float** buffer = vorbis_analysis_buffer(&e.vd, static_cast<int>(n));
    for (std::size_t f = 0; f < n; ++f)
      for (int c = 0; c < ch; ++c)
        buffer[c][f] = static_cast<float>(pcm.samples[(first + f) * ch + c]) / 32768.0f;
    vorbis_analysis_wrote(&e.vd, static_cast<int>(n));
    e.drain(out);
  }
  vorbis_analysis_wrote(&e.vd, 0);
  e.drain(out);
  e.appendPages(out, true);
  return out.take();
}

}  // namespace torvan
