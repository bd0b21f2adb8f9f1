// How often random bytes pass a checked format's signature and its start check: every byte position of
// seeded random data is tried as a sector start would be, with the shipped rules, then checked with the
// unit's own count of frames and with one and two frames fewer. Prints the counts and the rate per terabyte
// of 512-byte sector starts, the count at the unit's own frames extrapolated from the two below it.
//   usage: quillot_start_check_rate [POSITIONS] [CATALOGUE]   (POSITIONS defaults to 10^9 per format)
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/FileDetection.h"
#include "formats/FileTypes.h"
#include "streams/StartCheck.h"
#include "streams/StreamUnit.h"

using namespace quillot;

namespace {

// xoshiro256**: fast, and the same bytes on every run.
struct TRandom {
  uint64_t s[4] = {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 0x2545F4914F6CDD1Dull};
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t Next() {
    const uint64_t result = Rotl(s[1] * 5, 7) * 9, t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = Rotl(s[3], 45);
    return result;
  }
  void Fill(std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
      const uint64_t v = Next();
      for (int b = 0; b < 8; ++b) bytes[i + b] = uint8_t(v >> (8 * b));
    }
  }
};

constexpr double kSectorStartsPerTerabyte = 1e12 / 512;

}  // namespace

int main(int argc, char** argv) {
  const uint64_t positions = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000000ull;
  const std::string path = argc > 2 ? argv[2] : QUILLOT_SOURCE_DIR "/data/Quillot.ini";
  TDataStorage storage;
  storage.LoadFormats(path);
  constexpr size_t kBlock = 64 << 20;
  std::vector<uint8_t> data(kBlock + kStartCheckBytes);
  std::printf("%" PRIu64 " random positions per format\n\n", positions);
  std::printf(
      "| format | unit | frames N | rule matches | confirmed at N-2 | at N-1 | at N | per TB at N-1 | "
      "per TB at N (extrapolated) |\n|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& f : storage.Formats) {
    if (f->Check.empty()) continue;
    const uint64_t n = MakeStreamUnit(f->Check)->FramesToConfirmStart();
    TFormatsList one;
    auto copy = std::make_unique<TFormat>(*f);
    copy->Search = true;
    one.Add(std::move(copy));
    TFileDetection detection = PrepareCatalogue(one);
    detection.SetBufferBounds(data.data(), data.size());
    TRandom random;
    uint64_t matches = 0, confirmed[3] = {};
    for (uint64_t done = 0; done < positions;) {
      random.Fill(data);
      const uint64_t here = std::min<uint64_t>(kBlock, positions - done);
      for (uint64_t i = 0; i < here; ++i) {
        if (!detection.Match(data.data() + i)) continue;
        ++matches;
        for (uint64_t k = 0; k < 3; ++k)
          if (n > 2 - k &&
              CheckStart(f->Check, data.data() + i, kStartCheckBytes, false, 512, n - 2 + k) == TStartCheck::Confirmed)
            ++confirmed[k];
      }
      done += here;
    }
    const double p = double(positions);
    // Each frame more multiplies the rate by what the last one did; a count of zero stands as its bound of
    // 3 (95 %).
    const double lessCount = confirmed[1] ? double(confirmed[1]) : 3.0;
    const double atLess = lessCount / p;
    const double factor = confirmed[0] ? std::min(1.0, lessCount / double(confirmed[0])) : 1.0;
    std::printf("| %s | %s | %" PRIu64 " | %" PRIu64 " | %" PRIu64 " | %" PRIu64 " | %" PRIu64 " | %s%.3g | < %.3g |\n",
                f->Title.c_str(), f->Check.c_str(), n, matches, confirmed[0], confirmed[1], confirmed[2],
                confirmed[1] ? "" : "< ", atLess * kSectorStartsPerTerabyte,
                atLess * factor * kSectorStartsPerTerabyte);
    std::fflush(stdout);
  }
  return 0;
}
