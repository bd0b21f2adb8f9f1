// The ASF unit (WMA, WMV): the Header Object, whose File Properties Object gives the file's size, then the
// Data Object and the index objects, walked by their sizes. The size is trusted only when the walk lands
// on it exactly; a size of 0, or the Broadcast flag, means the file was still being written: no usable
// length. Memory: one object head (the File Properties Object's fixed fields at most). Lag 0.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TAsfStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Header, ObjectHead, FileProperties, Skip };
  using TStatus = TStreamStatus;

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHeader();
  void OnObjectHead();
  void OnFileProperties();
  // The object ending here is done: the header's, or the file's walk goes on or ends.
  void NextObject();
  void Break(uint64_t at);
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, 104> part_{};
  size_t partSize_ = 0;
  uint64_t pos_ = 0;

  uint64_t headerEnd_ = 0;
  uint64_t objectStart_ = 0;
  uint64_t objectEnd_ = 0;
  uint64_t fileSize_ = 0;  // from the File Properties Object; 0 until read
  uint64_t packets_ = 0;
  uint32_t packetSize_ = 0;  // when every packet has the same size, else 0
  bool sawData_ = false;
};

}  // namespace quillot
