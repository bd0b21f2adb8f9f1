#include <gtest/gtest.h>

#include <optional>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// Each size left out is the true one.
struct TDsfParts {
  std::optional<uint64_t> Total;
  std::optional<uint64_t> Metadata;  // 0: no tag
  std::optional<uint64_t> DataSize;
  uint32_t TagSize = 200;  // as the tag's header says
  std::string_view TagId = "ID3";
};

template <typename F>
TDsfParts Set(F set) {
  TDsfParts parts;
  set(parts);
  return parts;
}

// No encoder here writes DSF: built from the published layout. The "DSD " chunk (total size, metadata
// pointer), "fmt " (52 bytes: stereo DSD64, 4096-byte blocks), "data" (one block per channel), and an
// ID3v2 tag of 200 bytes.
TBytes Dsf(const TDsfParts& parts = {}) {
  TBytes dsf;
  test::AppendText(dsf, "DSD ");
  test::AppendLe(dsf, 28, 8);
  test::AppendLe(dsf, 0, 8);
  test::AppendLe(dsf, 0, 8);
  test::AppendText(dsf, "fmt ");
  test::AppendLe(dsf, 52, 8);
  for (uint32_t v : {1u, 0u, 2u, 2u, 2822400u, 1u}) test::AppendLe(dsf, v, 4);
  test::AppendLe(dsf, 4096 * 8, 8);  // samples per channel
  test::AppendLe(dsf, 4096, 4);
  test::AppendLe(dsf, 0, 4);
  const TBytes samples = test::RandomBytes(2 * 4096, 10);
  test::AppendText(dsf, "data");
  test::AppendLe(dsf, parts.DataSize.value_or(12 + samples.size()), 8);
  dsf = test::Concat(dsf, samples);
  const uint64_t tagAt = dsf.size();
  if (parts.Metadata != 0u) {
    test::AppendText(dsf, parts.TagId);
    dsf.insert(dsf.end(), {3, 0, 0});
    for (int shift : {21, 14, 7, 0}) dsf.push_back(uint8_t((parts.TagSize >> shift) & 0x7F));
    dsf.resize(dsf.size() + 200);
  }
  for (int i = 0; i < 8; ++i) {
    dsf[12 + i] = uint8_t(parts.Total.value_or(dsf.size()) >> (8 * i));
    dsf[20 + i] = uint8_t(parts.Metadata.value_or(tagAt) >> (8 * i));
  }
  return dsf;
}

}  // namespace

TEST(DsfStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes dsf = Dsf(), plain = Dsf(Set([](TDsfParts&p) { p.Metadata = 0; }));
  const uint64_t size = dsf.size(), tagAt = size - 210;
  const TBytes junk = test::RandomBytes(3000, 11), wav = test::SampleAudio("voice-memo.wav");
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      broken{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", dsf, ended, whole},
      {"junk after", test::Concat(dsf, junk), ended, whole},
      {"itself after", test::Concat(dsf, dsf), ended, whole},
      {"no metadata", test::Concat(plain, wav), {TStreamState::Ended, plain.size()}, whole},
      {"cut in the header", TBytes(dsf.begin(), dsf.begin() + 20), goesOn, cut},
      {"cut in the data", TBytes(dsf.begin(), dsf.begin() + 3000), goesOn, cut},
      {"cut in the tag", TBytes(dsf.begin(), dsf.end() - 1), goesOn, cut},
      {"total 0", test::Concat(Dsf(Set([](TDsfParts& p) { p.Total = 0; })), junk), unknown, none},
      {"total all-ones", test::Concat(Dsf(Set([](TDsfParts& p) { p.Total = ~uint64_t(0); })), junk), unknown, none},
      {"metadata past the total", test::Concat(Dsf(Set([](TDsfParts& p) { p.Metadata = ~uint64_t(0) - 4; })), junk),
       unknown, none},
      {"data size all-ones", test::Concat(Dsf(Set([](TDsfParts& p) { p.DataSize = ~uint64_t(0); })), junk), unknown,
       none},
      {"data ending short of the metadata", test::Concat(Dsf(Set([](TDsfParts& p) { p.DataSize = 100; })), junk),
       unknown, none},
      {"no tag at the pointer",
       test::Concat(Dsf(Set([](TDsfParts& p) { p.TagId = "XYZ"; })), junk),
       {TStreamState::Broke, tagAt},
       broken},
      {"a tag longer than the file",
       test::Concat(Dsf(Set([](TDsfParts& p) { p.TagSize = 5000; })), junk),
       {TStreamState::Broke, tagAt},
       broken},
      {"not DSF", wav, unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("dsf", row.Bytes, 41, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
