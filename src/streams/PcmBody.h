// The samples of a container's audio chunk, judged on the signal where nothing else checks them: at each
// cluster boundary of the medium inside the chunk, whether the bytes after it go on with the recording before
// it (signal/Junction.h). Where they plainly do not, the recording broke there: another file's clusters took
// its place, or the rest lies in a further piece. A boundary the signal cannot tell about is passed as read.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "signal/JunctionJudge.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TPcmBody {
 public:
  // The chunk's samples lie from file byte first to end, laid out as format says.
  void Begin(const TPcmFormat& format, uint64_t first, uint64_t end);
  // Judges at file offsets that are multiples of bytes (0: never).
  void JudgeEvery(uint64_t bytes) { every_ = bytes; }
  bool Judging() const { return every_ > 0 && began_; }

  // The chunk's bytes from file byte at on; answers the boundary where the recording stopped going on, once
  // the bytes after it were seen (so it may lie before at).
  std::optional<uint64_t> Feed(const uint8_t* data, size_t size, uint64_t at);
  // The boundaries whose bytes after them went on with the recording.
  uint64_t Continued() const { return continued_; }

  // Past the chunk's declared end (a header written before the recording grew?): the end is judged like a
  // boundary. Where the bytes after it plainly stop the recording, or are a file system's padding of the end's
  // sector, Feed answers the declared end; else the body has no end and judges on at each boundary, Feed
  // answering one where the bytes plainly stop. False where the end falls inside a frame: the samples cannot
  // go on there.
  bool GoOnPastEnd();
  // Whether the bytes after the declared end went on with the recording, or may have.
  TPastHeader PastEnd() const { return pastEnd_; }

  // This body as it stood at boundary at, ready to judge it again with other bytes after it.
  TPcmBody RestartedAt(uint64_t at) const;
  // A piece search's quick test: whether next, put after the piece's end (none: the samples did not stop),
  // goes on with the recording. The piece goes on from a boundary, so headSize must be 0. Keeps next for
  // RunsOnInto.
  bool MayResumeWith(std::optional<uint64_t> end, size_t headSize, const uint8_t* next, size_t nextSize) const;
  // Whether a piece could ever be found to go on from at: where the recording there is too little predictable
  // (noise) or silent, no cluster would, and the search would only cost.
  bool MayBeResumedAt(uint64_t at) const;
  // What judging a candidate weighs, as bytes a search reads: decoding both sides and fitting predictors on
  // them costs about what reading twice the bytes looked at does (bench: 0.9-1.2 s a 256 MiB card).
  uint64_t SearchCost() const {
    return began_ ? 2 * uint64_t(JunctionBytesBefore(format_) + JunctionBytesAfter(format_)) : 0;
  }
  // Whether before (the medium's bytes ending where the last candidate begins) goes on into it the way the
  // recording would at the piece's end: the candidate is then the middle of something else.
  bool RunsOnInto(std::optional<uint64_t> end, const uint8_t* before, size_t beforeSize) const;

 private:
  // The recording's bytes before at, from a frame's start on.
  void Before(uint64_t at, const uint8_t*& bytes, size_t& size) const;
  uint64_t FirstBoundaryFrom(uint64_t at) const;
  // Fits the judge on the recording before at, once for every candidate tried there; false where the bytes
  // before it are not held.
  bool JudgeFrom(uint64_t at) const;
  // Whether the bytes after the declared end at (reached: the bytes held end there) go on with the recording.
  TPastHeader JudgeDeclaredEnd(uint64_t at, uint64_t reached) const;
  // Whether the bytes from at to its sector's end are a file system's padding.
  bool PaddedAfter(uint64_t at, uint64_t reached) const;

  TPcmFormat format_;
  bool began_ = false;
  uint64_t first_ = 0, end_ = 0;
  uint64_t every_ = 0;
  uint64_t next_ = 0;  // the next boundary to judge
  static constexpr uint64_t kNone = UINT64_MAX;
  uint64_t declared_ = kNone;  // the declared end, while it waits to be judged
  TPastHeader pastEnd_ = TPastHeader::No;
  std::vector<uint8_t> recent_;
  uint64_t recentStart_ = 0;  // file byte of recent_[0]
  uint64_t continued_ = 0;
  // MayResumeWith's candidate, for RunsOnInto after it.
  mutable const uint8_t* candidate_ = nullptr;
  mutable size_t candidateSize_ = 0;
  // MayResumeWith's judge, fitted on the recording before judgedAt_.
  mutable TJunctionJudge judge_;
  mutable uint64_t judgedAt_ = UINT64_MAX;
};

}  // namespace quillot
