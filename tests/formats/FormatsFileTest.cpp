#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "formats/FileTypes.h"
#include "platform/Dialogs.h"
#include "support/CatalogueCompare.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/TempDir.h"

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

}  // namespace quillot
