// The signature matcher: is this sector the first sector of a file of a searched format?
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/FileTypes.h"

namespace quillot {

// The searched formats' rules, compiled once per pass. The answers are exactly those of the rule text
// (MatchPlain evaluates that text's rules one by one, and Match must always agree with it); the
// catalogue must not change while a compiled matcher is in use.
class TFileDetection {
 public:
  // Compiles the searched formats of catalogue, in its order.
  void Compile(const TFormatsList& catalogue);

  // The bytes the matcher may read: an offset that reaches outside [begin, begin + size) ends the
  // test of that sector with no match, without reading.
  void SetBufferBounds(const uint8_t* begin, size_t size) {
    bufBegin_ = begin;
    bufSize_ = size;
  }

  // The first searched format that matches the sector starting at sector, or nullptr.
  const TFormat* Match(const uint8_t* sector) const;
  // The same answer, found by trying every rule in catalogue order with no index.
  const TFormat* MatchPlain(const uint8_t* sector) const;
  // The first searched format after format (in catalogue order) that matches: the next answer once a
  // match was turned down.
  const TFormat* MatchAfter(const uint8_t* sector, const TFormat* format) const;

  // On a match fills prefix and extension and answers true; otherwise leaves them as they were.
  bool DetectFileStart(const uint8_t* sector, uint32_t bytesPerSec, std::string& prefix, std::string& extension) const;

  size_t FormatCount() const { return formatCount_; }
  // The shape of the index, for benchmarks: key offsets looked up per sector, alternatives tried always.
  size_t KeyOffsetCount() const { return keyOffsets_.size(); }
  size_t UnkeyedCount() const { return unkeyed_.size(); }
  // The steps the last index build took (rules and key offsets visited), so tests can check it grows
  // no faster than the catalogue.
  uint64_t IndexWork() const { return indexWork_; }

 private:
  struct Rule {
    int32_t offset;
    uint8_t value;
  };
  struct Alternative {
    uint32_t firstRule;
    uint32_t ruleCount;
    bool canMatch;  // its last entry is a rule
    const TFormat* format;
  };

  // What one alternative says of a sector. OutsideBuffer: a rule reached outside the buffer, which ends
  // the test of the whole sector.
  enum class TRuleAnswer { NoMatch, Match, OutsideBuffer };
  TRuleAnswer Evaluate(const Alternative& alt, ptrdiff_t base) const;
  // Tries the alternatives from number first on, in order, with no index.
  const TFormat* MatchFrom(const uint8_t* sector, size_t first) const;
  void BuildIndex();

  std::vector<Rule> rules_;
  std::vector<Alternative> alternatives_;  // every alternative of the searched formats, in order
  size_t formatCount_ = 0;
  int32_t reach_ = 0;  // the bytes from a sector's start that the index reads or relies on

  // The index. Each alternative that can change an answer is keyed by one of its rules (offset,
  // value) whose offset and those of the rules before it lie in [0, kReach): for a sector with that
  // many bytes of buffer from its start, a different byte there makes the alternative fail without
  // reading outside the buffer, so it is skipped. A sector's candidates are the rows of the key
  // tables for its bytes at the key offsets, and the unkeyed alternatives, tried in catalogue order.
  static constexpr int32_t kReach = 65536;
  // Key offsets at the most; alternatives keyed elsewhere are tried for every sector.
  static constexpr size_t kMostLists = 16;
  struct Row {
    uint32_t begin;
    uint32_t count;
  };
  std::vector<int32_t> keyOffsets_;
  std::vector<Row> rows_;          // [keyOffset][byte]
  std::vector<uint32_t> keyed_;    // alternative numbers, ascending within a row
  std::vector<uint32_t> unkeyed_;  // alternative numbers, ascending
  const uint8_t* bufBegin_ = nullptr;
  size_t bufSize_ = 0;
  uint64_t indexWork_ = 0;
};

// Sorts the catalogue by Order, counts each format's alternatives and compiles the searched formats.
// Run once at the start of every pass.
TFileDetection PrepareCatalogue(TFormatsList& catalogue);

// One entry of an alternative read as a rule: offset "=" anything "#" value. Answers false for an
// entry that is not a rule.
bool ParseRule(std::string_view entry, int32_t& offset, uint8_t& value);

}  // namespace quillot
