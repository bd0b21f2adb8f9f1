#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "formats/FileTypes.h"
#include "help/HelpInterface.h"
#include "help/HtmlHelp.h"
#include "i18n/Language.h"
#include "platform/ProgramFolder.h"
#include "support/TempDir.h"
#include "support/TempEnvironment.h"

namespace quillot {

namespace fs = std::filesystem;

namespace {
void Touch(const fs::path& path, const char* text = "") {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

class TProgramFolderAt {
 public:
  explicit TProgramFolderAt(const fs::path& folder) { SetProgramFolderForTesting(folder.string()); }
  ~TProgramFolderAt() { SetProgramFolderForTesting(""); }
};
}  // namespace

// A build folder keeps its data beside the programs; an installed copy in ../share/quillot.
TEST(DataFolder, BesideTheProgramWhenTheCatalogueIsThereElseTheSharedFolder) {
  struct TCase {
    const char* name;
    bool catalogueBeside, sharedFolder, sharedIsFile;
    const char* expected;  // relative to the prefix
  } cases[] = {
      {"build folder", true, false, false, "bin/"},
      {"build folder beside an install", true, true, false, "bin/"},
      {"installed", false, true, false, "share/quillot/"},
      {"nothing anywhere", false, false, false, "bin/"},
      {"a file where the folder goes", false, false, true, "bin/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TTempDir prefix;
    fs::create_directories(prefix.Path() / "bin");
    if (c.catalogueBeside) Touch(prefix.Path() / "bin" / "Quillot.ini");
    if (c.sharedFolder) fs::create_directories(prefix.Path() / "share" / "quillot");
    if (c.sharedIsFile) Touch(prefix.Path() / "share" / "quillot");
    TProgramFolderAt program(prefix.Path() / "bin");
    EXPECT_EQ(fs::path(DataFolder()), prefix.Path() / c.expected);  // either separator on Windows
  }
}

// The catalogue, the language files and the help book are all read from the installed folder.
TEST(DataFolder, EveryReaderFindsTheInstalledFiles) {
  test::TTempDir prefix;
  const fs::path shared = prefix.Path() / "share" / "quillot";
  Touch(shared / "Quillot.ini", "[options]\nformats_list=WAV\n[WAV]\nCategory=PCM\nSearch=1\nScanBytes=0=#82\n");
  Touch(shared / "German.lng", "[Misc]\nstrYes=Ja\n");
  fs::create_directories(prefix.Path() / "bin");
  TProgramFolderAt program(prefix.Path() / "bin");

  testing::TEnvVar config("XDG_CONFIG_HOME", (prefix.Path() / "config").string());
  EXPECT_EQ(TDataStorage::ShippedFormatsFilePath(), (shared / "Quillot.ini").string());
  // The user's changes go to the user's folder, for root too: an installed copy never writes its own files.
  EXPECT_EQ(TDataStorage::FormatsFilePath(), (prefix.Path() / "config" / "Brantwick" / "Quillot.ini").string());
  TDataStorage storage;
  storage.LoadFormats();
  EXPECT_EQ(storage.Formats.Count(), 1);

  auto languages = AvailableLanguages();
  ASSERT_EQ(languages.size(), 1u);
  EXPECT_EQ(languages[0].FileName, "German.lng");
  EXPECT_NE(LoadLanguageFile("german.lng"), nullptr);  // found whatever the case of its name
  LanguageFile.reset();

  RegisterHelpViewer();
  EXPECT_EQ(ApplicationHelpFile, (shared / kHelpFileName).string());
  ReleaseHelpViewer();
}

}  // namespace quillot
