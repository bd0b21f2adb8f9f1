// The Monkey's Audio stream unit: from version 3.98 on, the descriptor gives the length of every part
// (descriptor, header, seek table, the source file's header, the frame data in 64 bits, the source file's
// trailer); the audio ends after them, and TTrailingTags follows the tags (APEv2, ID3v1). The header
// must agree: a header of at least its fixed size, frames announced, and a seek table of whole entries.
// The descriptor's MD5 is not checked: the verdict rests on the structure. Older files (before 3.98)
// give no byte length: Unknown; so do frame data of 0 or all-ones bytes and no frames (placeholders).
// The end is known as TTrailingTags says. Memory: 76 bytes of descriptor and header, the tags' fields.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"
#include "streams/TrailingTags.h"

namespace quillot {

class TApeStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Descriptor, Body, Tags };
  using TStatus = TStreamStatus;

  void OnDescriptor();

  TPhase phase_ = TPhase::Descriptor;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 76> part_{};
  size_t partSize_ = 0;
  uint64_t audioEnd_ = 0;
  TTrailingTags tags_;
  uint64_t end_ = 0;
};

}  // namespace quillot
