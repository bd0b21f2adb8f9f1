// Decoding a recovered file in a child process, so a decoder that crashes, hangs or eats memory on hostile
// bytes can never take the program down with it. Runs only after a pass has ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/DecodeReport.h"

namespace quillot::decode {

struct TDecodeLimits {
  std::chrono::seconds Time{60};      // wall-clock time before the child is killed
  uint64_t MemoryBytes = 1ull << 30;  // the child's address space
};

// The decoder program beside this one, or "" when this build has none (built without FFmpeg).
std::string DecoderProgram();

// The child's command line. streamEnd is the byte where the file's stream ends as its stream unit says
// (0: the whole file): decoding stops there and the bytes after it are counted, not judged.
//   check: prints a DecodeReportText answer.
//   pcm:   prints one line "rate=R channels=C\n", then signed 16-bit little-endian interleaved samples.
std::vector<std::string> CheckArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits);
std::vector<std::string> PcmArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits);

// Runs the check child and waits for it (the command line's --verify). Never throws; a child that dies
// answers Crashed, one that overruns its time TimedOut.
TDecodeReport CheckRecoveredFile(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits = {});

// Runs the child with this command line (args[0] the program) and reads its check answer, killing it
// at limits.Time: what CheckRecoveredFile does once it has the arguments.
TDecodeReport RunDecoder(const std::vector<std::string>& args, const TDecodeLimits& limits);

}  // namespace quillot::decode
