// The piece search of a chain of frames that carries no stream number (MPEG audio, ADTS, AC-3, DTS): a
// recording stored in pieces breaks inside the frame that straddles its first piece's end; the piece that
// continues it holds that frame's successor where the frame's length says, and frames of the same stream
// in a row after it. Such a run is weaker proof than a checksum, so a candidate whose own predecessor on
// the medium runs on into it (the middle of another recording with the same parameters) is turned down.
//
// frameAt(bytes, size) is a unit's own test: the length of the frame of its stream whose header starts at
// bytes (size of them at hand, at least kFrameHeaderBytes but for the bytes' end), 0 where none does.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillot {

// The most header bytes a unit's frameAt reads.
inline constexpr size_t kFrameHeaderBytes = 16;

struct TFrameRun {
  uint64_t Frames = 0;   // frames of the stream in a row
  bool Stopped = false;  // where the next should have started, none did (rather than the bytes ending)
};

// Follows frames of the stream from position q of the bytes head then next, at most most of them.
template <class FrameAt>
TFrameRun FollowFrames(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize, uint64_t q,
                       uint64_t most, FrameAt frameAt) {
  TFrameRun run;
  const uint64_t end = uint64_t(headSize) + nextSize;
  std::array<uint8_t, kFrameHeaderBytes> header{};
  while (run.Frames < most && q < end) {
    uint32_t length = 0;
    if (q >= headSize) {
      length = frameAt(next + (q - headSize), size_t(end - q));
    } else {
      // A header across both pieces.
      const size_t have = size_t(std::min<uint64_t>(end - q, header.size()));
      for (size_t i = 0; i < have; ++i) header[i] = q + i < headSize ? head[q + i] : next[q + i - headSize];
      length = frameAt(header.data(), have);
    }
    if (length == 0) {
      // Too few bytes left to tell is no stop.
      run.Stopped = end - q >= kFrameHeaderBytes;
      break;
    }
    ++run.Frames;
    q += length;
  }
  return run;
}

// Whether frames of the stream in the bytes before a candidate (two in a row at least, within the last
// 2 * longest bytes) run on to exactly position successor, counted from before's first byte. With fewer
// bytes than that at hand it cannot be told, and the answer is yes: the candidate is not taken.
template <class FrameAt>
bool FramesRunInto(const uint8_t* before, size_t beforeSize, uint64_t successor, size_t longest, FrameAt frameAt) {
  if (beforeSize < 2 * longest) return true;
  for (size_t b = beforeSize - 2 * longest; b < beforeSize; ++b) {
    const uint32_t first = frameAt(before + b, beforeSize - b);
    if (first == 0 || b + first >= beforeSize) continue;
    uint64_t at = b + first;
    uint32_t length = frameAt(before + at, size_t(beforeSize - at));
    if (length == 0) continue;
    while (length != 0) {
      at += length;
      length = at < beforeSize ? frameAt(before + at, size_t(beforeSize - at)) : 0;
    }
    if (at == successor) return true;
  }
  return false;
}

// Where a unit restarts at the break: the frame that straddles the first piece's end, its length, and whether
// the unit counted it already (a chain that counts a frame at its header, or one that stopped after it).
struct TFrameRestart {
  uint64_t At = 0;
  uint32_t Length = 0;
  bool Counted = false;
};

// How much of the broken part the first piece may hold: the frame, and all but one of the header bytes of its
// successor, which may lie in the first piece too.
inline uint64_t FramePartLength(const std::optional<TFrameRestart>& point, size_t headerBytes) {
  return point ? point->Length + headerBytes - 1 : 0;
}

// A unit's MayResumeWith for a chain with no count: the straddling frame's header lies in the first piece
// (head), its successor stands where its length says, and at least `least` frames of the stream follow in
// a row (most are looked for).
template <class FrameAt>
bool FramesMayResume(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize, size_t headerBytes,
                     uint64_t most, uint64_t least, FrameAt frameAt) {
  const uint32_t length = headSize >= headerBytes ? frameAt(head, headSize) : 0;
  if (length == 0 || headSize > length + headerBytes - 1) return false;
  return FollowFrames(head, headSize, next, nextSize, length, most, frameAt).Frames >= least;
}

// A unit's RunsOnInto: frames of a like stream in the bytes before the candidate run on to where the
// straddling frame's successor would stand. longest: the unit's longest frame.
template <class FrameAt>
bool FramesRunOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize, size_t headerBytes,
                     size_t longest, FrameAt frameAt) {
  const uint32_t length = headSize >= headerBytes ? frameAt(head, headSize) : 0;
  if (length == 0 || headSize > length + headerBytes - 1) return true;
  return FramesRunInto(before, beforeSize, beforeSize + length - headSize, longest, frameAt);
}

}  // namespace quillot
