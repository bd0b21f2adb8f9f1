#include <csignal>
#include <gtest/gtest.h>

#include "support/FileSizeLimit.h"

#include "app/RegistryStore.h"
#include "app/Settings.h"
#include "support/TempEnvironment.h"

namespace quillot {

using testing::TRecordingDialogs;
using testing::TTempEnvironment;

namespace {
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";
constexpr const char* kGlobalKey = "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n";
constexpr const char* kRecoveryKey = "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Recovery]\n";

const TRegValue* Stored(const TRegistryStore& store, const char* subkey, const char* name) {
  return store.Find(std::string("Software\\Brantwick\\Quillot\\") + subkey, name);
}
}  // namespace

TEST(Settings, FirstStartGetsDefaultsAndExitStoresAllTen) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  LoadSettings();
  EXPECT_EQ(GlobalLastTip, 0);
  EXPECT_TRUE(GlobalFirstStart);
  EXPECT_EQ(GlobalLanguage, "");
  EXPECT_EQ(RecoveryTargetFolder, (env.Home() / "Documents" / "Recovered Audio Files").string());
  EXPECT_EQ(RecoveryFilenamePrefix, "file");
  EXPECT_EQ(RecoveryRetryCount, 1);
  EXPECT_EQ(RecoverySectorsToRead, 5000);
  EXPECT_FALSE(RecoveryAdvancedMode);
  EXPECT_FALSE(RecoveryTrimFiles);
  EXPECT_FALSE(RecoveryReassemble);
  EXPECT_FALSE(std::filesystem::exists(env.StorePath()));  // reading writes nothing

  GlobalFirstStart = false;  // what the wizard does at the end of the first start
  ASSERT_TRUE(SaveSettings());
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_EQ(TTempEnvironment::Read(env.StorePath()), std::string(kHeader) + kGlobalKey +
                                                         "\"GlobalLastTip\"=dword:00000000\n"
                                                         "\"GlobalFirstStart\"=dword:00000000\n"
                                                         "\"GlobalLanguage\"=\"\"\n"
                                                         "\n" +
                                                         kRecoveryKey + "\"RecoveryTargetFolder\"=\"" +
                                                         RecoveryTargetFolder + "\"\n" +
                                                         "\"RecoveryFilenamePrefix\"=\"file\"\n"
                                                         "\"RecoveryRetryCount\"=dword:00000001\n"
                                                         "\"RecoverySectorsToRead\"=dword:00001388\n"
                                                         "\"RecoveryAdvancedMode\"=dword:00000000\n"
                                                         "\"RecoveryTrimFiles\"=dword:00000000\n"
                                                         "\"RecoveryReassemble\"=dword:00000000\n"
                                                         "\n");
  LoadSettings();
  EXPECT_FALSE(GlobalFirstStart);
}

TEST(Settings, TypeRulesAndValuesTakenAsStored) {
  TTempEnvironment env;
  TTempEnvironment::Write(env.StorePath(),
                          std::string(kHeader) + kGlobalKey +
                              "\"GlobalLastTip\"=dword:ffffffff\n"
                              "\"GlobalFirstStart\"=\"no\"\n"  // a string where a number belongs
                              "\"GlobalLanguage\"=dword:00000001\n"
                              "\"SomethingElse\"=\"kept\"\n" +
                              kRecoveryKey +
                              "\"RecoveryTargetFolder\"=\"\"\n"
                              "\"RecoveryFilenamePrefix\"=hex(b):01,00,00,00,00,00,00,00\n"
                              "\"Expandable\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,e9,00,00,00,78,00\n"
                              "\"Wide\"=hex(1):3d,d8,b5,de,ac,20,00,d8,00,00\n"
                              "\"RecoveryRetryCount\"=\"3\"\n"
                              "\"RecoverySectorsToRead\"=dword:00000000\n"
                              "\"RecoveryAdvancedMode\"=dword:00000007\n"
                              "\"RecoveryTrimFiles\"=dword:00000002\n"
                              "\"RecoveryReassemble\"=dword:00000003\n"
                              "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Window]\n"
                              "\"Left\"=dword:00000010\n");
  // The single reads follow the same rules.
  EXPECT_EQ(ReadRegInteger(kRecoverySubkey, "RecoveryRetryCount", 1), 1);
  EXPECT_EQ(ReadRegInteger(kRecoverySubkey, "RecoverySectorsToRead", 5000), 0);
  EXPECT_TRUE(ReadRegBool(kRecoverySubkey, "RecoveryAdvancedMode", false));
  EXPECT_FALSE(ReadRegBool(kGlobalSubkey, "GlobalFirstStart", false));
  EXPECT_EQ(ReadRegString(kRecoverySubkey, "RecoveryTargetFolder", "default"), "");
  EXPECT_EQ(ReadRegString(kGlobalSubkey, "GlobalLanguage", "default"), "default");
  EXPECT_EQ(ReadRegString(kGlobalSubkey, "somethingelse", "default"), "kept");
  EXPECT_EQ(ReadRegString(kGlobalSubkey, "Missing", "default"), "default");
  // Strings in hex form: UTF-16 up to the NUL, not expanded.
  EXPECT_EQ(ReadRegString(kRecoverySubkey, "Expandable", "default"), "%HOME%\xC3\xA9");
  EXPECT_EQ(ReadRegString(kRecoverySubkey, "Wide", "default"), "\xF0\x9F\x9A\xB5\xE2\x82\xAC\xEF\xBF\xBD");
  EXPECT_EQ(ReadRegInteger(kRecoverySubkey, "Expandable", 7), 7);

  LoadSettings();
  EXPECT_EQ(GlobalLastTip, -1);
  EXPECT_TRUE(GlobalFirstStart);
  EXPECT_EQ(GlobalLanguage, "");
  EXPECT_EQ(RecoveryTargetFolder, "");  // exists, so not the default
  EXPECT_EQ(RecoveryFilenamePrefix, "file");
  EXPECT_EQ(RecoveryRetryCount, 1);
  EXPECT_EQ(RecoverySectorsToRead, 0);  // no range checks
  EXPECT_TRUE(RecoveryAdvancedMode);
  EXPECT_TRUE(RecoveryTrimFiles);
  EXPECT_TRUE(RecoveryReassemble);

  ASSERT_TRUE(SaveSettings());
  TRegistryStore store;
  ASSERT_TRUE(store.Load(env.StorePath()));
  EXPECT_EQ(Stored(store, "Recovery", "RecoveryAdvancedMode")->Number, 1u);
  EXPECT_EQ(Stored(store, "Recovery", "RecoveryTrimFiles")->Number, 1u);
  EXPECT_EQ(Stored(store, "Recovery", "RecoveryReassemble")->Number, 1u);
  EXPECT_EQ(Stored(store, "Recovery", "RecoveryRetryCount")->Type, TRegValue::TType::DWord);
  EXPECT_EQ(Stored(store, "Global", "GlobalLastTip")->Number, 0xFFFFFFFFu);
  EXPECT_EQ(Stored(store, "Global", "GlobalLanguage")->Type, TRegValue::TType::String);
  // Values that are not settings stay in the store.
  EXPECT_EQ(Stored(store, "Global", "SomethingElse")->Text, "kept");
  EXPECT_EQ(Stored(store, "Window", "Left")->Number, 16u);
}

TEST(Settings, DamagedStoreGivesDefaultsForTheUnreadableAndIsWrittenClean) {
  TTempEnvironment env;
  std::string junk = "Windows Registry Editor Version 5.00\r\n\r\n";
  junk += std::string(kGlobalKey) + "\"GlobalLastTip\"=dword:00000002\r\n\"GlobalLastTip\"=dword:00000009\r\n";
  junk += std::string("\x89PNG\x00\x1A\xFF garbage", 16) + "\r\n";
  junk += "\"GlobalLanguage\"=\"Deutsch.lng\r\n";  // no closing quote
  junk += std::string(kRecoveryKey) + "\"RecoveryFilenamePrefix\"=\"snd\"\r\n";
  junk += "\"RecoverySectorsToRead\"=dword:0000";  // the file ends here
  TTempEnvironment::Write(env.StorePath(), junk);

  LoadSettings();
  EXPECT_EQ(GlobalLastTip, 9);
  EXPECT_EQ(GlobalLanguage, "");
  EXPECT_EQ(RecoveryFilenamePrefix, "snd");
  EXPECT_EQ(RecoverySectorsToRead, 0);  // "dword:0000" is a readable number
  ASSERT_TRUE(SaveSettings());
  const std::string saved = TTempEnvironment::Read(env.StorePath());
  EXPECT_EQ(saved.find("garbage"), std::string::npos);
  EXPECT_EQ(saved.find('\r'), std::string::npos);
  EXPECT_NE(saved.find("\"GlobalLastTip\"=dword:00000009\n"), std::string::npos);
  EXPECT_NE(saved.find("\"RecoveryFilenamePrefix\"=\"snd\"\n"), std::string::npos);
  TRegistryStore reread;
  reread.Parse(saved);
  EXPECT_EQ(reread.Text(), saved);
}

TEST(Settings, TextsWithDelimitersQuotesAndLineBreaksSurviveARoundTrip) {
  TTempEnvironment env;
  LoadSettings();
  RecoveryTargetFolder = "/media/\"odd\" \\name\nwith break/";
  GlobalLanguage =
      "Fran\xE7"
      "ais.lng";
  ASSERT_TRUE(SaveSettings());
  RecoveryTargetFolder.clear();
  GlobalLanguage.clear();
  LoadSettings();
  EXPECT_EQ(RecoveryTargetFolder, "/media/\"odd\" \\name\nwith break/");
  EXPECT_EQ(GlobalLanguage,
            "Fran\xE7"
            "ais.lng");
}

TEST(Settings, FailedSaveKeepsTheStoredFileAndIsReportedOnce) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  LoadSettings();
  RecoveryTargetFolder = std::string(4096, 'x');
  ASSERT_TRUE(SaveSettings());
  const std::string before = TTempEnvironment::Read(env.StorePath());

  // The file system refuses the new contents part-way (a file-size limit stands in for a full disk).
  GlobalLastTip = 42;
  bool saved;
  {
    test::TFileSizeLimit limit(1024);
    saved = SaveSettings();
  }

  EXPECT_FALSE(saved);
  EXPECT_EQ(TTempEnvironment::Read(env.StorePath()), before);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_NE(dialogs.Messages[0].find(env.StorePath()), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(env.Config() / "Brantwick"))
    EXPECT_EQ(entry.path().filename(), "Quillot.reg");  // no temporary file left behind
}

TEST(Settings, StoreThatCannotBeReadOrPlacedIsNotOverwritten) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  // A folder where the store belongs: unreadable, and not replaced.
  std::filesystem::create_directories(env.StorePath());
  TTempEnvironment::Write(std::filesystem::path(env.StorePath()) / "inside", "x");
  LoadSettings();
  EXPECT_EQ(RecoveryRetryCount, 1);
  EXPECT_FALSE(SaveSettings());
  EXPECT_TRUE(std::filesystem::is_directory(env.StorePath()));
  EXPECT_EQ(dialogs.Messages.size(), 1u);

  // A plain file where the store's folder belongs.
  std::filesystem::remove_all(env.Config() / "Brantwick");
  TTempEnvironment::Write(env.Config() / "Brantwick", "not a folder");
  EXPECT_FALSE(SaveSettings());
  EXPECT_EQ(dialogs.Messages.size(), 2u);
  EXPECT_EQ(TTempEnvironment::Read(env.Config() / "Brantwick"), "not a folder");
}

TEST(Settings, StoreFollowsXdgConfigHome) {
  TTempEnvironment env;
  EXPECT_EQ(SettingsStorePath(), env.StorePath());
  {
    testing::TEnvVar unset("XDG_CONFIG_HOME", "");
    EXPECT_EQ(SettingsStorePath(), (env.Home() / ".config" / "Brantwick" / "Quillot.reg").string());
  }
  {
    testing::TEnvVar relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(SettingsStorePath(), (env.Home() / ".config" / "Brantwick" / "Quillot.reg").string());
  }
}

}  // namespace quillot
