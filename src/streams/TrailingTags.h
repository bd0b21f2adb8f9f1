// The tags a file may carry after its audio: APEv2 (from its header "APETAGEX", or walked item by item to
// its footer), Lyrics3v2 and ID3v1, in any order and number, ID3v1 last. A unit hands over the bytes that
// follow its audio; the tags end where the next bytes begin none of them, known at most 11 bytes
// ("LYRICSBEGIN") after the end, or an APE item's head (at most 264 bytes) when the bytes look like one.
// A tag that turns out not to be one (a Lyrics3v2 or APE walk that fails) ends the tags at its start.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillot {

class TTrailingTags {
 public:
  // The tags may begin at byte at of the file.
  void Start(uint64_t at);
  // Takes the next bytes of the file; true once the tags ended (then End() says where), and from then on.
  bool Feed(const uint8_t* data, size_t size);
  uint64_t End() const { return end_; }
  // The bytes stopped inside a tag: the file was cut short.
  bool InsideTag() const { return phase_ == TPhase::Skip || phase_ == TPhase::Lyrics || phase_ == TPhase::ApeItem; }
  // Some tag was read whole.
  bool SawTag() const { return sawTag_; }

 private:
  enum class TPhase { Boundary, Skip, Lyrics, ApeItem, Ended };
  enum class TPart { NeedMore, None, Id3v1, ApeHeader, Lyrics3, ApeItem };

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  TPart Classify() const;
  void OnPart(TPart part);
  void OnLyricsField();
  void OnApeItemHead();
  void SkipTo(uint64_t end, TPhase next);
  void AfterSkip();
  void EndAt(uint64_t at);

  TPhase phase_ = TPhase::Boundary;
  uint64_t pos_ = 0;
  std::array<uint8_t, 264> part_{};
  size_t partSize_ = 0;
  uint64_t skipEnd_ = 0;
  TPhase afterSkip_ = TPhase::Boundary;
  uint64_t tagStart_ = 0;
  uint64_t apeItems_ = 0;
  bool sawTag_ = false;
  uint64_t end_ = 0;
};

}  // namespace quillot
