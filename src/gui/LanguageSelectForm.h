// The first start's question for the interface language, among the language files beside the program.
// Shown before any language file is loaded, and never translated itself.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "wizard/LanguageChoice.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillot::gui {

class TLanguageSelectForm : public QDialog {
  Q_OBJECT
 public:
  explicit TLanguageSelectForm(QWidget* parent = nullptr);

  QWidget* PanelTop;
  QLabel* LabelBrantwick;
  QLabel* LabelProgramName;
  QLabel* LabelProgramVersion;
  QTreeWidget* LanguageListView;
  QWidget* PanelBottom;
  QPushButton* OkButton;
  QPushButton* HelpButton;

  // The choice of the dialog closed with OK: the built-in texts for the first entry or none, otherwise
  // the language file of the chosen entry, loaded at once.
  void Apply();

 public slots:
  void LanguageListViewDblClick(QTreeWidgetItem* item);
  void HelpButtonClick();

 private:
  // The entries as listed.
  TLanguageChoice choice_;
};

// Shows the dialog modally and applies the choice when it was closed with OK.
void ShowLanguageSelection();

}  // namespace quillot::gui
