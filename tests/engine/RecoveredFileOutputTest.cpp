#include <gtest/gtest.h>

#include <cstring>

#include "engine/RecoveredFileOutput.h"
#include "support/FakeDestination.h"
#include "support/Files.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace quillot {

using test::TFakeDestination;
using test::TRecordingView;

namespace {
std::vector<uint8_t> Sectors(int count, uint32_t size = 512) {
  std::vector<uint8_t> data(static_cast<size_t>(count) * size);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i / size + 1);
  return data;
}
}  // namespace

TEST(RecoveredFileOutput, NamesNumbersAndSkipsTakenNames) {
  TFakeDestination files;
  TRecordingView view;
  files.contents["/out/snd00001.wav"] = "old";
  auto data = Sectors(3);
  {
    TRecoveredFileOutput out(files, view, "/out/");
    out.Start("snd", "wav", "WAV", 10);
    out.Append(data.data(), 512);
    out.Close();
    out.Start("tk", "mp3", "MP3", 11);
    out.Append(data.data() + 512, 512);
    out.Append(data.data() + 1024, 512);
    EXPECT_EQ(out.FilesFound, 2);
    EXPECT_EQ(out.NameOffset, 1);
  }
  EXPECT_EQ(files.contents["/out/snd00001.wav"], "old");
  EXPECT_EQ(files.contents["/out/snd00002.wav"], std::string(512, '\1'));
  EXPECT_EQ(files.contents["/out/tk00003.mp3"].size(), 1024u);
  EXPECT_EQ(view.log,
            (std::vector<std::string>{"Recovering file: snd00002.wav...", "Recovering file: tk00003.mp3..."}));
  ASSERT_EQ(view.files.size(), 2u);
  EXPECT_EQ(view.files[1].Format, "MP3");
  EXPECT_EQ(view.files[1].FirstSector, 11u);
  EXPECT_EQ(view.files[1].Sectors, 2u);
  EXPECT_EQ(view.files[1].Bytes, 1024u);
  EXPECT_EQ(files.writes, 2);  // the two contiguous sectors went out in one write

  // Another pass into the folder takes a name between the search and the creation: the search goes
  // on, and this pass neither writes nor lists that file.
  files.takenMeanwhile = {"/out/tk00004.mp3", "/out/tk00005.mp3"};
  TRecoveredFileOutput again(files, view, "/out/");
  again.NameOffset = 2;
  again.Start("tk", "mp3", "MP3", 12);
  again.Append(data.data(), 512);
  again.Close();
  EXPECT_EQ(files.contents["/out/tk00004.mp3"], "another pass's");
  EXPECT_EQ(files.contents["/out/tk00006.mp3"], std::string(512, '\1'));
  EXPECT_EQ(view.files.back().Name, "tk00006.mp3");
}

TEST(RecoveredFileOutput, AfterAHundredThousandTakenNamesItAsksAndADeclineWritesNothing) {
  TFakeDestination files;
  TRecordingView view;
  char name[32];
  for (int i = 1; i <= 100003; ++i) {
    std::snprintf(name, sizeof name, "/o/f%.5d.x", i);
    files.contents[name] = "keep";
  }
  auto data = Sectors(1);
  TRecoveredFileOutput out(files, view, "/o/");
  view.answers = {false, true};
  out.Start("f", "x", "X", 0);  // asks to overwrite number 100001, declined
  out.Append(data.data(), 512);
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0], "File /o/f100001.x already exists. Are you shure you want to overwrite it?");
  EXPECT_FALSE(out.IsOpen());
  EXPECT_FALSE(out.FatalError);
  EXPECT_EQ(files.contents["/o/f100001.x"], "keep");
  EXPECT_EQ(view.log.back(), "Recovering file: f100001.x...");
  // Past the bound every file gets a single try: number 2 + 100001 is taken too, so it asks again.
  out.Start("f", "x", "X", 1);
  EXPECT_EQ(view.questions.back(), "File /o/f100003.x already exists. Are you shure you want to overwrite it?");
  out.Append(data.data(), 512);
  out.Close();
  EXPECT_EQ(files.contents["/o/f100003.x"], std::string(512, '\1'));
  // Numbers beyond five digits are written in full.
  out.Start("f", "x", "X", 2);
  EXPECT_EQ(view.log.back(), "Recovering file: f100005.x...");
}

TEST(RecoveredFileOutput, CreateAndWriteFailuresSetFatalErrorByTheLastOutcome) {
  TFakeDestination files;
  TRecordingView view;
  files.refuse.insert("/o/a00001.w");
  auto data = Sectors(4);
  TRecoveredFileOutput out(files, view, "/o/");
  out.Start("a", "w", "W", 0);
  EXPECT_TRUE(out.FatalError);
  EXPECT_EQ(view.log, (std::vector<std::string>{"Recovering file: a00001.w...",
                                                "Error: Cannot create destination file: /o/a00001.w."}));
  out.Append(data.data(), 512);  // no file open: written nowhere
  out.Start("a", "w", "W", 1);
  EXPECT_FALSE(out.FatalError);

  // 700 bytes of room: the gathered 4-sector write falls back to single sectors, and each failing
  // sector logs its own line.
  files.spaceLeft = 700;
  view.log.clear();
  for (int i = 0; i < 4; ++i) out.Append(data.data() + i * 512, 512);
  out.Flush();
  EXPECT_TRUE(out.FatalError);
  EXPECT_EQ(view.log, std::vector<std::string>(3, "Error: Cannot write to destination file: /o/a00002.w!"));
  EXPECT_EQ(files.contents["/o/a00002.w"].size(), 700u);
  files.spaceLeft = SIZE_MAX;
  out.Append(data.data(), 512);
  out.Flush();
  EXPECT_FALSE(out.FatalError);
}

TEST(RecoveredFileOutput, APrefixOrExtensionCannotLeaveTheFolder) {
  TFakeDestination files;
  TRecordingView view;
  TRecoveredFileOutput out(files, view, "/o/");
  out.Start("../../etc/x", "wav", "W", 0);
  out.Start("ok", "w/../../y", "W", 1);
  out.Start(std::string("n\0ul", 4), "w", "W", 2);
  EXPECT_TRUE(files.created.empty());
  EXPECT_TRUE(out.FatalError);
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(view.log[1], "Error: Cannot create destination file: /o/../../etc/x00001.wav.");
}

}  // namespace quillot

namespace quillot {

TEST(RecoveredFileOutput, RunsOfZeroSectorsBecomeHolesThatReadBackAsZeros) {
  std::vector<uint8_t> data(6 * 512, 0);
  std::fill(data.begin() + 512, data.begin() + 1024, 7);  // sector 1 holds data, 0 and 2..5 are zeros
  // Through the real file system: the length counts the trailing hole and the bytes read back whole.
  test::TTempDir dir;
  TDiskDestination disk;
  test::TRecordingView view;
  {
    TRecoveredFileOutput out(disk, view, dir.File(""));
    out.Start("z", "bin", "Z", 0);
    for (int i = 0; i < 6; ++i) out.Append(data.data() + i * 512, 512);
  }
  EXPECT_EQ(test::ReadText(dir.File("z00001.bin")), std::string(data.begin(), data.end()));
  ASSERT_EQ(view.files.size(), 1u);
  EXPECT_EQ(view.files[0].Bytes, 6u * 512);

  test::TFakeDestination files;
  TRecoveredFileOutput out(files, view, "/o/");
  out.Start("z", "bin", "Z", 0);
  for (int i = 0; i < 6; ++i) out.Append(data.data() + i * 512, 512);
  out.Close();
  EXPECT_EQ(files.holes, 2);
  EXPECT_EQ(files.writes, 1);
}

// A stream unit follows each file: with Trim the file ends at its recording's last byte, also inside a
// sector and inside a run of zeros; without it the file keeps every sector. Either way the verdict is
// the unit's, unless a sector could not be read.
TEST(RecoveredFileOutput, TrimEndsAFileWhereItsStreamEndsAndTheVerdictIsTheUnits) {
  // A RIFF WAVE of 1044 bytes: a 36-byte fmt chunk and 1000 bytes of silence, then junk to sector 3.
  std::vector<uint8_t> disk(4 * 512, 0xEE);
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) disk[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(disk.data(), "RIFF", 4);
  put32(4, 1036);
  std::memcpy(disk.data() + 8, "WAVEfmt ", 8);
  put32(16, 16);
  std::fill(disk.begin() + 20, disk.begin() + 36, uint8_t{1});
  std::memcpy(disk.data() + 36, "data", 4);
  put32(40, 1000);
  std::fill(disk.begin() + 44, disk.begin() + 1044, uint8_t{0});
  struct TRow {
    bool trim, unreadable;
    size_t bytes;
    TVerdict verdict;
    size_t space = SIZE_MAX;  // room on the destination
  };
  // A file the destination had no room for lacks bytes of its recording, whatever its stream says.
  for (const TRow row : {TRow{true, false, 1044, TVerdict::Whole}, TRow{false, false, 2048, TVerdict::Whole},
                         TRow{true, true, 1044, TVerdict::Damaged}, TRow{true, false, 30, TVerdict::Damaged, 30}}) {
    TFakeDestination files;
    files.spaceLeft = row.space;
    TRecordingView view;
    TRecoveredFileOutput out(files, view, "/o/");
    out.Trim = row.trim;
    out.Start("snd", "wav", "WAV", 0, "riff");
    for (int s = 0; s < 4; ++s) {
      out.Append(disk.data() + s * 512, 512);
      if (s == 1 && row.unreadable) out.MarkUnreadable(1);
    }
    out.Close();
    SCOPED_TRACE(testing::Message() << row.trim << row.unreadable);
    const std::string& written = files.contents["/o/snd00001.wav"];
    ASSERT_EQ(view.files.size(), 1u);
    EXPECT_EQ(view.files[0].Short, row.space != SIZE_MAX);
    EXPECT_EQ(view.files[0].Verdict, row.verdict);
    if (row.space != SIZE_MAX) {
      EXPECT_EQ(written.substr(0, row.space), std::string(disk.begin(), disk.begin() + row.space));
      continue;
    }
    EXPECT_EQ(written, std::string(disk.begin(), disk.begin() + row.bytes));
    EXPECT_EQ(view.files[0].Bytes, row.bytes);
    EXPECT_EQ(view.files[0].Evidence, TEvidence::Structure);
    // The recording ends in sector 2: sector 3 is the one left unwritten.
    EXPECT_EQ(view.files[0].Unwritten.First, row.trim ? 3u : 0u);
    EXPECT_EQ(view.files[0].Unwritten.Count, row.trim ? 1u : 0u);
    // The stream's end is told trimmed or not: the untrimmed file's last 1004 bytes come after it.
    EXPECT_EQ(view.files[0].StreamEnd, 1044u);
  }
}

// A unit that must see what follows its end (an MP3's frame chain) may tell the end only in the next
// run of sectors: the file already written is cut back to the end, also over a hole, and the sectors
// after it count as unwritten.
TEST(RecoveredFileOutput, AnEndToldLateCutsTheFileBack) {
  const std::string mp3 = test::ReadText(std::string(QUILLOT_SOURCE_DIR) + "/samples/audio/reminder.mp3");
  // 30301 bytes are 157 sectors of 193, or 30301 of one byte: the recording ends on a sector's last byte, and
  // the end is told one run later, or some runs later.
  for (const auto& [sector, after] : {std::pair<uint32_t, char>{193, '\xEE'}, {193, '\0'}, {1, '\xEE'}, {1, '\0'}}) {
    ASSERT_EQ(mp3.size() % sector, 0u);
    const uint64_t sectorsOfMp3 = mp3.size() / sector, junk = 600 / sector + 1;
    std::vector<std::vector<uint8_t>> sectors;
    for (size_t at = 0; at < mp3.size(); at += sector)
      sectors.emplace_back(mp3.begin() + at, mp3.begin() + at + sector);
    for (uint64_t i = 0; i < junk; ++i) sectors.emplace_back(sector, uint8_t(after));
    TFakeDestination files;
    TRecordingView view;
    TRecoveredFileOutput out(files, view, "/o/");
    out.Trim = true;
    out.Start("mp3", "mp3", "MP3-Xing", 10, "mpeg-audio");
    // Each sector from its own buffer: each is a run of its own.
    for (const auto& s : sectors) out.Append(s.data(), sector);
    out.Close();
    SCOPED_TRACE(testing::Message() << "sectors of " << sector << (after == 0 ? ", zeros after" : ", junk after"));
    EXPECT_TRUE(files.contents["/o/mp300001.mp3"] == mp3);
    ASSERT_EQ(view.files.size(), 1u);
    EXPECT_EQ(view.files[0].Bytes, mp3.size());
    EXPECT_EQ(view.files[0].Sectors, sectorsOfMp3);
    EXPECT_EQ(view.files[0].Unwritten.First, 10u + sectorsOfMp3);
    EXPECT_EQ(view.files[0].Unwritten.Count, junk);
    EXPECT_EQ(view.files[0].StreamEnd, mp3.size());
    EXPECT_EQ(view.files[0].Verdict, TVerdict::Whole);
  }
}

}  // namespace quillot
