// The child's command lines, the same in every build.
#include "decode/DecodeCheck.h"

namespace quillot::decode {

namespace {
std::vector<std::string> Arguments(const char* mode, const std::string& path, uint64_t streamEnd,
                                   const TDecodeLimits& limits) {
  // The path comes last, after "--", so a name that begins with a dash is never an option.
  return {DecoderProgram(),
          mode,
          "--stream-end=" + std::to_string(streamEnd),
          "--memory=" + std::to_string(limits.MemoryBytes),
          "--cpu=" + std::to_string(limits.Time.count()),
          "--",
          path};
}
}  // namespace

std::vector<std::string> CheckArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits) {
  return Arguments("check", path, streamEnd, limits);
}

std::vector<std::string> PcmArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits) {
  return Arguments("pcm", path, streamEnd, limits);
}

}  // namespace quillot::decode
