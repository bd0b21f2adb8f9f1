// The signature matcher: is this sector the first sector of a file of a searched format?
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/FileTypes.h"

namespace quillot {

// The searched formats' rules, compiled once per pass into flat arrays. The answers are exactly those
// of the rule text; the catalogue must not change while a compiled matcher is in use.
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

  // On a match fills prefix and extension and answers true; otherwise leaves them as they were.
  bool DetectFileStart(const uint8_t* sector, uint32_t bytesPerSec, std::string& prefix,
                       std::string& extension) const;

  size_t FormatCount() const { return formats_.size(); }

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
  struct Format {
    const TFormat* format;
    uint32_t firstAlternative;
    uint32_t alternativeCount;
  };

  std::vector<Rule> rules_;
  std::vector<Alternative> alternatives_;
  std::vector<Format> formats_;
  // By the sector's first byte, the alternatives worth testing, in catalogue order: those whose first
  // rule reads byte 0 and wants another value fail there without reading further, so they are left out.
  std::vector<uint32_t> candidates_[256];
  const uint8_t* bufBegin_ = nullptr;
  size_t bufSize_ = 0;
};

// Sorts the catalogue by Order, counts each format's alternatives and compiles the searched formats.
// Run once at the start of every pass.
TFileDetection PrepareCatalogue(TFormatsList& catalogue);

// One entry of an alternative read as a rule: offset "=" anything "#" value. Answers false for an
// entry that is not a rule.
bool ParseRule(std::string_view entry, int32_t& offset, uint8_t& value);

}  // namespace quillot
