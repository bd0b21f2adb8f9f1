// The stream units over any bytes: fed whole or in the chunks the input's first byte chooses, with or
// without checksums, every unit gives the same answer and verdict, never claims an end or a break past the
// bytes it was given, and never changes an answer once it ended or broke.
#include <cstdint>
#include <memory>

#include "FuzzCheck.h"
#include "streams/StartCheck.h"
#include "streams/StreamUnit.h"

using namespace quillot;

namespace {
bool Settled(const TStreamAnswer& a) { return a.State == TStreamState::Ended || a.State == TStreamState::Broke; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t step = 1 + data[0] % 64;
  // The high bit of the first byte: follow the structure alone, as a pass that does not trim.
  const bool checksums = (data[0] & 0x80) == 0;
  ++data;
  --size;
  for (std::string_view name : StreamUnitNames()) {
    auto whole = MakeStreamUnit(name);
    auto pieces = MakeStreamUnit(name);
    if (!checksums) {
      whole->SkipChecksums();
      pieces->SkipChecksums();
    }
    const TStreamAnswer once = whole->Feed(data, size);
    TStreamAnswer last;
    for (size_t at = 0; at < size; at += step) {
      const TStreamAnswer now = pieces->Feed(data + at, size - at < step ? size - at : step);
      FUZZ_CHECK(!Settled(last) || now == last, "an ended or broken stream stays so");
      last = now;
    }
    if (size == 0) last = pieces->Feed(data, 0);
    FUZZ_CHECK(last == once, "any chunking gives the same answer");
    FUZZ_CHECK(!Settled(once) || once.At <= size, "an end or break lies within the bytes given");
    FUZZ_CHECK(whole->Close() == pieces->Close(), "any chunking gives the same verdict");
    // Asking whether bytes go on with the stream, or whether a stream starts at them, reads only those
    // bytes (the sanitizers tell).
    if (once.State == TStreamState::Continues) whole->ContinuesWith(data + size / 2, size - size / 2);
    CheckStart(name, data, size, step % 2 == 0, static_cast<uint32_t>(step * 8));
    // A unit restarted where its stream broke takes the rest from any bytes, reading only those.
    uint64_t at = 0;
    if (auto restarted = whole->RestartAtBreak(at)) {
      FUZZ_CHECK(at <= size, "a break lies within the bytes given");
      const size_t head = size - size / 2;
      whole->MayResumeWith(data, head, data + head, size - head);
      whole->RunsOnInto(data, head, data, size);
      restarted->Feed(data + head, size - head);
      restarted->Close();
    }
  }
  return 0;
}
