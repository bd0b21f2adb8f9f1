// One wizard test's world: a throw-away home and program folder, scripted message boxes, a catalogue,
// a drive table holding only what the test attaches, and no program ever launched.
#pragma once

#include <QCoreApplication>
#include <QPoint>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "drive/DriveTable.h"
#include "formats/FileTypes.h"
#include "gui/ExecuteFile.h"
#include "gui/MainForm.h"
#include "gui/QtTranslations.h"
#include "support/ImageFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TempEnvironment.h"

// Failures show texts as texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace quillot::testing {

struct TLaunch {
  QString Program;
  QStringList Arguments;
};

class TGuiTest : public ::testing::Test {
 protected:
  TGuiTest() : savedDrives_(DriveTable().Snapshot()) {
    DriveTable().Restore({});
    ReadVersionInfo();
    // No modal language question unless a test asks for the first start.
    GlobalFirstStart = false;
    DataStorage = std::make_unique<TDataStorage>();
    previousLauncher_ = gui::SetLauncher([this](const QString& program, const QStringList& arguments) {
      Launches.push_back({program, arguments});
      return LaunchSucceeds;
    });
  }
  ~TGuiTest() override {
    // Qt's own texts go back to English with the language file.
    LanguageFile.reset();
    gui::FollowLanguageInQtTexts();
    gui::SetLauncher(previousLauncher_);
    DataStorage.reset();
    DriveTable().Restore(savedDrives_);
  }

  TFormat* AddFormat(const std::string& category, const std::string& title, const std::string& description, bool search,
                     const std::string& extension = "wav", const std::string& prefix = "snd",
                     const std::string& scanBytes = "0=#82") {
    auto f = std::make_unique<TFormat>();
    f->Category = category;
    f->Title = title;
    f->TypeDescription = description;
    f->Search = search;
    f->FileExtension = extension;
    f->FilePrefix = prefix;
    f->ScanBytes = scanBytes;
    f->Order = DataStorage->Formats.Count();
    return DataStorage->Formats.Add(std::move(f));
  }

  // The shipped catalogue, as the program loads it.
  void LoadShippedCatalogue() {
    DataStorage->LoadFormats((std::filesystem::path(QUILLOT_SOURCE_DIR) / "data" / "Quillot.ini").string());
    DataStorage->Modified = false;
  }

  // An image file of sectors 512-byte sectors, zero-filled; answers its drive letter.
  char AttachZeroImage(const std::string& name, uint64_t sectors) {
    return Attach((env.Home() / name).string(), sectors);
  }
  char Attach(const std::string& path, uint64_t sectors) {
    if (!std::filesystem::exists(path)) {
      FILE* f = std::fopen(path.c_str(), "wb");
      std::fclose(f);
    }
    if (sectors) std::filesystem::resize_file(path, static_cast<uintmax_t>(sectors) * 512);
    std::string error;
    auto letter = AttachImage(path, error);
    EXPECT_TRUE(letter.has_value()) << error;
    return letter.value_or(0);
  }

  // The sample card, unpacked into the test's folder; empty when xz is missing.
  std::string SampleCard() {
    const std::string image = (env.Home() / "sample-card.img").string();
    const std::string command = "xz -dc '" + std::string(QUILLOT_SOURCE_DIR) + "/samples/sample-card.img.xz' > '" +
                                image + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return image;
  }

  static QTreeWidgetItem* RowOf(gui::TMainForm& form, char letter) {
    for (int i = 0; i < form.StartListViewDrives->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = form.StartListViewDrives->topLevelItem(i);
      if (item->text(0).startsWith(QLatin1Char(letter))) return item;
    }
    return nullptr;
  }
  // A left click on a drive's row, as the user makes it.
  static void ClickRow(gui::TMainForm& form, char letter) {
    QTreeWidgetItem* item = RowOf(form, letter);
    ASSERT_NE(item, nullptr) << letter;
    QTest::mouseClick(form.StartListViewDrives->viewport(), Qt::LeftButton, {},
                      form.StartListViewDrives->visualItemRect(item).center());
  }

  TTempEnvironment env;
  TScriptedDialogs dialogs;
  std::vector<TLaunch> Launches;
  bool LaunchSucceeds = true;

 private:
  TDriveTable::TState savedDrives_;
  gui::TLauncher previousLauncher_;
};

}  // namespace quillot::testing
