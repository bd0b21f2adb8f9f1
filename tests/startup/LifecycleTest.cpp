#include <cstdio>
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "formats/FileTypes.h"
#include "i18n/Messages.h"
#include "startup/Lifecycle.h"
#include "support/TempEnvironment.h"

namespace quillot {

using testing::TRecordingDialogs;
using testing::TTempEnvironment;

namespace {
constexpr const char* kStoredLanguage =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n"
    "\"GlobalFirstStart\"=dword:00000000\n"
    "\"GlobalLanguage\"=\"deutsch.LNG\"\n";

// What command prints, and its wait status.
std::string Output(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  status = pclose(pipe);
  return out;
}
}  // namespace

TEST(Lifecycle, StartLoadsEverythingAndStopSavesOnce) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  TTempEnvironment::Write(env.StorePath(), kStoredLanguage);
  TTempEnvironment::Write(env.Program() / "deutsch.LNG", "[Misc]\nstrRecoveryFinished=Fertig.\n");
  const auto catalogue = env.Program() / "Quillot.ini";
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    EXPECT_EQ(ProductName, "Quillot");
    EXPECT_FALSE(GlobalFirstStart);
    EXPECT_EQ(Tr(strRecoveryFinished), "Fertig.");
    ASSERT_TRUE(DataStorage);
    EXPECT_EQ(DataStorage->Formats.Count(), 0);
    RecoveryRetryCount = 4;
    lifecycle.Stop();
    EXPECT_FALSE(DataStorage);
    // Unchanged catalogue: the formats file is not written.
    EXPECT_FALSE(std::filesystem::exists(catalogue));
    EXPECT_NE(TTempEnvironment::Read(env.StorePath()).find("\"RecoveryRetryCount\"=dword:00000004"), std::string::npos);
    // A second Stop (here from the destructor) saves nothing more.
    std::filesystem::remove(env.StorePath());
  }
  EXPECT_FALSE(std::filesystem::exists(env.StorePath()));
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST(Lifecycle, ChangedCatalogueIsSavedAndAFailedSettingsSaveDoesNotStopTheExit) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  TTempEnvironment::Write(env.Config() / "Brantwick", "a file where the store's folder belongs");
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    EXPECT_TRUE(GlobalFirstStart);
    EXPECT_FALSE(LanguageFile);
    auto format = std::make_unique<TFormat>();
    format->Title = "Test Format";
    DataStorage->Formats.Add(std::move(format));
    DataStorage->Modified = true;
  }  // the destructor shuts down
  EXPECT_FALSE(DataStorage);
  EXPECT_NE(TTempEnvironment::Read(env.Program() / "Quillot.ini").find("Test Format"), std::string::npos);
  EXPECT_EQ(dialogs.Messages.size(), 1u);
}

TEST(Lifecycle, MissingLanguageFileKeepsBuiltInTextsAndTheSetting) {
  TTempEnvironment env;
  TTempEnvironment::Write(env.StorePath(), kStoredLanguage);
  TLifecycle lifecycle;
  lifecycle.Start();
  EXPECT_FALSE(LanguageFile);
  EXPECT_EQ(Tr(strRecoveryFinished), "Recovery finished.");
  lifecycle.Stop();
  EXPECT_NE(TTempEnvironment::Read(env.StorePath()).find("\"GlobalLanguage\"=\"deutsch.LNG\""), std::string::npos);
}

// An installed copy: the program folder is read-only (the bits say so, for root too). The ticks of one
// run are read back by the next and by the command line, from the user's folder; the shipped catalogue
// is never written, and a language the user added to that folder is found.
TEST(Lifecycle, InstalledCopyKeepsTheCatalogueAndLanguagesInTheUsersFolder) {
  namespace fs = std::filesystem;
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  const fs::path shipped = env.Program() / "Quillot.ini";
  const fs::path user = env.Config() / "Brantwick" / "Quillot.ini";
  fs::copy_file(fs::path(QUILLOT_SOURCE_DIR) / "data" / "Quillot.ini", shipped);
  fs::copy_file(fs::path(QUILLOT_BINARY_DIR) / "quillot-cli", env.Program() / "quillot-cli");
  const std::string original = TTempEnvironment::Read(shipped);
  TTempEnvironment::Write(env.StorePath(), kStoredLanguage);
  TTempEnvironment::Write(env.Config() / "Brantwick" / "Deutsch.lng", "[Misc]\nstrRecoveryFinished=Fertig.\n");
  fs::permissions(env.Program(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    EXPECT_EQ(Tr(strRecoveryFinished), "Fertig.");
    ASSERT_GT(DataStorage->Formats.Count(), 1);
    TFormat& first = DataStorage->Formats.Items(0);
    ASSERT_TRUE(first.Search);
    first.Search = false;
    DataStorage->Modified = true;
  }
  EXPECT_TRUE(dialogs.Messages.empty()) << dialogs.Messages.front();
  EXPECT_TRUE(TTempEnvironment::Read(shipped) == original) << "the shipped catalogue was written";
  ASSERT_TRUE(fs::exists(user));
  std::string title;
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    EXPECT_EQ(DataStorage->SourcePath, user.string());
    EXPECT_FALSE(DataStorage->Formats.Items(0).Search);
    title = DataStorage->Formats.Items(0).Title;
  }
  int status = -1;
  const std::string out = Output((env.Program() / "quillot-cli").string() + " formats 2>&1", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Catalogue: " + user.string() + " ("), std::string::npos) << out;
  const size_t row = out.find(" " + title + " ");
  ASSERT_NE(row, std::string::npos) << out;
  EXPECT_NE(out.substr(row, out.find('\n', row) - row).find(" no "), std::string::npos) << out;
  EXPECT_TRUE(TTempEnvironment::Read(shipped) == original) << "the shipped catalogue was written";
  EXPECT_TRUE(dialogs.Messages.empty());
  fs::permissions(env.Program(), fs::perms::owner_write, fs::perm_options::add);
}

TEST(SettingsCommand, ShowsTheVersionTheStoreAndTheTenSettings) {
  TTempEnvironment env;
  TTempEnvironment::Write(env.StorePath(),
                          "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Recovery]\n"
                          "\"RecoverySectorsToRead\"=dword:00000100\n"
                          "\"RecoveryAdvancedMode\"=dword:00000007\n");
  int status = -1;
  const std::string out = Output(std::string(QUILLOT_BINARY_DIR) + "/quillot-cli settings 2>&1", status);
  EXPECT_EQ(status, 0) << out;
  ReadVersionInfo();
  EXPECT_EQ(out.rfind("Quillot " + ProductVersion + " (Build: " + BuildNumber + ")\n", 0), 0u) << out;
  for (const std::string& line :
       {"Settings store: " + env.StorePath(), std::string("GlobalFirstStart         true"),
        std::string("RecoverySectorsToRead    256"), std::string("RecoveryAdvancedMode     true"),
        std::string("RecoveryRetryCount       1"), std::string("RecoveryTrimFiles        false"),
        std::string("RecoveryReassemble       false"),
        "RecoveryTargetFolder     \"" + (env.Home() / "Documents" / "Recovered Audio Files").string() + "\""})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  // The command line leaves the first start to the wizard, and writes the store back at exit.
  const std::string stored = TTempEnvironment::Read(env.StorePath());
  EXPECT_NE(stored.find("\"GlobalFirstStart\"=dword:00000001"), std::string::npos) << stored;
  EXPECT_NE(stored.find("\"RecoveryAdvancedMode\"=dword:00000001"), std::string::npos) << stored;
}

}  // namespace quillot
