// A throw-away home for one test: HOME, XDG_CONFIG_HOME and the program folder point into a fresh
// temporary folder, and everything process-wide the test may change is put back afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "i18n/Language.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "support/EnvVar.h"
#include "support/TempDir.h"

namespace quillot::testing {

class TTempEnvironment {
 public:
  TTempEnvironment()
      : root_(dir_.Path()),
        home_("HOME", (root_ / "home").string()),
        config_("XDG_CONFIG_HOME", (root_ / "config").string()) {
    std::filesystem::create_directories(root_ / "home");
    std::filesystem::create_directories(root_ / "config");
    std::filesystem::create_directories(root_ / "program");
    SetProgramFolderForTesting((root_ / "program").string());
  }
  ~TTempEnvironment() {
    SetProgramFolderForTesting("");
    LanguageFile.reset();
    GlobalLastTip = 0;
    GlobalFirstStart = true;
    GlobalLanguage.clear();
    RecoveryTargetFolder.clear();
    RecoveryFilenamePrefix = "file";
    RecoveryRetryCount = 1;
    RecoverySectorsToRead = 5000;
    RecoveryAdvancedMode = false;
  }

  std::filesystem::path Home() const { return root_ / "home"; }
  std::filesystem::path Config() const { return root_ / "config"; }
  std::filesystem::path Program() const { return root_ / "program"; }
  std::string StorePath() const { return (Config() / "Brantwick" / "Quillot.reg").string(); }

  static void Write(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(WriteFileAtomically(path.string(), text));
  }
  static std::string Read(const std::filesystem::path& path) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path.string(), text)) << path;
    return text;
  }

 private:
  test::TTempDir dir_;  // removed last
  std::filesystem::path root_;
  TEnvVar home_;
  TEnvVar config_;
};

// Counts what core shows the user, answering Ok/No.
class TRecordingDialogs final : public TDialogs {
 public:
  TRecordingDialogs() { previous_ = SetDialogs(this); }
  ~TRecordingDialogs() override { SetDialogs(previous_); }
  TDialogAnswer Show(const std::string& text, const std::string&, TDialogButtons buttons, TDialogIcon) override {
    Messages.push_back(text);
    return buttons == TDialogButtons::Ok ? TDialogAnswer::Ok : TDialogAnswer::No;
  }
  std::vector<std::string> Messages;

 private:
  TDialogs* previous_ = nullptr;
};

}  // namespace quillot::testing
