#include "gui/FormatPropForm.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "gui/HelpKey.h"
#include "gui/MakeControl.h"
#include "gui/QtText.h"
#include "gui/TranslateForms.h"
#include "gui/WholeNumberEdit.h"
#include "wizard/FormatFields.h"

namespace quillot::gui {

namespace {
constexpr int kClientWidth = 418;
constexpr int kClientHeight = 399;
constexpr int kLabelLeft = 8, kLabelWidth = 118, kEditLeft = 128, kRowHeight = 27, kFirstRow = 10;

QRect Row(int row, int left, int width) { return {left, kFirstRow + row * kRowHeight, width, 21}; }

void RowLabel(QWidget* parent, const char* name, const QString& text, int row, QWidget* buddy) {
  auto* l = Make<QLabel>(parent, name, text);
  l->setGeometry(Row(row, kLabelLeft, kLabelWidth));
  l->setBuddy(buddy);
}
}  // namespace

TFormatPropForm::TFormatPropForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormatPropForm"));
  setWindowTitle(QStringLiteral("File Format Properties"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  const int editWidth = kClientWidth - kEditLeft - 8;

  EditCategory = Make<QLineEdit>(this, "EditCategory");
  EditFileFormat = Make<QLineEdit>(this, "EditFileFormat");
  EditFileFormat->setMaxLength(kMaxTitleLength);
  SpinEditOrder = Make<TWholeNumberEdit>(this, "SpinEditOrder");
  EditFileExtension = Make<QLineEdit>(this, "EditFileExtension");
  EditDescription = Make<QLineEdit>(this, "EditDescription");
  EditPrefix = Make<QLineEdit>(this, "EditPrefix");
  CheckBoxSearch = Make<QCheckBox>(this, "CheckBoxSearch", QStringLiteral("Search?"));
  MemoRecoverySequence = Make<QPlainTextEdit>(this, "MemoRecoverySequence");
  MemoRecoverySequence->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoRecoverySequence->setTabChangesFocus(true);
  MemoRecoverySequence->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  const std::pair<QWidget*, const char*> rows[] = {
      {EditCategory, "Category:"},           {EditFileFormat, "File Format Title:"}, {SpinEditOrder, "Recovery Order:"},
      {EditFileExtension, "FileExtension:"}, {EditDescription, "Description:"},      {EditPrefix, "Prefix:"}};
  const char* labelNames[] = {"LabelCategory",      "LabelFileFormat",  "LabelOrder",
                              "LabelFileExtension", "LabelDescription", "LabelPrefix"};
  for (int i = 0; i < 6; ++i) {
    const int width = rows[i].first == SpinEditOrder ? 90 : editWidth;
    rows[i].first->setGeometry(Row(i, kEditLeft, width));
    RowLabel(this, labelNames[i], QString::fromLatin1(rows[i].second), i, rows[i].first);
  }
  CheckBoxSearch->setGeometry(Row(6, kEditLeft, editWidth));
  auto* scriptLabel = Make<QLabel>(this, "LabelRecoveryScript", QStringLiteral("Recovery script:"));
  scriptLabel->setGeometry(Row(7, kLabelLeft, kClientWidth - 16));
  scriptLabel->setBuddy(MemoRecoverySequence);
  const int memoTop = kFirstRow + 7 * kRowHeight + 22;
  constexpr int kPanelHeight = 41;
  MemoRecoverySequence->setGeometry(kLabelLeft, memoTop, kClientWidth - 16, kClientHeight - kPanelHeight - memoTop - 4);

  auto* panel = Make<QWidget>(this, "PanelButtons");
  panel->setGeometry(0, kClientHeight - kPanelHeight, kClientWidth, kPanelHeight);
  OkButton = Make<QPushButton>(panel, "OkButton", QStringLiteral("&OK"));
  CancelButton = Make<QPushButton>(panel, "CancelButton", QStringLiteral("&Cancel"));
  Button1 = Make<QPushButton>(panel, "Button1", QStringLiteral("&Help"));
  OkButton->setGeometry(kClientWidth - 3 * 83, 8, 75, 25);
  CancelButton->setGeometry(kClientWidth - 2 * 83, 8, 75, 25);
  Button1->setGeometry(kClientWidth - 83, 8, 75, 25);
  OkButton->setDefault(true);
  CancelButton->setAutoDefault(false);
  Button1->setAutoDefault(false);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button1, &QPushButton::clicked, this, &TFormatPropForm::ButtonHelpClick);

  QWidget* order[] = {EditCategory,    EditFileFormat, SpinEditOrder,  EditFileExtension,
                      EditDescription, EditPrefix,     CheckBoxSearch, MemoRecoverySequence,
                      OkButton,        CancelButton,   Button1};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  EditCategory->setFocus();

  TranslateForms({this});
}

void TFormatPropForm::ButtonHelpClick() { PressHelpKey(this); }

bool EditFormatProperties(std::string& category, std::string& title, int32_t& order, std::string& scanBytes,
                          bool& search, std::string& filePrefix, std::string& typeDescription,
                          std::string& fileExtension, QWidget* parent) {
  TFormatPropForm form(parent);
  form.EditCategory->setText(ToQ(category));
  // The limit holds for typing; a longer title from the formats file must survive an unchanged OK.
  form.EditFileFormat->setMaxLength(TitleLengthLimit(title));
  form.EditFileFormat->setText(ToQ(title));
  form.SpinEditOrder->SetValue(order);
  form.EditFileExtension->setText(ToQ(fileExtension));
  form.EditDescription->setText(ToQ(typeDescription));
  form.EditPrefix->setText(ToQ(filePrefix));
  form.CheckBoxSearch->setChecked(search);
  form.MemoRecoverySequence->setPlainText(ToQ(ScriptLines(scanBytes)));
  if (parent) form.move(parent->window()->geometry().center() - form.rect().center());

  if (form.exec() != QDialog::Accepted) return false;
  category = FromQ(form.EditCategory->text());
  title = FromQ(form.EditFileFormat->text());
  order = form.SpinEditOrder->Value();
  fileExtension = FromQ(form.EditFileExtension->text());
  typeDescription = FromQ(form.EditDescription->text());
  filePrefix = FromQ(form.EditPrefix->text());
  search = form.CheckBoxSearch->isChecked();
  scanBytes = ScanBytesFromScript(FromQ(form.MemoRecoverySequence->toPlainText()));
  return true;
}

}  // namespace quillot::gui
