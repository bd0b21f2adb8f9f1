#include "gui/BenchPass.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <utility>

#include "app/Settings.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"

namespace quillot::gui {

int BenchPass(const QString& image, const QString& destination, bool dryRun) {
  const std::string savedTarget = RecoveryTargetFolder;
  // A timing run asks nothing, and a first start stays the first start for the user.
  const bool savedFirstStart = std::exchange(GlobalFirstStart, false);
  TMainForm form;
  GlobalFirstStart = savedFirstStart;
  if (dryRun) form.SetDestination(std::make_unique<TDryRunDestination>());
  form.show();
  const char letter = form.AddImage(image);
  if (!letter) return 2;
  form.ButtonNextClick();
  form.ButtonNextClick();
  form.DestinationFolderEdit->setText(destination);
  form.ButtonNextClick();
  if (!form.ProgressButtonStart->isEnabled()) {
    std::fprintf(stderr, "quillot: the image cannot be read\n");
    return 2;
  }
  QElapsedTimer clock;
  clock.start();
  form.ProgressButtonStart->click();
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double bytes = static_cast<double>(form.Wizard().DriveParams.TotalPhysSec) *
                       form.Wizard().DriveParams.BytesPerSec;
  // The pass alone is timed as the command line times it, from its first sector to its end.
  const double pass = form.LastPassSeconds();
  std::printf("GUI pass%s: %d files from %c:, %.0f bytes scanned in %.3f s (%.1f MB/s); Start handler %.3f s\n",
              dryRun ? " (dry run)" : "", form.FilesFound(), letter, bytes, pass, pass > 0 ? bytes / pass / 1e6 : 0.0,
              seconds);
  // A timing run leaves the user's destination setting as it was.
  RecoveryTargetFolder = savedTarget;
  return form.Pass().FatalError ? 1 : 0;
}

}  // namespace quillot::gui
