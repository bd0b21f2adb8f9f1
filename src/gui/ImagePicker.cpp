#include "gui/ImagePicker.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>
#include <algorithm>

#include "gui/GuiMessages.h"
#include "gui/QtText.h"

namespace quillot::gui {

void UnclipFileColumns(QFileDialog& dialog) {
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (view == nullptr) return;  // a native dialog lays out its own columns
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column)
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  // The columns grow with the font (144 DPI, a large system font), so the dialog does too: room for a
  // name of 30 characters beside a size, a type and the longest date this locale writes.
  const QFontMetrics fm = view->fontMetrics();
  const QString date = QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
  const int columns = fm.horizontalAdvance(QString(30, QLatin1Char('M'))) +
                      fm.horizontalAdvance(QStringLiteral("999.99 MiB  img File  ") + date) + 8 * fm.averageCharWidth();
  const int sideBar = dialog.width() - view->width();
  dialog.resize(std::max(dialog.width(), sideBar + columns), std::max(dialog.height(), 26 * fm.height()));
}

QString PickImageFile(QWidget* owner) {
  QFileDialog dialog(owner, ToQ(Tr(strAddImageCaption)), QString(), ToQ(Tr(strAddImageFilter)));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  UnclipFileColumns(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

}  // namespace quillot::gui
