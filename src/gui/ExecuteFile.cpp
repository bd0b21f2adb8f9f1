#include "gui/ExecuteFile.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "gui/QtText.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"

namespace quillot::gui {

namespace {
bool RealLauncher(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

TLauncher& CurrentLauncher() {
  static TLauncher launcher = RealLauncher;
  return launcher;
}

bool IsWebAddress(const QString& file) {
  const QUrl url(file);
  return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") ||
                           url.scheme() == QLatin1String("mailto"));
}

void ShowCannotOpen(const QString& target, const std::string& reason) {
  Dialogs().Show(Tr(strCannotOpen, {FromQ(target), reason}), "Error", TDialogButtons::Ok, TDialogIcon::Error);
}
}  // namespace

TLauncher SetLauncher(TLauncher launcher) {
  TLauncher previous = CurrentLauncher();
  CurrentLauncher() = launcher ? std::move(launcher) : TLauncher(RealLauncher);
  return previous;
}

bool ExecuteFile(const QString& file, const QString& parameters) {
  QString program = file;
  QStringList arguments;
  // What the desktop is asked to open, named in the message when it cannot.
  QString target;
  if (file.compare(QLatin1String(kFileExplorer), Qt::CaseInsensitive) == 0) {
    // The folder is handed over whole: a path with blanks is still one folder.
    program = QStringLiteral("xdg-open");
    arguments << parameters;
    target = parameters;
    if (!QFileInfo(parameters).isDir()) {
      // The opener would start and fail out of sight: say so here.
      ShowCannotOpen(target, Tr(strFolderMissing));
      return false;
    }
  } else if (IsWebAddress(file) || (QFileInfo(file).isFile() && !QFileInfo(file).isExecutable()) ||
             QFileInfo(file).isDir()) {
    program = QStringLiteral("xdg-open");
    arguments << file;
    target = file;
  } else if (!parameters.isEmpty()) {
    arguments = QProcess::splitCommand(parameters);
  }
  const bool started = CurrentLauncher()(program, arguments);
  if (!started && !target.isEmpty()) {
    const bool installed = !QStandardPaths::findExecutable(program).isEmpty();
    ShowCannotOpen(target, Tr(installed ? strDesktopOpenerFailed : strNoDesktopOpener));
  } else if (!started) {
    Dialogs().Show(Tr(strUtilsExecuteProgramError, {FromQ(program)}), "Error", TDialogButtons::Ok, TDialogIcon::Error);
  }
  return started;
}

}  // namespace quillot::gui
