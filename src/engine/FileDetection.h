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
  // Compiles the searched formats of catalogue, in its order, for sectors of sectorBytes bytes.
  void Compile(const TFormatsList& catalogue, uint32_t sectorBytes = 512);

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

  // On a match fills prefix and extension and answers true; otherwise leaves them as they were.
  bool DetectFileStart(const uint8_t* sector, uint32_t bytesPerSec, std::string& prefix,
                       std::string& extension) const;

  size_t FormatCount() const { return formatCount_; }

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
  using Word = uint64_t;

  // Evaluates one alternative: 1 match, 0 no match, -1 a read outside the buffer.
  int Evaluate(const Alternative& alt, ptrdiff_t base) const;
  void BuildIndex();

  std::vector<Rule> rules_;
  std::vector<Alternative> alternatives_;  // every alternative of the searched formats, in order
  size_t formatCount_ = 0;
  uint32_t sectorBytes_ = 512;

  // The index. Each alternative that can change an answer is keyed by one of its rules (offset,
  // value) whose offset and those of the rules before it lie inside the sector: when the sector's
  // byte there differs, the alternative fails without reading outside the buffer, so it is skipped.
  // The candidates of a sector are the union of the key tables' rows for the sector's bytes at the
  // key offsets and the unkeyed alternatives, as bit sets over alternative numbers, so they come
  // out in catalogue order.
  size_t words_ = 0;
  std::vector<int32_t> keyOffsets_;
  std::vector<Word> keyTables_;  // [keyOffset][byte][word]
  std::vector<Word> unkeyed_;    // [word]
  const uint8_t* bufBegin_ = nullptr;
  size_t bufSize_ = 0;
};

// Sorts the catalogue by Order, counts each format's alternatives and compiles the searched formats.
// Run once at the start of every pass.
TFileDetection PrepareCatalogue(TFormatsList& catalogue, uint32_t sectorBytes = 512);

// One entry of an alternative read as a rule: offset "=" anything "#" value. Answers false for an
// entry that is not a rule.
bool ParseRule(std::string_view entry, int32_t& offset, uint8_t& value);

}  // namespace quillot
