// quillot: the wizard that walks a user through recovering lost audio files.
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "drive/DriveTable.h"
#include "gui/BenchPass.h"
#include "gui/HelpWindow.h"
#include "gui/MainForm.h"
#include "gui/QtDialogs.h"
#include "gui/QtText.h"
#include "gui/ReviewReport.h"
#include "gui/ReviewWindow.h"
#include "gui/SignalCloser.h"
#include "help/QuickStart.h"
#include "platform/Dialogs.h"
#include "startup/Lifecycle.h"

namespace {
void PrintUsage() {
  std::printf(
      "Usage: quillot [--image FILE]...\n"
      "       quillot --review REPORT.json\n"
      "       quillot --bench-pass IMAGE DEST [--dry-run]\n"
      "       quillot -h | --help\n\n"
      "Opens the recovery wizard. --image attaches a disk-image file as a drive (repeatable);\n"
      "the last one given is chosen on the first page. --review opens the review window alone\n"
      "on the JSON report of an earlier pass (quillot-cli recover --report FILE.json).\n"
      "--bench-pass times one pass over IMAGE into DEST driven through the window, without\n"
      "showing it.\n\n"
      "Exit status:\n"
      "  0    the wizard or the review window was closed, or the timed pass finished\n"
      "  1    the timed pass met a fatal error\n"
      "  2    an unexpected argument, an image the timed pass cannot read, or a report\n"
      "       --review cannot read\n");
}
}  // namespace

int main(int argc, char** argv) {
  QStringList images;
  QString benchImage, benchDest, review;
  bool bench = false, dryRun = false;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--image") && i + 1 < argc) {
      images << QString::fromLocal8Bit(argv[++i]);
    } else if (arg.startsWith(QLatin1String("--image="))) {
      images << arg.mid(8);
    } else if (arg == QLatin1String("--bench-pass") && i + 2 < argc) {
      bench = true;
      benchImage = QString::fromLocal8Bit(argv[++i]);
      benchDest = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == QLatin1String("--review") && i + 1 < argc) {
      review = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == QLatin1String("--dry-run")) {
      dryRun = true;
    } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      PrintUsage();
      return 0;
    } else if (!arg.startsWith(QLatin1String("-")) || arg == QLatin1String("-")) {
      std::fprintf(stderr, "quillot: unexpected argument '%s'\n", argv[i]);
      PrintUsage();
      return 2;
    }
    // Qt's own options (-style, -platform, ...) are left to QApplication.
  }
  // A timing run needs no screen.
  if (bench && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillot"));
  // Outside a desktop session the icon theme may be bare; the format icons then come from Adwaita.
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  quillot::gui::TQtDialogs dialogs;
  quillot::SetDialogs(&dialogs);
  quillot::gui::InstallHelp(app);

  quillot::TLifecycle lifecycle;
  lifecycle.Start();
  int status = 0;
  if (bench) {
    status = quillot::gui::BenchPass(benchImage, benchDest, dryRun);
  } else if (!review.isEmpty()) {
    quillot::gui::TReviewReport report;
    QString error;
    if (!quillot::gui::LoadReviewReport(review, report, error)) {
      std::fprintf(stderr, "quillot: %s\n", error.toLocal8Bit().constData());
      status = 2;
    } else {
      quillot::gui::TReviewWindow window(std::move(report.Files), report.FirstSector, report.EndSector);
      quillot::gui::TSignalCloser closer(&window);
      window.show();
      status = app.exec();
    }
  } else {
    char preferred = 0;
    for (const QString& image : images) {
      std::string error;
      if (auto letter = quillot::AttachImage(quillot::gui::FromQ(image), error))
        preferred = *letter;
      else
        quillot::Dialogs().Show(error, "Error", quillot::TDialogButtons::Ok, quillot::TDialogIcon::Error);
    }
    quillot::gui::TMainForm form(preferred);
    quillot::gui::TSignalCloser closer(&form);
    form.show();
    // Once the wizard is on screen, so the quick start can go beside it.
    QTimer::singleShot(0, &form, [] { quillot::ShowQuickStartOnFirstStart(); });
    status = app.exec();
  }
  lifecycle.Stop();
  quillot::SetDialogs(nullptr);
  return status;
}
