// Decoding a recovered file in a child process, so a decoder that crashes, hangs or eats memory on hostile
// bytes can never take the program down with it. Runs only after a pass has ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decode/DecodeReport.h"

namespace quillot::decode {

// How long a child may decode a stream of so many bytes, wall-clock and processor time alike: a floor for
// the smallest, a rate per megabyte (10^6 bytes) begun, and a cap. Real recordings decode far faster (see
// DecodeTimeFor); a stream crafted to expand (a FLAC of tiny frames each asking for 65535 samples on eight
// channels) is ended in proportion to its length.
inline constexpr std::chrono::seconds kLeastDecodeTime{10};
inline constexpr std::chrono::seconds kDecodeTimePerMB{4};
inline constexpr std::chrono::seconds kMostDecodeTime{60};
std::chrono::seconds DecodeTimeFor(uint64_t streamBytes);

struct TDecodeLimits {
  // Wall-clock time before the child is killed, and its processor time. 0: DecodeTimeFor the bytes it
  // decodes, which LimitsForFile figures (CheckRecoveredFile does so itself).
  std::chrono::seconds Time{0};
  uint64_t MemoryBytes = 1ull << 30;  // the child's address space
  // The stream's bytes Time was figured for (0: a time given as it is), for the words of a child that
  // overran it.
  uint64_t StreamBytes = 0;
  // The folder the file must lie in, links resolved ("" for anywhere): the child opens nothing else
  // (decode/OpenToDecode.h). The review window gives a report's own folder.
  std::string Folder;
  // Asked while the child runs, every 50 ms or so: true ends it at once (SIGKILL), and the answer is
  // NotChecked. A stop of the program (Ctrl-C, SIGTERM to it alone) need not wait for the time limit.
  std::function<bool()> Stop;
};

// limits with Time figured from the bytes of path up to streamEnd (0: its end), where it was left 0.
TDecodeLimits LimitsForFile(const std::string& path, uint64_t streamEnd, TDecodeLimits limits = {});

// What a child that overran limits.Time is told: "ran past 24 s (the limit for a file of 3.5 MB) and was
// ended"; cpu: it used up that much processor time instead.
std::string TimedOutText(const TDecodeLimits& limits, bool cpu = false);

// The decoder program beside this one, or "" when this build has none (built without FFmpeg).
std::string DecoderProgram();

// The child's command line. streamEnd is the byte where the file's stream ends as its stream unit says
// (0: the whole file): decoding stops there and the bytes after it are counted, not judged.
//   check: prints a DecodeReportText answer.
//   pcm:   prints one line "rate=R channels=C\n", then signed 16-bit little-endian interleaved samples.
std::vector<std::string> CheckArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits);
std::vector<std::string> PcmArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits);

// Runs the check child and waits for it (the command line's --verify). Never throws; a child that dies
// answers Crashed, one that overruns its time TimedOut, one stopped (limits.Stop) NotChecked.
TDecodeReport CheckRecoveredFile(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits = {});

// Runs the child with this command line (args[0] the program) and reads its check answer, killing it
// at limits.Time (kMostDecodeTime when 0) or once limits.Stop says so: what CheckRecoveredFile does once it
// has the arguments.
TDecodeReport RunDecoder(const std::vector<std::string>& args, const TDecodeLimits& limits);

}  // namespace quillot::decode
