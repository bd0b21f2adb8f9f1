#include <gtest/gtest.h>

#include "streams/Crc.h"
#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 6;  // the next page's first bytes tell a chain from an end

struct TPage {
  size_t At;
  size_t Size;
};

std::vector<TPage> Pages(const TBytes& ogg) {
  std::vector<TPage> pages;
  for (size_t at = 0; at + 27 <= ogg.size();) {
    size_t segments = ogg[at + 26], size = 27 + segments;
    for (size_t i = 0; i < segments; ++i) size += ogg[at + 27 + i];
    pages.push_back({at, size});
    at += size;
  }
  return pages;
}

void Rechecksum(TBytes& ogg, const TPage& page) {
  for (int i = 22; i < 26; ++i) ogg[page.At + i] = 0;
  test::PutLe32(ogg, page.At + 22, Crc32(0, ogg.data() + page.At, page.Size));
}

// The last page no longer ends its stream: what a recorder that lost power leaves.
TBytes WithoutEndPage(TBytes ogg) {
  TPage last = Pages(ogg).back();
  ogg[last.At + 5] &= ~0x04;
  Rechecksum(ogg, last);
  return ogg;
}

TBytes Without(const TBytes& ogg, const TPage& page) {
  TBytes out(ogg.begin(), ogg.begin() + page.At);
  out.insert(out.end(), ogg.begin() + page.At + page.Size, ogg.end());
  return out;
}

// Two files multiplexed into one group: both begin pages first, then their pages taken in turn.
TBytes Grouped(const TBytes& a, const TBytes& b) {
  auto pa = Pages(a), pb = Pages(b);
  TBytes out;
  auto put = [&](const TBytes& from, const TPage& p) {
    out.insert(out.end(), from.begin() + p.At, from.begin() + p.At + p.Size);
  };
  put(a, pa[0]);
  put(b, pb[0]);
  for (size_t i = 1; i < std::max(pa.size(), pb.size()); ++i) {
    if (i < pa.size()) put(a, pa[i]);
    if (i < pb.size()) put(b, pb[i]);
  }
  return out;
}

}  // namespace

TEST(OggStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes tune = test::SampleAudio("tune.ogg"), opus = test::SampleAudio("note.opus");
  const TBytes speex = test::StreamFixture("ogg", "m16.spx"), flac = test::StreamFixture("ogg", "m22.oga");
  const TBytes junk = test::RandomBytes(5000, 9), wav = test::SampleAudio("voice-memo.wav");
  const uint64_t size = tune.size();
  const std::vector<TPage> pages = Pages(tune);
  const TBytes chain = test::Concat(tune, opus), group = Grouped(tune, opus);
  TBytes changed = tune;
  changed[pages[2].At + 1000] ^= 0x10;
  TBytes flagsChanged = tune;
  flagsChanged[pages[1].At + 5] |= 0x08;
  Rechecksum(flagsChanged, pages[1]);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Checksums}, cut{TVerdict::CutShort, TEvidence::Checksums},
      damaged{TVerdict::Damaged, TEvidence::Checksums}, broken{TVerdict::Damaged, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      // Nothing after the end page: the end is told only at Close, where the bytes stop.
      {"whole, nothing after", tune, goesOn, whole},
      {"junk after", test::Concat(tune, junk), {TStreamState::Ended, size}, whole},
      {"another file after", test::Concat(tune, wav), {TStreamState::Ended, size}, whole},
      {"zeros after", test::Concat(tune, TBytes(2048, 0)), {TStreamState::Ended, size}, whole},
      {"capture pattern after, no begin page",
       test::Concat(tune, TBytes(tune.begin() + pages[1].At, tune.end())),
       {TStreamState::Ended, size},
       whole},
      {"Opus", test::Concat(opus, junk), {TStreamState::Ended, opus.size()}, whole},
      {"Speex", test::Concat(speex, junk), {TStreamState::Ended, speex.size()}, whole},
      {"FLAC in Ogg", test::Concat(flac, wav), {TStreamState::Ended, flac.size()}, whole},
      {"chained, one file", test::Concat(chain, junk), {TStreamState::Ended, chain.size()}, whole},
      {"chained to itself, serials free again",
       test::Concat(test::Concat(tune, tune), junk),
       {TStreamState::Ended, 2 * size},
       whole},
      {"grouped streams end with the last", test::Concat(group, junk), {TStreamState::Ended, group.size()}, whole},
      {"cut in the first header",
       TBytes(tune.begin(), tune.begin() + 10),
       goesOn,
       {TVerdict::CutShort, TEvidence::Structure}},
      {"cut in a body", TBytes(tune.begin(), tune.begin() + size / 2), goesOn, cut},
      {"cut one byte short", TBytes(tune.begin(), tune.end() - 1), goesOn, cut},
      {"cut in the second link of a chain", TBytes(chain.begin(), chain.begin() + size + 100), goesOn, cut},
      {"cut in a body, junk after",
       test::Concat(TBytes(tune.begin(), tune.begin() + size / 2), junk),
       {TStreamState::Broke, pages[2].At},
       damaged},
      {"cut between pages, junk after",
       test::Concat(TBytes(tune.begin(), tune.begin() + pages[2].At), junk),
       {TStreamState::Broke, pages[2].At},
       broken},
      {"one byte changed", test::Concat(changed, junk), {TStreamState::Broke, pages[2].At}, damaged},
      {"a page missing", test::Concat(Without(tune, pages[1]), junk), {TStreamState::Broke, pages[1].At}, damaged},
      {"a flag no version defines", flagsChanged, {TStreamState::Broke, pages[1].At}, broken},
      {"a serial begun twice in a group",
       test::Concat(Grouped(tune, tune), junk),
       {TStreamState::Broke, pages[0].Size},
       broken},
      // No end page: never ended, whatever follows, even a whole other stream.
      {"no end page", WithoutEndPage(tune), goesOn, cut},
      {"no end page, another stream after", test::Concat(WithoutEndPage(tune), opus), goesOn, cut},
      {"starts without a begin page", TBytes(tune.begin() + pages[1].At, tune.end()), unknown, none},
      {"not Ogg", wav, unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("ogg", row.Bytes, 13, row.Answer, row.Verdict, kLag);
  }
  // Following the pages alone, without their CRC-32s: the same ends on the structure, and a changed byte
  // inside a body goes unseen.
  for (const auto& row : rows) {
    const std::string name = row.Name;
    if (name == "cut in a body, junk after" || name == "one byte changed") continue;
    SCOPED_TRACE(name + ", structure only");
    TStreamVerdict verdict = row.Verdict;
    if (verdict.Evidence == TEvidence::Checksums) verdict.Evidence = TEvidence::Structure;
    test::ExpectEveryWay("ogg", row.Bytes, 13, row.Answer, verdict, kLag, false);
  }
  test::ExpectEveryWay("ogg", test::Concat(changed, junk), 13, {TStreamState::Ended, size},
                       {TVerdict::Whole, TEvidence::Structure}, kLag, false);
}

// A changed byte anywhere in any page, header or body, breaks the stream.
TEST(OggStream, EveryPageIsChecked) {
  const TBytes tune = test::SampleAudio("tune.ogg");
  for (const TPage& page : Pages(tune)) {
    for (size_t offset : {size_t(0), size_t(6), size_t(26), page.Size - 1}) {
      TBytes bytes = tune;
      bytes[page.At + offset] ^= 0x01;
      const auto run = test::FeedWhole("ogg", test::Concat(bytes, test::RandomBytes(1000, 1)));
      SCOPED_TRACE(std::to_string(page.At) + "+" + std::to_string(offset));
      if (page.At == 0 && offset == 0) continue;  // no longer an Ogg start
      EXPECT_EQ(run.Answer.State, TStreamState::Broke);
      EXPECT_EQ(run.Verdict.Verdict, TVerdict::Damaged);
    }
  }
}

}  // namespace quillot
