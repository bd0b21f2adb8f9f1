// "File Format Properties": every editable field of one file format, its signature rules as a
// multi-line recovery script, one line per alternative.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quillot::gui {

class TWholeNumberEdit;

class TFormatPropForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFormatPropForm(QWidget* parent);

  QLineEdit* EditCategory;
  QLineEdit* EditFileFormat;
  TWholeNumberEdit* SpinEditOrder;
  QLineEdit* EditFileExtension;
  QLineEdit* EditDescription;
  QLineEdit* EditPrefix;
  QCheckBox* CheckBoxSearch;
  QPlainTextEdit* MemoRecoverySequence;
  QPushButton* OkButton;
  QPushButton* CancelButton;
  QPushButton* Button1;

  void ButtonHelpClick();
};

// Shows the fields in a new dialog; on OK replaces all eight with the dialog's values and answers true,
// otherwise touches none and answers false.
bool EditFormatProperties(std::string& category, std::string& title, int32_t& order, std::string& scanBytes,
                          bool& search, std::string& filePrefix, std::string& typeDescription,
                          std::string& fileExtension, QWidget* parent = nullptr);

}  // namespace quillot::gui
