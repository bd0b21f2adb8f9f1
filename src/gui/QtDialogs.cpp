#include "gui/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/QtText.h"
#include "gui/QtTranslations.h"

namespace quillot::gui {

TDialogAnswer TQtDialogs::Show(const std::string& text, const std::string& caption, TDialogButtons buttons,
                               TDialogIcon icon) {
  // The language may have changed since the last box; its buttons follow it.
  FollowLanguageInQtTexts();
  QMessageBox box(QApplication::activeWindow());
  // Message texts break lines with CR LF.
  box.setText(ToQ(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
  box.setWindowTitle(caption.empty() ? QApplication::applicationName() : ToQ(caption));
  switch (icon) {
    case TDialogIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case TDialogIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TDialogIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TDialogIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case TDialogIcon::Question: box.setIcon(QMessageBox::Question); break;
  }
  switch (buttons) {
    case TDialogButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case TDialogButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case TDialogButtons::AbortRetryIgnore:
      box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return TDialogAnswer::Yes;
    case QMessageBox::No: return TDialogAnswer::No;
    case QMessageBox::Abort: return TDialogAnswer::Abort;
    case QMessageBox::Retry: return TDialogAnswer::Retry;
    case QMessageBox::Ignore: return TDialogAnswer::Ignore;
    default: break;
  }
  // Closed with the title bar's box: the safe answer.
  switch (buttons) {
    case TDialogButtons::Ok: return TDialogAnswer::Ok;
    case TDialogButtons::YesNo: return TDialogAnswer::No;
    case TDialogButtons::AbortRetryIgnore: return TDialogAnswer::Abort;
  }
  return TDialogAnswer::Ok;
}

}  // namespace quillot::gui
