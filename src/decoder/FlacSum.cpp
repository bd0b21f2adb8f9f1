#include "decoder/FlacSum.h"

#include <cstring>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/samplefmt.h>
}

namespace quillot::decoder {

namespace {
constexpr int kStreamInfoSize = 34;
}

TFlacSum::~TFlacSum() { av_freep(&md5_); }

bool TFlacSum::Start(const AVCodecParameters& parameters) {
  if (parameters.codec_id != AV_CODEC_ID_FLAC || !parameters.extradata) return false;
  // The demuxers hand over the bare STREAMINFO (FLAC, Ogg) or the stream's start with it, "fLaC" and the
  // block's header first (Matroska, MP4).
  const uint8_t* info = parameters.extradata;
  const int size = parameters.extradata_size;
  if (size >= 4 && std::memcmp(info, "fLaC", 4) == 0) {
    if (size < 8 + kStreamInfoSize || (info[4] & 0x7f) != 0) return false;
    info += 8;
  } else if (size < kStreamInfoSize) {
    return false;
  }
  std::memcpy(expected_, info + 18, sizeof expected_);
  static constexpr uint8_t kZeros[sizeof expected_] = {};
  if (std::memcmp(expected_, kZeros, sizeof expected_) == 0) return false;
  bits_ = (((info[12] & 1) << 4) | (info[13] >> 4)) + 1;
  md5_ = av_md5_alloc();
  if (!md5_) return false;
  av_md5_init(md5_);
  return true;
}

void TFlacSum::Add(const AVFrame& frame) {
  if (!md5_ || unreadable_ || frame.nb_samples <= 0) return;
  const auto format = static_cast<AVSampleFormat>(frame.format);
  const AVSampleFormat packed = av_get_packed_sample_fmt(format);
  const int width = av_get_bytes_per_sample(format);
  // FFmpeg's FLAC decoder gives 16- or 32-bit integers with the sample in their top bits.
  if ((packed != AV_SAMPLE_FMT_S16 && packed != AV_SAMPLE_FMT_S32) || bits_ > width * 8) {
    unreadable_ = true;
    return;
  }
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  const int shift = width * 8 - bits_;
  const int out = (bits_ + 7) / 8;
  const int channels = frame.ch_layout.nb_channels;
  bytes_.resize(static_cast<size_t>(frame.nb_samples) * static_cast<size_t>(channels) * static_cast<size_t>(out));
  uint8_t* to = bytes_.data();
  for (int i = 0; i < frame.nb_samples; ++i) {
    for (int c = 0; c < channels; ++c) {
      const uint8_t* from = planar ? frame.extended_data[c] + static_cast<size_t>(i) * width
                                   : frame.extended_data[0] + (static_cast<size_t>(i) * channels + c) * width;
      int32_t v = 0;
      if (width == 2) {
        int16_t s;
        std::memcpy(&s, from, sizeof s);
        v = s;
      } else {
        std::memcpy(&v, from, sizeof v);
      }
      v >>= shift;  // arithmetic: the sign stays
      for (int b = 0; b < out; ++b) *to++ = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * b));
    }
  }
  av_md5_update(md5_, bytes_.data(), bytes_.size());
}

decode::TContentSum TFlacSum::Result() {
  if (!md5_ || unreadable_) return decode::TContentSum::None;
  uint8_t sum[sizeof expected_];
  av_md5_final(md5_, sum);
  av_freep(&md5_);
  return std::memcmp(sum, expected_, sizeof sum) == 0 ? decode::TContentSum::Matches : decode::TContentSum::Differs;
}

}  // namespace quillot::decoder
