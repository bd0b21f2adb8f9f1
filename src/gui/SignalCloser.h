// Ctrl-C in the terminal, or a polite kill, closes the window as its close box would: a running pass
// stops at its next chunk and closes its file, and the settings and catalogue are saved on the way out.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace quillot::gui {

class TSignalCloser : public QObject {
 public:
  // Watches SIGINT and SIGTERM for as long as the object lives, closing window when one comes.
  explicit TSignalCloser(QWidget* window);
  ~TSignalCloser() override;

 private:
  QWidget* window_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quillot::gui
