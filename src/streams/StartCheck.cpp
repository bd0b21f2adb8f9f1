#include "streams/StartCheck.h"

#include <algorithm>

#include "streams/StreamUnit.h"

namespace quillot {

namespace {

bool Zeros(const uint8_t* p, size_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

// A chain that stopped at byte end of size bytes ends validly when zeros fill its sector's rest (at least one
// zero: a chain that ends on a sector boundary shows nothing of its end), or when the data ends with it.
bool EndsValidly(const uint8_t* data, size_t size, bool dataEnds, uint64_t end, uint32_t sectorSize) {
  if (end >= size) return dataEnds && end == size;
  const uint64_t sectorEnd = sectorSize ? (end / sectorSize + 1) * sectorSize : size;
  if (sectorEnd > size) return dataEnds && Zeros(data + end, size - size_t(end));
  return Zeros(data + end, size_t(sectorEnd - end));
}

}  // namespace

bool ConfirmsStarts(std::string_view name) {
  const std::unique_ptr<TStreamUnit> unit = MakeStreamUnit(name);
  return unit && unit->FramesToConfirmStart() > 0;
}

TStartCheck CheckStart(std::string_view name, const uint8_t* data, size_t size, bool dataEnds, uint32_t sectorSize,
                       uint64_t frames) {
  const std::unique_ptr<TStreamUnit> unit = MakeStreamUnit(name);
  if (!unit || unit->FramesToConfirmStart() == 0) return TStartCheck::NoCheck;
  const uint64_t need = frames ? frames : unit->FramesToConfirmStart();
  // A sector at a time, so a confirmed start costs the bytes of its first frames only.
  const size_t step = sectorSize ? sectorSize : 512;
  TStreamAnswer answer;
  for (size_t at = 0; at < size;) {
    const size_t n = std::min(step, size - at);
    answer = unit->Feed(data + at, n);
    at += n;
    if (unit->ChainedFrames() >= need) return TStartCheck::Confirmed;
    if (answer.State != TStreamState::Continues) break;
  }
  // Too few frames to prove a stream by themselves: a short recording, if its chain ends validly.
  if (unit->ChainedFrames() < std::min(need, kShortRecordingFrames) || answer.State == TStreamState::Broke)
    return TStartCheck::Refused;
  // The data ended inside the chain's last frame: the medium's end cut the recording.
  if (answer.State == TStreamState::Continues && dataEnds && unit->LastFrameEnd() >= size)
    return TStartCheck::Confirmed;
  return EndsValidly(data, size, dataEnds, unit->LastFrameEnd(), sectorSize) ? TStartCheck::Confirmed
                                                                             : TStartCheck::Refused;
}

}  // namespace quillot
