// The About window: product name, description and version line.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillot::gui {

class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutForm(QWidget* parent);

  QLabel* LabelProgramName;
  QLabel* LabelDescription;
  QLabel* LabelProgramVersion;
  QPushButton* OkButton;
  QPushButton* ButtonHelp;
};

}  // namespace quillot::gui
