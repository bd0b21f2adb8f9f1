// Where a unit that walks its stream stands, and what that answers: most units settle the same way.
#pragma once

#include <cstdint>

#include "streams/StreamUnit.h"

namespace quillot {

// NoLength: the stream is the unit's, but carries no length it can trust.
enum class TStreamStatus { Reading, Ended, Broke, NotMine, NoLength };

// Continues while reading, Ended at end, Broke at brokeAt, Unknown otherwise.
inline TStreamAnswer AnswerFor(TStreamStatus status, uint64_t end, uint64_t brokeAt) {
  switch (status) {
    case TStreamStatus::Reading: return {TStreamState::Continues, 0};
    case TStreamStatus::Ended: return {TStreamState::Ended, end};
    case TStreamStatus::Broke: return {TStreamState::Broke, brokeAt};
    case TStreamStatus::NotMine:
    case TStreamStatus::NoLength: break;
  }
  return {TStreamState::Unknown, 0};
}

// The verdict once settled: whole on the evidence given, damaged on the structure, or unknown.
inline TStreamVerdict SettledVerdict(TStreamStatus status, TEvidence evidence = TEvidence::Structure) {
  if (status == TStreamStatus::Ended) return {TVerdict::Whole, evidence};
  if (status == TStreamStatus::Broke) return {TVerdict::Damaged, TEvidence::Structure};
  return {};
}

// A chain of frames that carries no length of its own ends where the next bytes are no frame of it; it is a
// stream at all only after minFrames frames.
inline TStreamStatus ChainEnd(uint64_t frames, uint64_t minFrames) {
  return frames >= minFrames ? TStreamStatus::Ended : TStreamStatus::NotMine;
}

// Bytes that stopped right after a frame of such a chain: its frames play through once the chain is long
// enough to trust, but nothing in them proves where the recording began or ended.
inline TStreamVerdict StoppedAfterFrame(uint64_t frames, uint64_t minFrames, TEvidence evidence) {
  return frames >= minFrames ? TStreamVerdict{TVerdict::Unproven, evidence} : TStreamVerdict{};
}

// The verdict of such a chain once settled: where it ended, unproven; damaged where it broke.
inline TStreamVerdict SettledChainVerdict(TStreamStatus status, TEvidence evidence = TEvidence::Structure) {
  if (status == TStreamStatus::Ended) return {TVerdict::Unproven, evidence};
  return SettledVerdict(status, evidence);
}

}  // namespace quillot
