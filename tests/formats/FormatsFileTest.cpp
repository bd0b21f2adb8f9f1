#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "formats/FileTypes.h"
#include "platform/BlockSource.h"
#include "platform/Dialogs.h"
#include "platform/SourceGuard.h"
#include "support/CatalogueCompare.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "support/TempEnvironment.h"

namespace quillot {

using test::ExpectSameCatalogue;

using test::ReadText;
using test::TTempDir;
using test::WriteText;

namespace {
class TRecordingDialogs : public TDialogs {
 public:
  TDialogAnswer Show(const std::string& text, const std::string&, TDialogButtons, TDialogIcon) override {
    shown.push_back(text);
    return TDialogAnswer::Ok;
  }
  std::vector<std::string> shown;
};
}  // namespace

TEST(FormatDefinition, DefaultsAndAlternatives) {
  TFormat f;
  EXPECT_EQ(f.Category, "Miscelaneous");
  EXPECT_EQ(f.Title, "Untitled");
  EXPECT_EQ(f.FileExtension, "UNKNOWN");
  EXPECT_EQ(f.FilePrefix, "file");
  EXPECT_FALSE(f.Search);
  EXPECT_EQ(f.Order, 0);
  EXPECT_EQ(f.CountAlternatives(), 0);
  f.ScanBytes = " \r\n\t\r\n";
  EXPECT_EQ(f.CountAlternatives(), 0);
  // Blank lines around are trimmed away; one between two alternatives counts.
  f.ScanBytes = "\r\n\r\n0=#1,,1=#2\r\n\r\n0=#1, 1=#2\n0=#3,\r\n\r\n";
  EXPECT_EQ(f.CountAlternatives(), 4);
  EXPECT_EQ(f.GetAlternativeRules(0), (std::vector<std::string>{"0=#1", "", "1=#2"}));
  EXPECT_TRUE(f.GetAlternativeRules(1).empty());
  EXPECT_EQ(f.GetAlternativeRules(2), (std::vector<std::string>{"0=#1", " 1=#2"}));
  EXPECT_EQ(f.GetAlternativeRules(3), (std::vector<std::string>{"0=#3"}));
  EXPECT_TRUE(f.GetAlternativeRules(4).empty());
  // All at once, the same entries.
  const auto all = f.GetAllAlternativeRules();
  ASSERT_EQ(all.size(), 4u);
  for (int32_t a = 0; a < 4; ++a) EXPECT_EQ(all[static_cast<size_t>(a)], f.GetAlternativeRules(a));
  f.ScanBytes = "a\rb\nc";
  EXPECT_EQ(f.CountAlternatives(), 3);
  EXPECT_EQ(f.GetAllAlternativeRules().size(), 3u);
}

TEST(FormatsList, SortByOrderKeepsEqualOrdersAndLeavesModified) {
  TDataStorage storage;
  for (auto [title, order] : {std::pair{"five", 5}, {"one", 1}, {"three", 3}, {"one-b", 1}}) {
    auto f = std::make_unique<TFormat>();
    f->Title = title;
    f->Order = order;
    storage.Formats.Add(std::move(f));
  }
  storage.Formats.SortByOrder();
  std::vector<std::string> titles;
  for (const auto& f : storage.Formats) titles.push_back(f->Title);
  EXPECT_EQ(titles, (std::vector<std::string>{"one", "one-b", "three", "five"}));
  EXPECT_FALSE(storage.Modified);
  EXPECT_TRUE(storage.Formats.Remove(&storage.Formats.Items(0)));
  EXPECT_FALSE(storage.Formats.Remove(nullptr));
  EXPECT_EQ(storage.Formats.Count(), 3);
}

TEST(FormatsFile, LoadsKeysWithTheirRulesAndDefaults) {
  TTempDir dir;
  std::string path = dir.File("Quillot.ini");
  WriteText(path,
            "[options]\n"
            "formats_list=MP3,options, ; ,\"My Format\",Bare,MP3,Odd\n"
            "[mp3]\ncategory=Audio\nOrder=0x10\nFileExtension=mp3\nTypeDescription=MPEG audio\n"
            "FilePrefix=tk\nSearch=5\nScanBytes=0=#73,1=#68,2=#51%$0=#255,1=#251%$\nStream=mpeg\nCheck=mpeg\n"
            "[My Format]\nOrder=ten\nSearch=yes\n"
            "[Odd]\nOrder=-2147483649\nSearch=0\nScanBytes=%$%$\n");
  TDataStorage storage;
  storage.LoadFormats(path);
  ASSERT_EQ(storage.Formats.Count(), 5);
  const TFormat& mp3 = storage.Formats.Items(0);
  EXPECT_EQ(mp3.Title, "MP3");
  EXPECT_EQ(mp3.Category, "Audio");
  EXPECT_EQ(mp3.Order, 16);
  EXPECT_TRUE(mp3.Search);
  EXPECT_EQ(mp3.FilePrefix, "tk");
  EXPECT_EQ(mp3.ScanBytes, "0=#73,1=#68,2=#51\r\n0=#255,1=#251\r\n");
  EXPECT_EQ(mp3.CountAlternatives(), 2);
  EXPECT_EQ(mp3.Stream, "mpeg");
  EXPECT_EQ(mp3.Check, "mpeg");
  const TFormat& mine = storage.Formats.Items(1);
  EXPECT_EQ(mine.Title, "My Format");
  EXPECT_EQ(mine.Stream, "");
  EXPECT_EQ(mine.Check, "");
  EXPECT_EQ(mine.Order, 0);
  EXPECT_FALSE(mine.Search);
  // A section without keys: all defaults but the title.
  const TFormat& bare = storage.Formats.Items(2);
  EXPECT_EQ(bare.Title, "Bare");
  EXPECT_EQ(bare.Category, "Miscelaneous");
  EXPECT_EQ(bare.FileExtension, "UNKNOWN");
  // Duplicates are two definitions from one section.
  EXPECT_EQ(storage.Formats.Items(3).FilePrefix, "tk");
  EXPECT_EQ(storage.Formats.Items(4).Order, 0);
  EXPECT_FALSE(storage.Modified);
}

TEST(FormatsFile, MissingFileIsEmptyAndNothingIsWrittenUnlessModified) {
  TTempDir dir;
  TDataStorage storage;
  storage.LoadFormats(dir.File("none.ini"));
  EXPECT_EQ(storage.Formats.Count(), 0);
  EXPECT_TRUE(storage.SaveFormats(dir.File("none.ini")));
  struct stat st {};
  EXPECT_NE(stat(dir.File("none.ini").c_str(), &st), 0);

  std::string path = dir.File("Quillot.ini");
  std::string original = "; hand-written\r\n[options]\r\nformats_list=B,A\r\n[A]\r\nOrder=1\r\n[B]\r\nOrder=2\r\n";
  WriteText(path, original);
  TDataStorage again;
  again.LoadFormats(path);
  again.Formats.SortByOrder();
  EXPECT_TRUE(again.SaveFormats(path));
  EXPECT_EQ(ReadText(path), original);
}

TEST(FormatsFile, SaveKeepsOtherContentAndRoundTripsEveryTitle) {
  TTempDir dir;
  std::string path = dir.File("Quillot.ini");
  WriteText(path, "; my notes\n[options]\nformats_list=Old,Gone\nother=kept\n[Gone]\nOrder=3\nCustom=yes\n");
  TDataStorage storage;
  storage.LoadFormats(path);
  storage.Formats.Remove(&storage.Formats.Items(1));
  for (const char* title : {"\"Quoted first\"", "a,comma", "with blank", "\"Quoted last\""}) {
    auto f = std::make_unique<TFormat>();
    f->Title = title;
    f->Search = true;
    f->ScanBytes = "0=#1\r\n0=#2\n0=#3\r\n";
    f->Stream = f->Title == "a,comma" ? "ogg" : "";
    f->Check = f->Title == "with blank" ? "adts" : "";
    storage.Formats.Add(std::move(f));
  }
  storage.Modified = true;
  ASSERT_TRUE(storage.SaveFormats(path));
  std::string text = ReadText(path);
  EXPECT_NE(text.find("; my notes"), std::string::npos);
  EXPECT_NE(text.find("other=kept"), std::string::npos);
  EXPECT_NE(text.find("Custom=yes"), std::string::npos);  // a deleted format's section stays
  EXPECT_NE(text.find("ScanBytes=0=#1%$0=#2%$0=#3%$"), std::string::npos);

  TDataStorage reloaded;
  reloaded.LoadFormats(path);
  ASSERT_EQ(reloaded.Formats.Count(), 5);
  EXPECT_EQ(reloaded.Formats.Items(0).Title, "Old");
  EXPECT_EQ(reloaded.Formats.Items(1).Title, "\"Quoted first\"");
  EXPECT_EQ(reloaded.Formats.Items(4).Title, "\"Quoted last\"");
  EXPECT_EQ(reloaded.Formats.Items(2).ScanBytes, "0=#1\r\n0=#2\r\n0=#3\r\n");
  EXPECT_EQ(reloaded.Formats.Items(2).Stream, "ogg");
  EXPECT_EQ(reloaded.Formats.Items(3).Stream, "");
  EXPECT_EQ(text.find("Stream="), text.rfind("Stream="));  // written only where a format has a unit
  EXPECT_EQ(reloaded.Formats.Items(3).Check, "adts");
  EXPECT_EQ(text.find("Check="), text.rfind("Check="));
}

TEST(FormatsFile, LongValuesAreNeverCut) {
  TTempDir dir;
  std::string path = dir.File("Quillot.ini");
  TDataStorage storage;
  std::string rules;
  for (int i = 0; i < 400; ++i) rules += std::to_string(i) + "=#" + std::to_string(i % 256) + ",";
  rules += "400=#1";
  for (int i = 0; i < 300; ++i) {
    auto f = std::make_unique<TFormat>();
    f->Title = "Format number " + std::to_string(i);
    f->ScanBytes = rules + "\r\n" + rules;
    storage.Formats.Add(std::move(f));
  }
  storage.Modified = true;
  ASSERT_TRUE(storage.SaveFormats(path));
  TDataStorage reloaded;
  reloaded.LoadFormats(path);
  ExpectSameCatalogue(storage.Formats, reloaded.Formats);
}

TEST(FormatsFile, FailedSaveLeavesTheOldFileAndSaysWhere) {
  TTempDir dir;
  std::string path = dir.File("Quillot.ini");
  std::string original = "[options]\nformats_list=A\n";
  WriteText(path, original);
  TDataStorage storage;
  storage.LoadFormats(path);
  storage.Formats.Items(0).ScanBytes = std::string(4096, '7');
  storage.Modified = true;
  TRecordingDialogs dialogs;
  TDialogs* previous = SetDialogs(&dialogs);
  {
    test::TFileSizeLimit disk_full(1024);
    EXPECT_FALSE(storage.SaveFormats(path));
  }
  SetDialogs(previous);
  EXPECT_EQ(ReadText(path), original);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].rfind("Unable to write to " + path, 0), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left
}

TEST(FormatsFile, SaveIntoAMissingFolderFailsCleanly) {
  TTempDir dir;
  std::string path = dir.File("no/such/folder/Quillot.ini");
  TDataStorage storage;
  storage.Formats.Add(std::make_unique<TFormat>());
  storage.Modified = true;
  TRecordingDialogs dialogs;
  TDialogs* previous = SetDialogs(&dialogs);
  EXPECT_FALSE(storage.SaveFormats(path));
  SetDialogs(previous);
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(FormatsFile, JunkLoadsWithoutCrashAndSavesBackWhatWasReadable) {
  TTempDir dir;
  std::string path = dir.File("Quillot.ini");
  std::string junk = "\x01\x02garbage line\r[options]\rformats_list=A,B,A,\xff\xfe,\r";
  junk += std::string("binary\0bytes=\x80\x81", 15) + "\r[A]\rOrder=99999999999999\rSearch=\x7f\rScanBytes=";
  junk += std::string(100000, 'x') + "\r[B]\r=novalue\rOrder= -5\rCategory=Cat\r[\r]]]\rno final break";
  WriteText(path, junk);
  TDataStorage storage;
  storage.LoadFormats(path);
  ASSERT_EQ(storage.Formats.Count(), 5);
  EXPECT_EQ(storage.Formats.Items(0).Order, 0);
  EXPECT_FALSE(storage.Formats.Items(0).Search);
  EXPECT_EQ(storage.Formats.Items(0).ScanBytes.size(), 100000u);
  EXPECT_EQ(storage.Formats.Items(1).Order, -5);
  EXPECT_EQ(storage.Formats.Items(1).Category, "Cat");
  EXPECT_EQ(storage.Formats.Items(3).Title, "\xff\xfe");
  EXPECT_EQ(storage.Formats.Items(4).Title, "");
  storage.Modified = true;
  ASSERT_TRUE(storage.SaveFormats(path));
  TDataStorage reloaded;
  reloaded.LoadFormats(path);
  ExpectSameCatalogue(storage.Formats, reloaded.Formats);
  EXPECT_NE(ReadText(path).find("garbage line"), std::string::npos);
}

namespace {
namespace fs = std::filesystem;

const fs::path kShippedCatalogue = fs::path(QUILLOT_SOURCE_DIR) / "data" / "Quillot.ini";

// Sets a folder's or file's permission bits for the test and gives the owner write access back after,
// so the temporary folder can be removed by a user who is not root.
class TPermissions {
 public:
  TPermissions(fs::path path, fs::perms perms) : path_(std::move(path)) { fs::permissions(path_, perms); }
  ~TPermissions() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add, ec);
  }

 private:
  fs::path path_;
};

// Title, category, order, search and stream of each format, in catalogue order.
std::vector<std::string> Describe(const TDataStorage& storage) {
  std::vector<std::string> out;
  for (const auto& f : storage.Formats)
    out.push_back(f->Title + "|" + f->Category + "|" + std::to_string(f->Order) + "|" + (f->Search ? "1" : "0") + "|" +
                  f->Stream);
  return out;
}

TFormat* Find(TDataStorage& storage, const std::string& title) {
  for (const auto& f : storage.Formats)
    if (f->Title == title) return f.get();
  return nullptr;
}

// Units as start-up names them, a few: riff ends files, mpeg-audio also confirms starts.
bool FewUnits(std::string_view name) { return name == "riff" || name == "mpeg-audio"; }
bool FewChecks(std::string_view name) { return name == "mpeg-audio"; }
}  // namespace

// A Stream= or Check= no unit answers to is named in one message, with the file it was read from; the format
// stays with its text, so a save gives back what the user wrote.
TEST(UserCatalogue, UnitNamesNoUnitAnswersToAreNamedOnceAndKept) {
  struct TRow {
    std::string sections;
    std::string named;  // what the message lists; empty: no message
    std::string a;      // A's Stream|Check after reading
  };
  const TUnitNames previous = SetUnitNames({FewUnits, FewChecks});
  for (const TRow& row : {TRow{"[A]\nStream=riff\n[B]\nStream=mpeg-audio\nCheck=mpeg-audio\n", "", "riff|"},
                          TRow{"[A]\nStream=rif\n[B]\nStream=riff\n", "\"A\": Stream=rif", "rif|"},
                          TRow{"[A]\nCheck=riff\n[B]\n", "\"A\": Check=riff", "|riff"},
                          TRow{"[A]\nStream=RIFF\n[B]\nStream=mpeg\nCheck=Mpeg-Audio\n",
                               "\"A\": Stream=RIFF; \"B\": Stream=mpeg; \"B\": Check=Mpeg-Audio", "RIFF|"}}) {
    SCOPED_TRACE(row.sections);
    testing::TTempEnvironment env;
    testing::TRecordingDialogs dialogs;
    const std::string path = (env.Program() / "Quillot.ini").string();
    WriteText(path, "[options]\nformats_list=A,B\n" + row.sections);
    TDataStorage storage;
    storage.LoadFormats();
    ASSERT_EQ(storage.Formats.Count(), 2);
    ASSERT_EQ(dialogs.Messages.size(), row.named.empty() ? 0u : 1u);
    if (!row.named.empty()) {
      EXPECT_EQ(dialogs.Messages[0].rfind("The format catalogue " + storage.SourcePath + " names ", 0), 0u)
          << dialogs.Messages[0];
      EXPECT_NE(dialogs.Messages[0].find(": " + row.named + ". These"), std::string::npos) << dialogs.Messages[0];
    }
    EXPECT_EQ(storage.Formats.Items(0).Stream + "|" + storage.Formats.Items(0).Check, row.a);
    storage.Formats.Items(0).Search = true;
    storage.Modified = true;
    ASSERT_TRUE(storage.SaveFormats());
    TDataStorage again;
    again.LoadFormats(path);
    ExpectSameCatalogue(storage.Formats, again.Formats);
  }
  SetUnitNames(previous);
}

// The program folder of a build is written in place; an installed copy's (folder or file read-only,
// which the bits tell for root too) keeps the user's changes in the user's folder, and the shipped
// file stays byte for byte what it was.
TEST(UserCatalogue, OnlyACopyThatCannotWriteBesideItselfKeepsTheUsersFile) {
  struct TRow {
    const char* name;
    fs::perms folder, file;
    bool installed;
  };
  const fs::perms rwx = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec;
  const fs::perms rx = rwx & ~fs::perms::owner_write;
  const fs::perms rw = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
  const fs::perms r = rw & ~fs::perms::owner_write;
  for (const TRow& row : {TRow{"build folder", rwx, rw, false}, TRow{"read-only folder", rx, rw, true},
                          TRow{"read-only file", rwx, r, true}, TRow{"read-only folder and file", rx, r, true}}) {
    SCOPED_TRACE(row.name);
    testing::TTempEnvironment env;
    testing::TRecordingDialogs dialogs;
    const fs::path shipped = env.Program() / "Quillot.ini";
    const fs::path user = env.Config() / "Brantwick" / "Quillot.ini";
    fs::copy_file(kShippedCatalogue, shipped);
    const std::string original = ReadText(shipped.string());
    TPermissions fileMode(shipped, row.file);
    TPermissions folderMode(env.Program(), row.folder);
    EXPECT_EQ(TDataStorage::ShippedFormatsFileIsWritable(), !row.installed);
    EXPECT_EQ(TDataStorage::FormatsFilePath(), (row.installed ? user : shipped).string());

    TDataStorage first;
    first.LoadFormats();
    EXPECT_EQ(first.SourcePath, shipped.string());
    const int32_t count = first.Formats.Count();
    ASSERT_GT(count, 1);
    TFormat* wav = Find(first, "WAV");
    ASSERT_TRUE(wav && wav->Search);
    wav->Search = false;
    first.Modified = true;
    EXPECT_TRUE(first.SaveFormats());
    EXPECT_TRUE(dialogs.Messages.empty()) << dialogs.Messages.front();
    EXPECT_EQ(fs::exists(user), row.installed);
    EXPECT_EQ(ReadText(shipped.string()) == original, row.installed);

    TDataStorage second;
    second.LoadFormats();
    EXPECT_EQ(second.SourcePath, (row.installed ? user : shipped).string());
    EXPECT_EQ(second.Formats.Count(), count);
    ASSERT_TRUE(Find(second, "WAV"));
    EXPECT_FALSE(Find(second, "WAV")->Search);
    if (row.installed) {
      // The user's file starts from the shipped one: its comments come along.
      EXPECT_EQ(ReadText(user.string()).rfind("; Quillot's format catalogue.", 0), 0u);
      // A second change is saved over the first.
      Find(second, "WAV")->Search = true;
      second.Modified = true;
      EXPECT_TRUE(second.SaveFormats());
      TDataStorage third;
      third.LoadFormats();
      EXPECT_TRUE(Find(third, "WAV")->Search);
      EXPECT_TRUE(ReadText(shipped.string()) == original) << "the shipped catalogue was written";
    }
  }
}

// After an upgrade the user's file meets a shipped one it was not written from.
TEST(UserCatalogue, UsersFileIsReadOverTheShippedOne) {
  struct TRow {
    const char* name;
    std::string shipped, user;
    std::vector<std::string> expected;  // Describe()
  };
  const std::string shippedAB =
      "[options]\nformats_list=A,B\n[A]\nCategory=Audio\nOrder=1\nSearch=1\n"
      "[B]\nCategory=Audio\nOrder=2\nSearch=1\n";
  const std::vector<TRow> rows = {
      {"shipped gains a format",
       "[options]\nformats_list=A,New,B\n[A]\nOrder=1\n[New]\nOrder=5\nSearch=1\n[B]\n",
       "[options]\nformats_list=B,A\nshipped_formats=A,B\n[A]\nOrder=3\n[B]\nOrder=4\n",
       {"B|Miscelaneous|4|0|", "A|Miscelaneous|3|0|", "New|Miscelaneous|5|1|"}},
      {"a shipped format the user deleted stays deleted",
       shippedAB,
       "[options]\nformats_list=A\nshipped_formats=A,B\n[A]\nSearch=0\n",
       {"A|Audio|1|0|"}},
      {"nothing tells a deletion: the shipped format comes back",
       shippedAB,
       "[options]\nformats_list=A\n[A]\nSearch=0\n",
       {"A|Audio|1|0|", "B|Audio|2|1|"}},
      {"shipped section gains a key",
       "[options]\nformats_list=A\n[A]\nOrder=1\nStream=riff\nSearch=1\n",
       "[options]\nformats_list=A\nshipped_formats=A\n[A]\nOrder=1\nSearch=0\n",
       {"A|Miscelaneous|1|0|riff"}},
      {"the user's values win, whatever their case",
       shippedAB,
       "[options]\nformats_list=a,B\nshipped_formats=A,B\n[a]\nSEARCH=0\nCategory=Mine\n[B]\nOrder=9\n",
       {"a|Mine|1|0|", "B|Audio|9|1|"}},
      {"the user's own format stays, with no shipped keys",
       shippedAB,
       "[options]\nformats_list=A,B,Mine\nshipped_formats=A,B\n[Mine]\nOrder=7\nSearch=1\n",
       {"A|Audio|1|1|", "B|Audio|2|1|", "Mine|Miscelaneous|7|1|"}},
      {"no user's file: the shipped catalogue", shippedAB, "", {"A|Audio|1|1|", "B|Audio|2|1|"}},
      {"no shipped file: the user's catalogue",
       "",
       "[options]\nformats_list=A\nshipped_formats=A,B\n[A]\n",
       {"A|Miscelaneous|0|0|"}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    testing::TRecordingDialogs dialogs;
    const std::string shipped = dir.File("Quillot.ini"), user = dir.File("user/Quillot.ini");
    if (!row.shipped.empty()) WriteText(shipped, row.shipped);
    if (!row.user.empty()) testing::TTempEnvironment::Write(user, row.user);
    TDataStorage storage;
    storage.LoadUserFormats(user, shipped);
    EXPECT_EQ(Describe(storage), row.expected);
    EXPECT_EQ(storage.SourcePath, row.user.empty() ? shipped : user);
    EXPECT_TRUE(dialogs.Messages.empty());

    // Saved and read again, the catalogue is the same, and what the user deleted stays deleted.
    const std::string shippedBefore = ReadText(shipped);
    if (!storage.Formats.Count()) continue;
    storage.Formats.Remove(&storage.Formats.Items(0));
    storage.Modified = true;
    ASSERT_TRUE(storage.SaveFormats());
    TDataStorage again;
    again.LoadUserFormats(user, shipped);
    std::vector<std::string> expected = row.expected;
    expected.erase(expected.begin());
    EXPECT_EQ(Describe(again), expected);
    EXPECT_EQ(ReadText(shipped), shippedBefore);
  }
}

// A user's file that cannot be read is named to the user and the shipped catalogue used; the file is
// left as it is unless the user changes the catalogue, and a save never reaches a source being read.
TEST(UserCatalogue, AUsersFileThatCannotBeReadOrWrittenIsNamedAndLeftAlone) {
  ForgetGuardedSourcesForTesting();
  struct TRow {
    const char* name;
    bool unreadable;  // the user is told at the start
    bool saved;       // a change reaches the user's file
  };
  for (const TRow& row : {TRow{"a link to itself", true, true}, TRow{"a folder", true, false},
                          TRow{"a link to a source being read", false, false}}) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    testing::TRecordingDialogs dialogs;
    const std::string shipped = dir.File("Quillot.ini"), user = dir.File("Brantwick/Quillot.ini");
    const std::string shippedText = "[options]\nformats_list=A,B\n[A]\nSearch=1\n[B]\nSearch=1\n";
    WriteText(shipped, shippedText);
    fs::create_directories(dir.Path() / "Brantwick");
    const std::string image = dir.File("card.img"), card(4096, 'c');
    TFileBlockSource source("card", image, TSourceKind::Fixed, false, true, 512);
    std::unique_ptr<TBlockDevice> reading;
    if (std::string(row.name) == "a link to itself") fs::create_symlink("Quillot.ini", user);
    if (std::string(row.name) == "a folder") fs::create_directory(user);
    if (std::string(row.name) == "a link to a source being read") {
      WriteText(image, card);
      std::string error;
      reading = source.Open(error);
      ASSERT_TRUE(reading) << error;
      fs::create_symlink(image, user);
    }
    const fs::file_status before = fs::symlink_status(user);

    TDataStorage unchanged;
    unchanged.LoadUserFormats(user, shipped);
    EXPECT_EQ(Describe(unchanged), (std::vector<std::string>{"A|Miscelaneous|0|1|", "B|Miscelaneous|0|1|"}));
    ASSERT_EQ(dialogs.Messages.size(), row.unreadable ? 1u : 0u);
    if (row.unreadable) {
      EXPECT_NE(dialogs.Messages[0].find("The format catalogue " + user + " cannot be read"), std::string::npos);
      EXPECT_EQ(unchanged.SourcePath, shipped);
    }
    EXPECT_TRUE(unchanged.SaveFormats());  // nothing changed: nothing written
    EXPECT_EQ(fs::symlink_status(user).type(), before.type());

    dialogs.Messages.clear();
    TDataStorage changed;
    changed.LoadUserFormats(user, shipped);
    changed.Formats.Items(1).Search = false;
    changed.Modified = true;
    EXPECT_EQ(changed.SaveFormats(), row.saved);
    const size_t failures = row.saved ? 0u : 1u;
    ASSERT_EQ(dialogs.Messages.size(), (row.unreadable ? 1u : 0u) + failures);
    if (!row.saved) {
      EXPECT_EQ(dialogs.Messages.back().rfind("Unable to write to " + user, 0), 0u) << dialogs.Messages.back();
      EXPECT_EQ(fs::symlink_status(user).type(), before.type());
    } else {
      TDataStorage next;
      next.LoadUserFormats(user, shipped);
      EXPECT_EQ(Describe(next), (std::vector<std::string>{"A|Miscelaneous|0|1|", "B|Miscelaneous|0|0|"}));
    }
    if (reading) {
      EXPECT_EQ(ReadText(image), card);
    }
    EXPECT_EQ(ReadText(shipped), shippedText);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "Brantwick"), {}), 1);  // no temporary left
  }
  ForgetGuardedSourcesForTesting();
}

}  // namespace quillot
