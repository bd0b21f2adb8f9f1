// quillot-decode: decodes one recovered file and answers on standard output (decode/DecodeCheck.h). It
// runs as a child of the command line or the wizard, so hostile bytes that crash or hang a decoder end
// only this process; it limits its own memory and processor time before it reads anything.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "decode/DecodeReport.h"
#include "decode/OpenToDecode.h"
#include "decoder/Envelope.h"
#include "decoder/FlacSum.h"

namespace {

using quillot::decode::TContentSum;
using quillot::decode::TDecodeOutcome;
using quillot::decode::TDecodeReport;

// Exit statuses the parent reads: 0 an answer, 2 bad arguments, 3 out of memory.
constexpr int kExitArguments = 2;
constexpr int kExitOutOfMemory = 3;

std::string firstError;  // the decoders' first complaint, for the answer

void QuietLog(void* avcl, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR || !firstError.empty()) return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  // "flac: CRC error": the part that complains, without its address.
  const AVClass* c = avcl ? *static_cast<AVClass**>(avcl) : nullptr;
  firstError = c && c->item_name ? std::string(c->item_name(avcl)) + ": " + text : text;
}

std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

[[noreturn]] void OutOfMemory() { std::_Exit(kExitOutOfMemory); }

void CheckMemory(int code) {
  if (code == AVERROR(ENOMEM)) OutOfMemory();
}

// The file up to the stream's end, read through positioned reads.
struct TSource {
  int Fd = -1;
  int64_t Limit = 0;
  int64_t Pos = 0;
};

int ReadPacket(void* opaque, uint8_t* buf, int size) {
  auto* s = static_cast<TSource*>(opaque);
  const int64_t left = s->Limit - s->Pos;
  if (left <= 0) return AVERROR_EOF;
  const ssize_t n = pread(s->Fd, buf, static_cast<size_t>(std::min<int64_t>(size, left)), s->Pos);
  if (n < 0) return AVERROR(errno);
  if (n == 0) return AVERROR_EOF;
  s->Pos += n;
  return static_cast<int>(n);
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  auto* s = static_cast<TSource*>(opaque);
  if (whence & AVSEEK_SIZE) return s->Limit;
  whence &= ~AVSEEK_FORCE;
  int64_t to = whence == SEEK_SET ? offset : whence == SEEK_CUR ? s->Pos + offset : s->Limit + offset;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
  if (to < 0) return AVERROR(EINVAL);
  s->Pos = to;
  return to;
}

struct TOptions {
  std::string Mode, Path;
  std::string Within;  // the folder the file must lie in, or "" for any
  uint64_t StreamEnd = 0, Memory = 0, Cpu = 0;
};

bool Number(const std::string& arg, const char* name, uint64_t& out) {
  const std::string prefix = std::string(name) + "=";
  if (arg.rfind(prefix, 0) != 0) return false;
  const std::string v = arg.substr(prefix.size());
  if (v.empty() || v.size() > 19 || v.find_first_not_of("0123456789") != std::string::npos) return false;
  out = std::strtoull(v.c_str(), nullptr, 10);
  return true;
}

bool Parse(int argc, char** argv, TOptions& o) {
  if (argc < 2) return false;
  o.Mode = argv[1];
  int i = 2;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--within=", 0) == 0 && a.size() > 9) {
      o.Within = a.substr(9);
      continue;
    }
    if (!Number(a, "--stream-end", o.StreamEnd) && !Number(a, "--memory", o.Memory) && !Number(a, "--cpu", o.Cpu))
      return false;
  }
  if (i + 2 != argc) return false;
  o.Path = argv[i + 1];
  return true;
}

// First of all: a decoder gone wild stops at these, and a crash leaves no core file behind.
void LimitSelf(const TOptions& o) {
  rlimit core{0, 0};
  setrlimit(RLIMIT_CORE, &core);
  if (o.Memory > 0) {
    rlimit as{o.Memory, o.Memory};
    setrlimit(RLIMIT_AS, &as);
  }
  if (o.Cpu > 0) {
    rlimit cpu{o.Cpu, o.Cpu + 1};
    setrlimit(RLIMIT_CPU, &cpu);
  }
}

volatile uint64_t spins = 0;

// Test-only modes: a child that hangs, crashes or eats memory, to prove the parent survives each.
int RunTestMode(const std::string& mode) {
  if (mode == "test-hang")
    for (;;) pause();
  if (mode == "test-spin")
    for (;;) spins = spins + 1;
  if (mode == "test-crash") std::raise(SIGSEGV);
  if (mode == "test-eat") {
    std::vector<void*> held;
    for (;;) {
      void* p = std::malloc(16 << 20);
      if (!p) OutOfMemory();
      std::memset(p, 1, 16 << 20);
      held.push_back(p);
    }
  }
  return -1;
}

class TDecoder {
 public:
  ~TDecoder() {
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    if (io_) av_freep(&io_->buffer);
    avio_context_free(&io_);
    if (source_.Fd >= 0) close(source_.Fd);
  }

  // Decodes the file up to streamEnd (0: its end); pcm writes the samples to standard output as it goes.
  TDecodeReport Run(const TOptions& o, bool pcm) {
    pcm_ = pcm;
    // Only a regular file, never through a link, never a pipe that would block: the bytes decoded are
    // those of the file checked, read through this descriptor alone.
    quillot::decode::TFileRefusal refusal;
    std::string why;
    source_.Fd = quillot::decode::OpenToDecode(o.Path, o.Within, refusal, why);
    if (source_.Fd < 0) return NoAudio(quillot::decode::RefusalText(refusal, why));
    struct stat st {};
    if (fstat(source_.Fd, &st) != 0) return NoAudio(std::strerror(errno));
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const uint64_t end = o.StreamEnd > 0 && o.StreamEnd < size ? o.StreamEnd : size;
    source_.Limit = static_cast<int64_t>(end);
    report_.BytesAfterEnd = size - end;

    constexpr int kBuffer = 64 * 1024;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
    if (!buffer) OutOfMemory();
    io_ = avio_alloc_context(buffer, kBuffer, 0, &source_, ReadPacket, nullptr, Seek);
    format_ = avformat_alloc_context();
    if (!io_ || !format_) OutOfMemory();
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The name helps the format probe; the bytes are read only through io_.
    int ret = avformat_open_input(&format_, o.Path.c_str(), nullptr, nullptr);
    CheckMemory(ret);
    if (ret < 0) return NoAudio(ErrorText(ret));
    ret = avformat_find_stream_info(format_, nullptr);
    CheckMemory(ret);
    if (ret < 0) return NoAudio(ErrorText(ret));
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder)
      return NoAudio(stream_ == AVERROR_DECODER_NOT_FOUND ? "no decoder for its codec" : "no audio stream");
    AVStream* stream = format_->streams[stream_];
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_) OutOfMemory();
    ret = avcodec_parameters_to_context(codec_, stream->codecpar);
    CheckMemory(ret);
    // Checksums are checked, and a decoder stops at damage rather than hiding it.
    codec_->err_recognition = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_EXPLODE;
    ret = ret < 0 ? ret : avcodec_open2(codec_, decoder, nullptr);
    CheckMemory(ret);
    if (ret < 0) return NoAudio(ErrorText(ret));
    report_.Codec = avcodec_get_name(codec_->codec_id);
    report_.SampleRate = codec_->sample_rate;
    report_.Channels = codec_->ch_layout.nb_channels;
    summing_ = sum_.Start(*stream->codecpar);

    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!packet_ || !frame_) OutOfMemory();
    for (;;) {
      ret = av_read_frame(format_, packet_);
      CheckMemory(ret);
      if (ret == AVERROR_EOF) break;
      if (ret < 0) return Breaks(avio_tell(io_), ErrorText(ret));
      if (packet_->stream_index != stream_) {
        av_packet_unref(packet_);
        continue;
      }
      const int64_t pos = packet_->pos >= 0 ? packet_->pos : avio_tell(io_);
      if (packet_->flags & AV_PKT_FLAG_CORRUPT) return Breaks(pos, "damaged packet");
      ret = avcodec_send_packet(codec_, packet_);
      reached_ = pos + packet_->size;
      av_packet_unref(packet_);
      CheckMemory(ret);
      if (ret < 0 && ret != AVERROR(EAGAIN)) return Breaks(pos, ErrorText(ret));
      if (!ReceiveFrames(pos)) return report_;
    }
    avcodec_send_packet(codec_, nullptr);
    if (!ReceiveFrames(source_.Limit)) return report_;
    return Finish(stream);
  }

 private:
  TDecodeReport NoAudio(const std::string& why) {
    report_.Outcome = TDecodeOutcome::NoAudio;
    report_.Error = firstError.empty() ? why : firstError;
    return report_;
  }

  TDecodeReport Breaks(int64_t pos, const std::string& why) {
    report_.Outcome = TDecodeOutcome::Breaks;
    report_.BreakByte = pos > 0 ? static_cast<uint64_t>(pos) : 0;
    report_.BreakSeconds = seconds_;
    report_.Error = firstError.empty() ? why : firstError;
    // The samples that played are not all the recording's: they cannot give its sum.
    if (summing_) report_.ContentSum = TContentSum::Differs;
    return Done();
  }

  TDecodeReport Done() {
    report_.Seconds = seconds_;
    report_.Envelope = envelope_.Columns();
    return report_;
  }

  // A stream that decodes cleanly but stops well short of the length its container announces was cut.
  TDecodeReport Finish(const AVStream* stream) {
    double announced = 0;
    if (stream->duration > 0 && stream->duration != AV_NOPTS_VALUE)
      announced = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    // Only a length the file states, not one guessed from its size and bit rate.
    const bool stated = format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
    if (stated && announced > 0 && seconds_ + std::max(0.25, announced * 0.02) < announced) {
      char text[96];
      std::snprintf(text, sizeof text, "the stream stops at %.1f s of the %.1f s it announces", seconds_, announced);
      firstError.clear();
      return Breaks(reached_, text);
    }
    report_.Outcome = TDecodeOutcome::PlaysToEnd;
    if (summing_) report_.ContentSum = sum_.Result();
    return Done();
  }

  // Takes every frame the decoder has; false once it failed (the report says where).
  bool ReceiveFrames(int64_t pos) {
    for (;;) {
      const int ret = avcodec_receive_frame(codec_, frame_);
      CheckMemory(ret);
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
      if (ret < 0) {
        Breaks(pos, ErrorText(ret));
        return false;
      }
      const bool damaged = frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT);
      if (!damaged) Take(*frame_);
      av_frame_unref(frame_);
      if (damaged) {
        Breaks(pos, "damaged frame");
        return false;
      }
    }
  }

  void Take(const AVFrame& frame) {
    if (frame.nb_samples <= 0 || frame.sample_rate <= 0) return;
    if (summing_) sum_.Add(frame);
    const int channels = frame.ch_layout.nb_channels;
    if (!swr_ || frame.format != inFormat_ || frame.sample_rate != inRate_ ||
        av_channel_layout_compare(&frame.ch_layout, &inLayout_) != 0) {
      swr_free(&swr_);
      av_channel_layout_uninit(&inLayout_);
      if (av_channel_layout_copy(&inLayout_, &frame.ch_layout) < 0) OutOfMemory();
      inFormat_ = frame.format;
      inRate_ = frame.sample_rate;
      const int ret = swr_alloc_set_opts2(&swr_, &inLayout_, AV_SAMPLE_FMT_FLT, frame.sample_rate, &inLayout_,
                                          static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
      CheckMemory(ret);
      if (ret < 0 || swr_init(swr_) < 0) return;
      if (pcm_ && !pcmHeader_) {
        std::printf("rate=%d channels=%d\n", frame.sample_rate, channels);
        pcmHeader_ = true;
      }
    }
    samples_.resize(static_cast<size_t>(frame.nb_samples) * static_cast<size_t>(channels));
    auto* out = reinterpret_cast<uint8_t*>(samples_.data());
    const int got =
        swr_convert(swr_, &out, frame.nb_samples, const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (got <= 0) return;
    seconds_ += static_cast<double>(got) / frame.sample_rate;
    envelope_.Add(samples_.data(), static_cast<size_t>(got), channels);
    if (pcm_) WritePcm(static_cast<size_t>(got) * static_cast<size_t>(channels));
  }

  void WritePcm(size_t count) {
    pcmOut_.resize(count * 2);
    for (size_t i = 0; i < count; ++i) {
      const float v = std::clamp(samples_[i], -1.0f, 1.0f);
      const auto s = static_cast<int16_t>(std::lrint(v * 32767.0f));
      pcmOut_[2 * i] = static_cast<uint8_t>(s & 0xff);
      pcmOut_[2 * i + 1] = static_cast<uint8_t>((s >> 8) & 0xff);
    }
    std::fwrite(pcmOut_.data(), 1, pcmOut_.size(), stdout);
  }

  TSource source_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVChannelLayout inLayout_{};
  int inFormat_ = -1, inRate_ = 0;
  int stream_ = -1;
  bool pcm_ = false, pcmHeader_ = false;
  double seconds_ = 0;
  int64_t reached_ = 0;  // the end of the last packet decoded
  std::vector<float> samples_;
  std::vector<uint8_t> pcmOut_;
  quillot::decoder::TEnvelopeBuilder envelope_;
  quillot::decoder::TFlacSum sum_;
  bool summing_ = false;  // the stream carries a sum of its audio
  TDecodeReport report_;
};

}  // namespace

int main(int argc, char** argv) {
  TOptions o;
  if (argc >= 2) {
    // Limits come before anything else the child does, the test modes included.
    for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
      const std::string a = argv[i];
      (void)(Number(a, "--memory", o.Memory) || Number(a, "--cpu", o.Cpu));
    }
    LimitSelf(o);
    if (const int status = RunTestMode(argv[1]); status >= 0) return status;
  }
  if (!Parse(argc, argv, o) || (o.Mode != "check" && o.Mode != "pcm")) {
    std::fprintf(
        stderr,
        "usage: quillot-decode check|pcm [--stream-end=BYTE] [--memory=BYTES] [--cpu=SECONDS] [--within=FOLDER] -- "
        "FILE\n");
    return kExitArguments;
  }
  av_log_set_level(AV_LOG_ERROR);
  av_log_set_callback(QuietLog);
  const bool pcm = o.Mode == "pcm";
  TDecodeReport report;
  {
    TDecoder decoder;
    report = decoder.Run(o, pcm);
  }
  if (pcm) return report.Outcome == TDecodeOutcome::PlaysToEnd ? 0 : 1;
  const std::string text = quillot::decode::DecodeReportText(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
