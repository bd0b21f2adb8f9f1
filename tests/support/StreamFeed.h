// Feeding a stream unit the way the file output would: the bytes in chunks of chosen sizes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "streams/StreamUnit.h"
#include "support/Files.h"

namespace quillot::test {

using TBytes = std::vector<uint8_t>;

inline TBytes ReadBytes(const std::string& path) {
  std::string text = ReadText(path);
  return TBytes(text.begin(), text.end());
}

inline TBytes SampleAudio(const std::string& name) {
  return ReadBytes(std::string(QUILLOT_SOURCE_DIR) + "/samples/audio/" + name);
}

// A whole file from tests/fixtures/streams/<unit>/ (tests/fixtures/make-stream-fixtures.sh).
inline TBytes StreamFixture(const std::string& unit, const std::string& name) {
  return ReadBytes(std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/streams/" + unit + "/" + name);
}

inline TBytes Concat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline TBytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  TBytes bytes(size);
  for (auto& b : bytes) b = uint8_t(rng());
  return bytes;
}

inline void PutLe32(TBytes& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
}

inline void AppendText(TBytes& bytes, std::string_view text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

inline void AppendLe(TBytes& bytes, uint64_t v, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
}

inline void AppendBe(TBytes& bytes, uint64_t v, int size) {
  for (int i = size - 1; i >= 0; --i) bytes.push_back(uint8_t(v >> (8 * i)));
}

inline void PutBe(TBytes& bytes, size_t at, uint64_t v, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = uint8_t(v >> (8 * (size - 1 - i)));
}

struct TFeedRun {
  TStreamAnswer Answer;
  TStreamVerdict Verdict;
  uint64_t FedWhenSettled = 0;  // bytes fed when the answer first became Ended or Broke
  bool Steady = true;           // an Ended or Broke answer never changed afterwards
  bool operator==(const TFeedRun& o) const { return Answer == o.Answer && Verdict == o.Verdict && Steady == o.Steady; }
};

// Feeds all the bytes, each chunk's size from nextChunk (at least 1); without checksums the unit follows
// the structure alone, as in a pass that does not trim.
inline TFeedRun FeedInChunks(std::string_view unitName, const TBytes& bytes, const std::function<size_t()>& nextChunk,
                             bool checksums = true) {
  auto unit = MakeStreamUnit(unitName);
  if (!checksums) unit->SkipChecksums();
  TFeedRun run;
  bool settled = false;
  size_t at = 0;
  do {
    size_t n = std::min(bytes.size() - at, std::max<size_t>(1, nextChunk()));
    // A copy of exactly the chunk, so a read past it is a fault the sanitizer sees.
    TBytes chunk(bytes.begin() + at, bytes.begin() + at + n);
    TStreamAnswer answer = unit->Feed(chunk.data(), chunk.size());
    at += n;
    if (settled && !(answer == run.Answer)) run.Steady = false;
    if (!settled && (answer.State == TStreamState::Ended || answer.State == TStreamState::Broke)) {
      settled = true;
      run.FedWhenSettled = at;
    }
    run.Answer = answer;
  } while (at < bytes.size());
  run.Verdict = unit->Close();
  return run;
}

inline TFeedRun FeedWhole(std::string_view unitName, const TBytes& bytes, bool checksums = true) {
  return FeedInChunks(
      unitName, bytes, [&] { return bytes.size(); }, checksums);
}

// The same bytes fed whole, 1, 7 and 4096 bytes at a time, and in random sizes.
inline std::vector<std::pair<std::string, TFeedRun>> FeedEveryWay(std::string_view unitName, const TBytes& bytes,
                                                                  uint32_t seed, bool checksums = true) {
  std::mt19937 rng(seed);
  std::vector<std::pair<std::string, TFeedRun>> runs;
  runs.emplace_back("whole", FeedWhole(unitName, bytes, checksums));
  for (size_t size : {size_t(1), size_t(7), size_t(4096)})
    runs.emplace_back("chunks of " + std::to_string(size), FeedInChunks(
                                                               unitName, bytes, [=] { return size; }, checksums));
  runs.emplace_back("random chunks", FeedInChunks(
                                         unitName, bytes, [&] { return size_t(1 + rng() % 9000); }, checksums));
  return runs;
}

// One case of a unit's table: the bytes and what the unit must make of them.
struct TStreamCase {
  const char* Name;
  TBytes Bytes;
  TStreamAnswer Answer;
  TStreamVerdict Verdict;
};

// Feeds bytes every way: each must give the answer and verdict, never change a settled answer, and with
// one byte at a time tell an end at most lag bytes after its last byte came. A unit that reads its end
// from a length has lag 0; one that must see what follows (a frame chain, a box walk) names its bound.
inline void ExpectEveryWay(std::string_view unitName, const TBytes& bytes, uint32_t seed, const TStreamAnswer& answer,
                           const TStreamVerdict& verdict, uint64_t lag = 0, bool checksums = true) {
  for (const auto& [how, run] : FeedEveryWay(unitName, bytes, seed, checksums)) {
    SCOPED_TRACE(how);
    EXPECT_EQ(run.Answer, answer);
    EXPECT_EQ(run.Verdict, verdict);
    EXPECT_TRUE(run.Steady);
    if (how == "chunks of 1" && answer.State == TStreamState::Ended) {
      EXPECT_GE(run.FedWhenSettled, answer.At);
      EXPECT_LE(run.FedWhenSettled, answer.At + lag);
    }
  }
}

}  // namespace quillot::test
