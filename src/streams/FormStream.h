// The big-endian form walks: IFF ("FORM", 32-bit sizes: AIFF, AIFF-C, 8SVX) and DSDIFF ("FRM8", 64-bit
// sizes). The end is the form's size after its head, rounded up to even, trusted only when the walk over
// the chunks (each padded to even) fits it exactly and met an audio chunk: a form without one had its
// size written before the recording. Sizes of 0 or all-ones give no length. Lag 0.
#pragma once

#include <optional>
#include <string_view>

#include "streams/SizedStream.h"

namespace quillot {

struct TFormLayout {
  std::string_view Magic;        // the form's chunk id
  size_t SizeBytes;              // 4 or 8
  std::string_view FormType;     // the one form type taken, or empty for any printable one
  std::string_view AudioIds[2];  // chunks that hold the recording
};

class TFormStream : public TSizedStream {
 public:
  explicit TFormStream(const TFormLayout& layout);

 private:
  enum class TField { Head, ChunkHead, Common, SoundHead };
  std::unique_ptr<TSizedStream> Clone() const override { return std::make_unique<TFormStream>(*this); }
  void Screen(const uint8_t* field, size_t have) override;
  void OnField(const uint8_t* field, size_t size) override;
  void OnSkipped() override;
  uint64_t Size(const uint8_t* p) const;
  void OnHead(const uint8_t* field);
  void OnChunkHead(const uint8_t* field);

  const TFormLayout& layout_;
  uint64_t end_ = 0;
  uint64_t chunkStart_ = 0;
  bool sawAudio_ = false;
  TField field_ = TField::Head;
  uint64_t chunkEnd_ = 0, soundEnd_ = 0;
  bool aifc_ = false, samples_ = false;  // an AIFF-C form; an AIFF or AIFF-C form
  std::optional<TPcmFormat> format_;     // from an AIFF's COMM chunk
};

class TIffStream : public TFormStream {
 public:
  TIffStream();
};

class TDffStream : public TFormStream {
 public:
  TDffStream();
};

}  // namespace quillot
