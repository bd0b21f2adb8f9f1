// Whole passes driven through the window: the sample card recovered, stopped half way, and the window
// closed half way.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <csignal>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>

#include "app/Settings.h"
#include "drive/IORoutines.h"
#include "gui/AboutForm.h"
#include "gui/BusyAnimation.h"
#include "gui/SectorEdit.h"
#include "gui/SignalCloser.h"
#include "gui/TypesTreeView.h"
#include "startup/Lifecycle.h"
#include "support/FakeDestination.h"
#include "support/FakeDisk.h"
#include "support/Files.h"
#include "support/GuiFixture.h"
#include "support/ModalDriver.h"

namespace quillot::testing {

namespace fs = std::filesystem;

class RecoveryThroughWindowTest : public TGuiTest {
 protected:
  void SetUp() override {
    DriveAccessInit();
    card_ = SampleCard();
    if (card_.empty()) GTEST_FAIL() << "xz is needed (xz-utils)";
    chmod(card_.c_str(), 0444);
  }
  void TearDown() override { DriveAccessDone(); }

  // From the Start page to the Progress page with dest as the destination.
  static void WalkToProgress(gui::TMainForm& form, const fs::path& dest) {
    form.ButtonNextClick();
    form.ButtonNextClick();
    form.DestinationFolderEdit->setText(QString::fromStdString(dest.string()));
    form.ButtonNextClick();
    ASSERT_EQ(form.ActivePage(), gui::TMainForm::kProgressPage);
    ASSERT_TRUE(form.ProgressButtonStart->isEnabled());
  }

  static std::map<std::string, std::string> Files(const fs::path& dir) {
    std::map<std::string, std::string> files;
    if (!fs::exists(dir)) return files;
    for (const auto& e : fs::directory_iterator(dir))
      files[e.path().filename().string()] = test::ReadText(e.path().string());
    return files;
  }

  static QStringList Log(gui::TMainForm& form) { return form.ProgressMemoLog->toPlainText().split('\n'); }

  std::string card_;
};

TEST_F(RecoveryThroughWindowTest, TheSampleCardIsRecoveredAndTheWindowShowsIt) {
  LoadShippedCatalogue();
  const std::string before = test::ReadText(card_);
  const char letter = Attach(card_, 0);
  gui::TMainForm form(letter);
  form.show();
  const fs::path dest = env.Home() / "Recovered";
  WalkToProgress(form, dest);
  EXPECT_EQ(form.ProgressLabelTotalSectors->text(), "81920");
  EXPECT_EQ(form.ProgressLabelStatus->text(), "Idle");

  bool sawRunning = false;
  form.OnRefresh = [&](uint64_t) {
    sawRunning = sawRunning || (form.Running() && !form.ButtonBack->isEnabled() && !form.ButtonNext->isEnabled() &&
                                !form.ButtonClose->isEnabled() && form.ProgressButtonStop->isEnabled() &&
                                !form.ProgressButtonStart->isEnabled() && form.ProgressLabelStatus->text() == "Busy" &&
                                form.ProgressAnimate->isVisible());
  };
  form.SetRefreshInterval(0);
  form.ProgressButtonStart->click();
  EXPECT_TRUE(sawRunning);

  int clips = 0;
  for (const auto& e : fs::directory_iterator(fs::path(QUILLOT_SOURCE_DIR) / "samples" / "audio")) {
    (void)e;
    ++clips;
  }
  const auto files = Files(dest);
  EXPECT_EQ(static_cast<int>(files.size()), clips);
  EXPECT_EQ(form.FilesFound(), clips);
  const QStringList log = Log(form);
  EXPECT_EQ(log.first(), QString("Recovery started. Current disk %1:\\").arg(QLatin1Char(letter)));
  EXPECT_EQ(log.last(), "Recovery finished.");
  EXPECT_EQ(log.filter("Recovering file: ").size(), clips);

  // After the pass: idle controls, the status saying how it ended, Next open, the count on the Finish page.
  EXPECT_FALSE(form.Running());
  EXPECT_TRUE(form.PassDone());
  EXPECT_EQ(form.ProgressLabelStatus->text(), "Finished");
  // A next pass into the folder would number its files after these, and the page says so.
  EXPECT_TRUE(form.ProgressLabelExistingFiles->isVisible());
  EXPECT_EQ(form.ProgressLabelExistingFiles->text(),
            QString("The destination folder already holds %1 recovered files; new files are numbered after them.")
                .arg(clips));
  EXPECT_FALSE(form.ProgressAnimate->isVisible());
  EXPECT_EQ(form.ProgressBar->value(), 0);
  EXPECT_EQ(form.ProgressLabelCurSector->text(), "0");
  EXPECT_EQ(form.ProgressLabelFilesFound->text(), QString::number(clips));
  EXPECT_TRUE(form.ProgressButtonStart->isEnabled());
  EXPECT_FALSE(form.ProgressButtonStop->isEnabled());
  EXPECT_TRUE(form.ButtonBack->isEnabled() && form.ButtonNext->isEnabled() && form.ButtonClose->isEnabled());
  form.ButtonNextClick();
  EXPECT_EQ(form.FinishLabel2->text(), QString::number(clips));
  const QString verdicts = form.FinishLabelVerdicts->text();
  EXPECT_TRUE(
      QRegularExpression(QString("^%1 files: \\d+ whole, \\d+ cut short, \\d+ damaged, \\d+ unknown\\.$").arg(clips))
          .match(verdicts)
          .hasMatch())
      << verdicts.toStdString();
  form.FinishButtonExplore->click();
  ASSERT_EQ(Launches.size(), 1u);
  EXPECT_EQ(Launches[0].Arguments, QStringList{QString::fromStdString(dest.string() + "/")});
  EXPECT_TRUE(test::ReadText(card_) == before) << "the card image changed";

  // A start sector at the end processes nothing; the second pass's lines follow the first's.
  form.ButtonBackClick();
  form.ProgressStartSectorSpinEdit->SetValue(81920);
  form.ProgressButtonStart->click();
  const QStringList again = Log(form);
  ASSERT_EQ(again.size(), log.size() + 2);
  EXPECT_EQ(again.last(), "Recovery finished.");
  EXPECT_EQ(form.FilesFound(), 0);
  form.ButtonNextClick();
  EXPECT_EQ(form.FinishLabelVerdicts->text(), "");

  // With the setting on, the same files end where their recordings end, and are judged the same.
  RecoveryTrimFiles = true;
  form.ButtonBackClick();
  form.ButtonBackClick();
  const fs::path trimmedDest = env.Home() / "Trimmed";
  form.DestinationFolderEdit->setText(QString::fromStdString(trimmedDest.string()));
  form.ButtonNextClick();
  form.ProgressStartSectorSpinEdit->SetValue(0);
  form.ProgressButtonStart->click();
  const auto trimmed = Files(trimmedDest);
  ASSERT_EQ(trimmed.size(), files.size());
  for (const auto& [name, data] : trimmed) {
    const std::string& whole = files.at(name);
    EXPECT_TRUE(data.size() <= whole.size() && whole.compare(0, data.size(), data) == 0) << name;
  }
  bool memoBack = false;
  for (const auto& [name, data] : trimmed)
    memoBack = memoBack || data == test::ReadText(std::string(QUILLOT_SOURCE_DIR) + "/samples/audio/voice-memo.wav");
  EXPECT_TRUE(memoBack);
  form.ButtonNextClick();
  EXPECT_EQ(form.FinishLabelVerdicts->text(), verdicts);
  RecoveryTrimFiles = false;
}

// The Finish page counts the files written; a start whose file could not be created is counted only
// among the starts, which the page then shows as well. "Files found" on the Progress page counts starts.
TEST_F(RecoveryThroughWindowTest, TheFinishPageCountsTheFilesWrittenAndTheStartsWhenFewer) {
  AddFormat("Audio", "WAV", "Wave", true);  // a sector starting with "R" is a start
  const char letter = AttachZeroImage("starts.img", 64);
  {
    std::fstream image((env.Home() / "starts.img").string(), std::ios::in | std::ios::out | std::ios::binary);
    for (int sector : {0, 16, 32, 48}) image.seekp(sector * 512).put('R');
  }
  struct TRow {
    const char* what;
    std::set<std::string> refused;
    QString count, starts, verdicts;
  };
  const TRow rows[] = {
      {"every start a file", {}, "4", "", "4 files: 0 whole, 0 cut short, 0 damaged, 4 unknown."},
      {"two not created",
       {"/out/snd00002.wav", "/out/snd00003.wav"},
       "2",
       "Starts found: 4",
       "2 files: 0 whole, 0 cut short, 0 damaged, 2 unknown."},
      {"none created",
       {"/out/snd00001.wav", "/out/snd00002.wav", "/out/snd00003.wav", "/out/snd00004.wav"},
       "0",
       "Starts found: 4",
       ""},
  };
  gui::TMainForm form(letter);
  form.show();
  WalkToProgress(form, "/out");
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    auto destination = std::make_unique<test::TFakeDestination>();
    destination->refuse = row.refused;
    test::TFakeDestination& files = *destination;
    form.SetDestination(std::move(destination));
    form.ProgressButtonStart->click();
    EXPECT_EQ(files.contents.size(), 4 - row.refused.size());
    EXPECT_EQ(form.ProgressLabelFilesFound->text(), "4");
    form.ButtonNextClick();
    ASSERT_EQ(form.ActivePage(), gui::TMainForm::kFinishPage);
    EXPECT_EQ(form.FinishLabel2->text(), row.count);
    EXPECT_EQ(form.FinishLabelStarts->text(), row.starts);
    EXPECT_EQ(form.FinishLabelStarts->isVisible(), !row.starts.isEmpty());
    EXPECT_EQ(form.FinishLabelVerdicts->text(), row.verdicts);
    // The verdicts keep the row under the count unless the starts take it, and never cover them.
    EXPECT_EQ(form.FinishLabelVerdicts->y(),
              row.starts.isEmpty() ? form.FinishLabelStarts->y() : form.FinishLabelStarts->geometry().bottom() + 3);
    EXPECT_LT(form.FinishLabelVerdicts->geometry().bottom(), form.FinishButtonExplore->y());
    // There is something to review only when a file was written.
    EXPECT_EQ(form.FinishButtonReview->isEnabled(), row.count != "0");
    EXPECT_EQ(form.PassFiles().size(), files.contents.size());
    form.ButtonBackClick();
  }
}

// Start checks the destination before reading the card: a folder that cannot be made or written is
// refused with the system's reason, and nothing is logged.
TEST_F(RecoveryThroughWindowTest, StartRefusesAFolderItCannotWriteBeforeReading) {
  LoadShippedCatalogue();
  const char letter = Attach(card_, 0);
  gui::TMainForm form(letter);
  form.show();
  struct TRow {
    const char* folder;
    QString said;
  };
  const TRow rows[] = {{"/proc/quillot-out", "The destination folder /proc/quillot-out/ cannot be created: "},
                       {"/proc", "Recovered files cannot be written into /proc/: "}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.folder);
    dialogs.Shown.clear();
    WalkToProgress(form, row.folder);
    form.ProgressButtonStart->click();
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(dialogs.Shown[0].Text).startsWith(row.said)) << dialogs.Shown[0].Text;
    EXPECT_GT(dialogs.Shown[0].Text.size(), static_cast<size_t>(row.said.size()));  // the reason follows
    EXPECT_TRUE(form.ProgressMemoLog->toPlainText().isEmpty());
    EXPECT_FALSE(form.PassDone());
    form.ButtonBackClick();
    form.ButtonBackClick();
    form.ButtonBackClick();
  }
}

TEST_F(RecoveryThroughWindowTest, StopInMidPassEndsAtTheChunkAndKeepsEveryFileWhole) {
  LoadShippedCatalogue();
  RecoverySectorsToRead = 256;
  const char letter = Attach(card_, 0);
  gui::TMainForm form(letter);
  form.show();
  form.SetRefreshInterval(0);
  const fs::path whole = env.Home() / "whole";
  WalkToProgress(form, whole);
  form.ProgressButtonStart->click();
  const auto full = Files(whole);
  ASSERT_GE(full.size(), 3u);

  // The second pass is stopped once it has passed the middle of the card.
  form.ButtonBackClick();
  const fs::path part = env.Home() / "part";
  form.DestinationFolderEdit->setText(QString::fromStdString(part.string()));
  form.ButtonNextClick();
  bool stopped = false;
  uint32_t stoppedAt = 0;
  form.OnRefresh = [&](uint64_t sector) {
    if (!stopped && sector > 40000) {
      stopped = true;
      stoppedAt = sector;
      QTimer::singleShot(0, form.ProgressButtonStop, &QPushButton::click);
    }
  };
  form.ProgressButtonStart->click();
  ASSERT_TRUE(stopped);
  EXPECT_EQ(Log(form).last(), "Recovery cancelled.");
  EXPECT_TRUE(form.ButtonNext->isEnabled());  // a cancelled pass counts as a pass

  const auto some = Files(part);
  ASSERT_FALSE(some.empty());
  // Every file but the last is the same as in the whole pass; the last is its beginning, cut at the
  // end of the chunk in which Stop was pressed.
  // The last file is the one with the highest number.
  std::string lastName;
  auto number = [](const std::string& name) { return std::stoi(name.substr(name.find('.') - 5, 5)); };
  for (const auto& [name, data] : some)
    if (lastName.empty() || number(name) > number(lastName)) lastName = name;
  uint64_t partBytes = 0, fullBytes = 0;
  for (const auto& [name, data] : full) fullBytes += data.size();
  for (const auto& [name, data] : some) {
    ASSERT_TRUE(full.count(name)) << name;
    partBytes += data.size();
    const std::string& whole = full.at(name);
    if (name == lastName)
      EXPECT_TRUE(data.size() <= whole.size() && whole.compare(0, data.size(), data) == 0) << name;
    else
      EXPECT_TRUE(whole == data) << name;
    EXPECT_EQ(data.size() % 512, 0u) << name;
  }
  EXPECT_LT(partBytes, fullBytes);
  // The pass went on to the end of the chunk of 256 sectors in which Stop came, and no further.
  EXPECT_EQ((fullBytes - partBytes) % (256 * 512), 0u);
  EXPECT_GE(partBytes + (81920ull - stoppedAt) * 512, fullBytes);
  EXPECT_GT(stoppedAt, 0u);

  // The log names where to go on; a pass from there brings the cut file back whole.
  const QStringList log = Log(form);
  const QRegularExpressionMatch resume =
      QRegularExpression("^To go on from here, start again from sector (\\d+)\\.$").match(log.end()[-2]);
  ASSERT_TRUE(resume.hasMatch()) << log.end()[-2].toStdString();
  // The field holds it already, and the Finish page says so too.
  EXPECT_EQ(form.ProgressLabelStatus->text(), "Stopped");
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->text(), resume.captured(1));
  form.ButtonNextClick();
  EXPECT_TRUE(form.FinishLabelStopped->isVisible());
  EXPECT_TRUE(form.FinishLabelStopped->text().endsWith(" sector " + resume.captured(1) + "."));
  EXPECT_LT(form.FinishLabelStopped->geometry().bottom(), form.FinishButtonExplore->y());
  form.ButtonBackClick();
  form.ButtonBackClick();
  const fs::path rest = env.Home() / "rest";
  form.DestinationFolderEdit->setText(QString::fromStdString(rest.string()));
  form.ButtonNextClick();
  form.OnRefresh = nullptr;
  form.ProgressButtonStart->click();
  const auto after = Files(rest);
  // Every file comes back once over the two passes: the one open at the stop again from its start, unless its
  // recording had already ended, and none is lost.
  EXPECT_EQ(some.size() + after.size(), full.size());
  if (!after.empty() && resume.captured(1).toULongLong() < stoppedAt) {
    EXPECT_TRUE(after.begin()->second == full.at(lastName)) << after.begin()->first << " against " << lastName;
  }
}

// A source that reads slowly: the window answers between the transfers of a chunk (Stop and About are
// handled while a read is held), shows where the read has come and its clock, and after Stop reads no
// chunk beyond the one in hand.
TEST_F(RecoveryThroughWindowTest, ASlowSourceKeepsTheWindowAnsweringAndStopEndsTheChunkInHand) {
  LoadShippedCatalogue();
  constexpr uint64_t kChunk = 1024;  // sectors: eight transfers of 128
  RecoverySectorsToRead = kChunk;
  auto disk = std::make_shared<TFakeDisk>(16 * kChunk * 512);
  disk->SourceKind = TSourceKind::Removable;
  disk->RemovableFlag = true;
  TFakeDiskRegistration registration('Q', disk);
  gui::TMainForm form('Q');
  form.show();
  form.SetRefreshInterval(0);
  WalkToProgress(form, env.Home() / "slow");

  TModalDriver<gui::TAboutForm> about;
  bool aboutWhileReading = false;
  about.Then([&](gui::TAboutForm& box) {
    aboutWhileReading = form.Running();
    box.accept();
  });
  uint64_t lastEnd = 0;
  int held = 0, showedReach = 0, showedClock = 0, pagesOff = 0, stopShown = 0;
  disk->OnRead = [&](uint64_t offset, size_t length) {
    lastEnd = std::max<uint64_t>(lastEnd, offset + length);
    const uint64_t sector = offset / 512;
    if (sector % kChunk == 0) return;  // a chunk's first transfer: nothing was shown of it yet
    ++held;
    showedReach += form.ProgressLabelCurSector->text() == QString::number(sector);
    showedClock += QRegularExpression("^\\d+:\\d\\d:\\d\\d$").match(form.ProgressLabelElapsedTime->text()).hasMatch() &&
                   form.ProgressLabelSpeedValue->text().endsWith(" MB/s") && form.ProgressLabelElapsedTime->isVisible();
    pagesOff += !form.StartTabSheet->isEnabled() && !form.TypesTabSheet->isEnabled();
    stopShown += form.StopRequested() && form.ProgressLabelStatus->text() == "Stopping after this chunk" &&
                 !form.ProgressButtonStop->isEnabled();
    // A person clicks About and Stop in the middle of the second chunk's read.
    if (sector == kChunk + 3 * 128) {
      QTimer::singleShot(0, form.ButtonAbout, &QPushButton::click);
      QTimer::singleShot(0, form.ProgressButtonStop, &QPushButton::click);
    }
  };
  form.ProgressButtonStart->click();
  disk->OnRead = nullptr;

  EXPECT_TRUE(aboutWhileReading);
  EXPECT_EQ(about.Shown, 1);
  EXPECT_EQ(held, 14);  // seven transfers after the first in each of two chunks
  EXPECT_EQ(showedReach, held);
  EXPECT_EQ(showedClock, held);
  EXPECT_EQ(pagesOff, held);
  EXPECT_EQ(stopShown, 4);  // the transfers of the second chunk after the click
  // The second chunk was read to its end, and nothing after it.
  EXPECT_EQ(lastEnd, 2 * kChunk * 512);
  const QStringList log = Log(form);
  EXPECT_EQ(log.end()[-2], QString("To go on from here, start again from sector %1.").arg(2 * kChunk));
  EXPECT_EQ(log.last(), "Recovery cancelled.");
  // After the pass the pages and Stop are as before it, the clock is put away.
  EXPECT_TRUE(form.StartTabSheet->isEnabled() && form.TypesTabSheet->isEnabled());
  EXPECT_EQ(form.ProgressLabelStatus->text(), "Stopped");
  EXPECT_FALSE(form.ProgressLabelElapsedTime->isVisible());
}

// A long pass that ends while another window is active asks for the user's eye, once; one that ends in
// the active window, or a short one, does not.
TEST_F(RecoveryThroughWindowTest, APassThatEndsUnseenAsksForAttention) {
  LoadShippedCatalogue();
  TFakeDiskRegistration registration('Q', std::make_shared<TFakeDisk>(64 * 512));
  gui::TMainForm form('Q');
  form.show();
  WalkToProgress(form, env.Home() / "seen");
  QWidget other;
  std::vector<QWidget*> asked;
  form.AskAttention = [&](QWidget* w) { asked.push_back(w); };
  struct TRow {
    bool formActive;
    double after;
    size_t asks;
  };
  for (const TRow& row : {TRow{false, 0, 1}, TRow{true, 0, 0}, TRow{false, 1e9, 0}}) {
    asked.clear();
    form.Wizard().AttentionAfterSeconds = row.after;
    QWidget* active = row.formActive ? static_cast<QWidget*>(&form) : &other;
    active->show();
    active->activateWindow();
    QApplication::setActiveWindow(active);
    ASSERT_EQ(form.isActiveWindow(), row.formActive);
    form.ProgressButtonStart->click();
    ASSERT_EQ(asked.size(), row.asks) << row.formActive << " " << row.after;
    if (row.asks) {
      EXPECT_EQ(asked[0], &form);
    }
  }
}

TEST_F(RecoveryThroughWindowTest, ClosingInMidPassStopsClosesTheFileAndSavesAtExit) {
  fs::copy_file(fs::path(QUILLOT_SOURCE_DIR) / "data" / "Quillot.ini", env.Program() / "Quillot.ini");
  TLifecycle lifecycle;
  lifecycle.Start();
  // The clean store makes this a first start; its language question is not what is tested here.
  GlobalFirstStart = false;
  RecoverySectorsToRead = 256;
  const char letter = Attach(card_, 0);
  const fs::path dest = env.Home() / "closed";
  {
    gui::TMainForm form(letter);
    form.show();
    form.SetRefreshInterval(0);
    // A change to the catalogue, so that exit has something to save.
    form.ButtonNextClick();
    QTreeWidgetItem* first = form.TypesTreeView->topLevelItem(0)->child(0);
    QTest::mouseClick(form.TypesTreeView->viewport(), Qt::LeftButton, {},
                      form.TypesTreeView->StateImageRect(first).center());
    ASSERT_TRUE(DataStorage->Modified);
    form.ButtonBackClick();
    WalkToProgress(form, dest);
    bool asked = false, stayedOpen = true, stoppingShown = false;
    form.OnRefresh = [&](uint64_t sector) {
      if (!asked && sector > 30000) {
        asked = true;
        QTimer::singleShot(0, &form, &QWidget::close);
      } else if (asked) {
        stayedOpen = stayedOpen && form.isVisible();
        // The page shows the wait as after Stop.
        stoppingShown = stoppingShown || (form.ProgressLabelStatus->text() == "Stopping after this chunk" &&
                                          !form.ProgressButtonStop->isEnabled());
      }
    };
    form.ProgressButtonStart->click();
    ASSERT_TRUE(asked);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(stoppingShown);
    EXPECT_FALSE(form.isVisible());  // closed once the pass had ended
    EXPECT_FALSE(form.Running());
    EXPECT_EQ(Log(form).last(), "Recovery cancelled.");
    const auto files = Files(dest);
    ASSERT_FALSE(files.empty());
    for (const auto& [name, data] : files) EXPECT_EQ(data.size() % 512, 0u) << name;
  }
  lifecycle.Stop();
  const std::string store = TTempEnvironment::Read(env.StorePath());
  EXPECT_NE(store.find(dest.string() + "/"), std::string::npos) << store;
  EXPECT_NE(test::ReadText((env.Program() / "Quillot.ini").string()),
            test::ReadText((fs::path(QUILLOT_SOURCE_DIR) / "data" / "Quillot.ini").string()));
}

TEST_F(RecoveryThroughWindowTest, ATerminateSignalInMidPassClosesTheWindowOnceThePassHasEnded) {
  LoadShippedCatalogue();
  RecoverySectorsToRead = 256;
  const char letter = Attach(card_, 0);
  gui::TMainForm form(letter);
  gui::TSignalCloser closer(&form);
  form.show();
  form.SetRefreshInterval(0);
  WalkToProgress(form, env.Home() / "signalled");
  bool raised = false;
  form.OnRefresh = [&](uint64_t sector) {
    if (!raised && sector > 20000) {
      raised = true;
      std::raise(SIGTERM);
    }
  };
  form.ProgressButtonStart->click();
  ASSERT_TRUE(raised);
  EXPECT_EQ(Log(form).last(), "Recovery cancelled.");
  EXPECT_FALSE(form.isVisible());
}

}  // namespace quillot::testing
