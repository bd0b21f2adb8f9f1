#include "gui/FolderPicker.h"

#include <QDir>
#include <QFileDialog>

#include "gui/QtTranslations.h"

namespace quillot::gui {

namespace {
QString WithoutTrailingDelimiter(QString folder) {
  while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  return folder;
}
}  // namespace

QString TFolderPicker::Execute(QWidget* owner, const QString& start) const {
  FollowLanguageInQtTexts();
  QFileDialog dialog(owner, Caption);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setLabelText(QFileDialog::FileName, Prompt);
  if (!start.isEmpty()) {
    // The picker opens at the nearest folder that exists.
    QDir dir(start);
    while (!dir.exists() && dir.cdUp()) {}
    dialog.setDirectory(dir.exists() ? dir.absolutePath() : QDir::homePath());
    if (QDir(start).exists()) dialog.selectFile(start);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return WithoutTrailingDelimiter(dialog.selectedFiles().first());
}

}  // namespace quillot::gui
