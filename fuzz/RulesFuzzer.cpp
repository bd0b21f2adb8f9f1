// Random rules against random sectors: the compiled matcher must answer exactly what a plain reading of
// the rule text answers, format by format in catalogue order, with a read outside the buffer ending the
// test of the sector with no match.
//
// Input: byte 0 the number of formats (low two bits, plus one), byte 1 their Search flags (bit i),
// byte 2 their Order (two bits each); then each format's ScanBytes ended by a NUL; the rest is the buffer.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "engine/FileDetection.h"
#include "formats/FileTypes.h"

using namespace quillot;

namespace {

// Each format's alternatives split into entries once, by the catalogue's own splitting.
using TEntries = std::vector<std::vector<std::string>>;

std::vector<TEntries> SplitAll(const TFormatsList& catalogue) {
  std::vector<TEntries> all;
  for (const auto& f : catalogue) {
    TEntries& alternatives = all.emplace_back();
    for (int32_t a = 0; a < f->AlternativeCount; ++a) alternatives.push_back(f->GetAlternativeRules(a));
  }
  return all;
}

// The rules read straight from their text, as the catalogue defines them.
const TFormat* PlainMatch(const TFormatsList& catalogue, const std::vector<TEntries>& split, const uint8_t* buffer,
                          size_t size, size_t at) {
  for (int32_t n = 0; n < catalogue.Count(); ++n) {
    const TFormat* f = &catalogue.Items(n);
    if (!f->Search) continue;
    for (const std::vector<std::string>& entries : split[static_cast<size_t>(n)]) {
      for (size_t i = 0; i < entries.size(); ++i) {
        int32_t offset = 0;
        uint8_t value = 0;
        if (!ParseRule(entries[i], offset, value)) continue;
        const int64_t pos = static_cast<int64_t>(at) + offset;
        if (pos < 0 || static_cast<uint64_t>(pos) >= size) return nullptr;  // outside: an error, no match
        if (buffer[pos] != value) break;
        if (i + 1 == entries.size()) return f;
      }
    }
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int count = (data[0] & 3) + 1;
  const uint8_t searchBits = data[1];
  const uint8_t orderBits = data[2];
  size_t pos = 3;

  TFormatsList catalogue;
  for (int i = 0; i < count; ++i) {
    auto f = std::make_unique<TFormat>();
    f->Title = "F" + std::to_string(i);
    f->FilePrefix = "p" + std::to_string(i);
    f->FileExtension = "e" + std::to_string(i);
    f->Search = (searchBits >> i) & 1;
    f->Order = (orderBits >> (2 * i)) & 3;
    size_t end = pos;
    while (end < size && data[end] != 0) ++end;
    f->ScanBytes.assign(reinterpret_cast<const char*>(data + pos), end - pos);
    pos = end < size ? end + 1 : end;
    catalogue.Add(std::move(f));
  }

  // The buffer is never empty: a sector of zeros when the input has nothing left.
  std::vector<uint8_t> buffer(data + pos, data + size);
  if (buffer.empty()) buffer.assign(512, 0);

  TFileDetection detection = PrepareCatalogue(catalogue);
  for (int32_t i = 1; i < catalogue.Count(); ++i)
    FUZZ_CHECK(catalogue.Items(i - 1).Order <= catalogue.Items(i).Order, "catalogue sorted by Order");
  detection.SetBufferBounds(buffer.data(), buffer.size());
  const std::vector<TEntries> split = SplitAll(catalogue);

  // Every start position for small buffers, a spread of them for large ones.
  const size_t step = buffer.size() <= 64 ? 1 : buffer.size() / 64;
  for (size_t at = 0; at < buffer.size(); at += step) {
    const TFormat* want = PlainMatch(catalogue, split, buffer.data(), buffer.size(), at);
    const TFormat* got = detection.Match(buffer.data() + at);
    FUZZ_CHECK(got == want, "compiled matcher agrees with the rule text");
    std::string prefix = "unset", extension = "unset";
    const bool found = detection.DetectFileStart(buffer.data() + at, 512, prefix, extension);
    FUZZ_CHECK(found == (want != nullptr), "DetectFileStart answers like Match");
    FUZZ_CHECK(found ? prefix == want->FilePrefix && extension == want->FileExtension
                     : prefix == "unset" && extension == "unset",
               "outputs set only on a match");
  }
  return 0;
}
