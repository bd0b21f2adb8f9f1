// The child's command lines and its time limits, the same in every build.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "decode/DecodeCheck.h"
#include "platform/Utf8Path.h"

namespace quillot::decode {

std::chrono::seconds DecodeTimeFor(uint64_t streamBytes) {
  constexpr uint64_t kMB = 1'000'000;
  const auto least = static_cast<uint64_t>(kLeastDecodeTime.count());
  const auto most = static_cast<uint64_t>(kMostDecodeTime.count());
  const auto rate = static_cast<uint64_t>(kDecodeTimePerMB.count());
  // Past the cap long before the product could overflow.
  if (streamBytes / kMB >= most) return kMostDecodeTime;
  const uint64_t seconds = least + (streamBytes * rate + kMB - 1) / kMB;
  return std::chrono::seconds(static_cast<std::chrono::seconds::rep>(std::min(seconds, most)));
}

TDecodeLimits LimitsForFile(const std::string& path, uint64_t streamEnd, TDecodeLimits limits) {
  if (limits.Time.count() > 0) return limits;
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(PathOfUtf8(path), error);
  const uint64_t bytes = error ? 0 : streamEnd > 0 && streamEnd < size ? streamEnd : static_cast<uint64_t>(size);
  limits.Time = DecodeTimeFor(bytes);
  limits.StreamBytes = bytes;
  return limits;
}

std::string TimedOutText(const TDecodeLimits& limits, bool cpu) {
  const long long seconds = limits.Time.count() > 0 ? limits.Time.count() : kMostDecodeTime.count();
  std::string text = cpu ? "used up its " + std::to_string(seconds) + " s of processor time"
                         : "ran past " + std::to_string(seconds) + " s";
  if (limits.StreamBytes > 0) {
    char size[48];
    if (limits.StreamBytes < 100'000)
      std::snprintf(size, sizeof size, "%.1f kB", static_cast<double>(limits.StreamBytes) / 1e3);
    else
      std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(limits.StreamBytes) / 1e6);
    text += std::string(" (the limit for a file of ") + size + ")";
  }
  return text + " and was ended";
}

namespace {
std::vector<std::string> Arguments(const char* mode, const std::string& path, uint64_t streamEnd,
                                   const TDecodeLimits& limits) {
  const long long seconds = limits.Time.count() > 0 ? limits.Time.count() : kMostDecodeTime.count();
  std::vector<std::string> line = {DecoderProgram(), mode, "--stream-end=" + std::to_string(streamEnd),
                                   "--memory=" + std::to_string(limits.MemoryBytes),
                                   "--cpu=" + std::to_string(seconds)};
  if (!limits.Folder.empty()) line.push_back("--within=" + limits.Folder);
  // The path comes last, after "--", so a name that begins with a dash is never an option.
  line.push_back("--");
  line.push_back(path);
  return line;
}
}  // namespace

std::vector<std::string> CheckArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits) {
  return Arguments("check", path, streamEnd, limits);
}

std::vector<std::string> PcmArguments(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits) {
  return Arguments("pcm", path, streamEnd, limits);
}

}  // namespace quillot::decode
