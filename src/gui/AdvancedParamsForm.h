// The Advanced Parameters dialog: the drive-reading parameters of the pass, expert mode, trimming and
// reassembling, and the interface language. It edits the settings in memory; they reach the store when
// the program ends.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "wizard/AdvancedParams.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace quillot::gui {

class TWholeNumberEdit;

class TAdvancedParamsForm : public QDialog {
  Q_OBJECT
 public:
  enum TPage { kDrivePage = 0, kAdvancedPage, kLanguagePage };

  // Translates itself, then shows the current settings and lists the languages.
  explicit TAdvancedParamsForm(QWidget* parent);

  QTabWidget* MainPageControl;
  QWidget* DriveTabSheet;
  QWidget* AdvancedTabSheet;
  QWidget* LanguageTabSheet;

  QLabel* DriveLabelSettings;
  QLabel* DriveLabelRetryCount;
  TWholeNumberEdit* DriveEditRetryCount;
  QLabel* DriveLabelRetryNote;
  QLabel* DriveLabelSectorsToRead;
  TWholeNumberEdit* DriveEditSectorsToRead;
  QLabel* DriveLabelSectorsNote;

  QCheckBox* AdvancedCheckBoxExpertMode;
  QLabel* AdvancedLabelExpertNote;
  QCheckBox* AdvancedCheckBoxTrimFiles;
  QLabel* AdvancedLabelTrimNote;
  QCheckBox* AdvancedCheckBoxReassemble;
  QLabel* AdvancedLabelReassembleNote;

  QLabel* LanguageImage;
  QLabel* LanguageLabelLanguage;
  QComboBox* LanguageSelectComboBox;
  QLabel* LanguageLabelNote;
  QLabel* LanguageLabelHelp;

  QPushButton* ButtonOk;
  QPushButton* ButtonCancel;
  QPushButton* ButtonHelp;

  // The language entry selected when the dialog was made.
  int InitialLanguageIndex() const { return params_.InitialLanguage; }
  // What OK does: the fields into the settings, and the language only when its choice changed.
  void Apply();

 public slots:
  void ButtonHelpClick();
  // The reassembling box can be ticked only while the trimming box is.
  void AdvancedCheckBoxTrimFilesToggled(bool checked);

 private:
  void CreateDrivePage();
  void CreateAdvancedPage();
  void CreateLanguagePage();
  void CreateButtons();

  // The settings as the dialog opened on them, and the languages it lists.
  TAdvancedParams params_;
};

// Makes the dialog on page, shows it modally over parent, applies it on OK, and answers whether OK
// closed it.
bool ShowAdvancedParameters(int page, QWidget* parent = nullptr);

}  // namespace quillot::gui
