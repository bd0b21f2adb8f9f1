#include "gui/AdvancedParamsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <utility>

#include "gui/HelpKey.h"
#include "gui/LanguagePictures.h"
#include "gui/MakeControl.h"
#include "gui/QtText.h"
#include "gui/TranslateForms.h"
#include "gui/WholeNumberEdit.h"

namespace quillot::gui {

namespace {
constexpr int kClientWidth = 492;
constexpr int kClientHeight = 344;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
// Where the fields start on the Drive Access page: their captions wrap in the room to the left.
constexpr int kFieldX = 262;
constexpr int kNoteWidth = 430;

QLabel* Label(QWidget* parent, const char* name, const QString& text, QRect geometry, bool wrap = false) {
  auto* l = Make<QLabel>(parent, name, text);
  l->setGeometry(geometry);
  l->setWordWrap(wrap);
  l->setAlignment(Qt::AlignLeft | (wrap ? Qt::AlignTop : Qt::AlignVCenter));
  return l;
}

// A caption beside its field, centred on it and wrapping when a translation is long.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, int fieldY) {
  auto* l = Label(parent, name, text, QRect(24, fieldY - 6, kFieldX - 24 - 8, 34), true);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return l;
}

// A note under a field, in the text's quieter colour.
QLabel* Note(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  QLabel* l = Label(parent, name, text, geometry, true);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, pal.color(QPalette::Disabled, QPalette::WindowText).darker(130));
  l->setPalette(pal);
  return l;
}

QWidget* Page(QTabWidget* tabs, const char* name, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  tabs->addTab(page, caption);
  return page;
}
}  // namespace

TAdvancedParamsForm::TAdvancedParamsForm(QWidget* parent) : QDialog(parent), params_(TAdvancedParams::FromSettings()) {
  setObjectName(QStringLiteral("AdvancedParamsForm"));
  setWindowTitle(QStringLiteral("Advanced Parameters"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);

  MainPageControl = Make<QTabWidget>(this, "MainPageControl");
  MainPageControl->setGeometry(8, 8, kClientWidth - 16, kClientHeight - 8 - kButtonHeight - 16);
  DriveTabSheet = Page(MainPageControl, "DriveTabSheet", QStringLiteral("&Drive Access"));
  AdvancedTabSheet = Page(MainPageControl, "AdvancedTabSheet", QStringLiteral("&Advanced"));
  LanguageTabSheet = Page(MainPageControl, "LanguageTabSheet", QStringLiteral("Interface &Language"));
  CreateDrivePage();
  CreateAdvancedPage();
  CreateLanguagePage();
  CreateButtons();

  // Translated before anything is filled in, so the language list keeps its own names.
  TranslateForms({this});

  DriveEditRetryCount->SetValue(params_.RetryCount);
  DriveEditSectorsToRead->SetValue(params_.SectorsToRead);
  AdvancedCheckBoxExpertMode->setChecked(params_.ExpertMode);
  AdvancedCheckBoxTrimFiles->setChecked(params_.TrimFiles);
  AdvancedCheckBoxReassemble->setChecked(params_.Reassemble);
  AdvancedCheckBoxTrimFilesToggled(params_.TrimFiles);

  for (const TLanguageChoice::TEntry& entry : params_.Languages.Entries)
    LanguageSelectComboBox->addItem(ToQ(entry.Text));
  LanguageSelectComboBox->setCurrentIndex(params_.InitialLanguage);
}

void TAdvancedParamsForm::CreateDrivePage() {
  QWidget* p = DriveTabSheet;
  DriveLabelSettings = Label(p, "DriveLabelSettings", QStringLiteral("Drive access settings:"), QRect(12, 10, 440, 18));
  QFont bold = DriveLabelSettings->font();
  bold.setBold(true);
  DriveLabelSettings->setFont(bold);

  DriveLabelRetryCount = Caption(p, "DriveLabelRetryCount", QStringLiteral("Number of retry aptempts:"), 40);
  DriveEditRetryCount = Make<TWholeNumberEdit>(p, "DriveEditRetryCount");
  DriveEditRetryCount->setGeometry(kFieldX, 40, 90, 23);
  DriveEditRetryCount->SetBounds(TAdvancedParams::kRetryCountBounds.Min, TAdvancedParams::kRetryCountBounds.Max);
  DriveLabelRetryNote = Note(p, "DriveLabelRetryNote",
                             QStringLiteral("Increase if your medium is physically damaged. "),
                             QRect(24, 68, kNoteWidth, 18));

  DriveLabelSectorsToRead =
      Caption(p, "DriveLabelSectorsToRead", QStringLiteral("Number of sectors to read at once:"), 102);
  DriveEditSectorsToRead = Make<TWholeNumberEdit>(p, "DriveEditSectorsToRead");
  DriveEditSectorsToRead->setGeometry(kFieldX, 102, 90, 23);
  DriveEditSectorsToRead->SetBounds(TAdvancedParams::kSectorsToReadBounds.Min,
                                    TAdvancedParams::kSectorsToReadBounds.Max);
  DriveLabelSectorsNote = Note(p, "DriveLabelSectorsNote",
                               QStringLiteral("Increase this number for better performance."),
                               QRect(24, 130, kNoteWidth, 18));
  DriveLabelRetryCount->setBuddy(DriveEditRetryCount);
  DriveLabelSectorsToRead->setBuddy(DriveEditSectorsToRead);
}

void TAdvancedParamsForm::CreateAdvancedPage() {
  QWidget* p = AdvancedTabSheet;
  AdvancedCheckBoxExpertMode = Make<QCheckBox>(p, "AdvancedCheckBoxExpertMode", QStringLiteral("Expert mode"));
  AdvancedCheckBoxExpertMode->setGeometry(12, 12, 440, 20);
  AdvancedLabelExpertNote =
      Note(p, "AdvancedLabelExpertNote",
           QStringLiteral("Allow editing of internal recovery script. Use this option if you know binary file format "
                          "you wish to rescue."),
           QRect(32, 38, 420, 52));
  AdvancedCheckBoxTrimFiles =
      Make<QCheckBox>(p, "AdvancedCheckBoxTrimFiles", QStringLiteral("End each file where its recording ends"));
  AdvancedCheckBoxTrimFiles->setGeometry(12, 96, 440, 20);
  AdvancedLabelTrimNote =
      Note(p, "AdvancedLabelTrimNote",
           QStringLiteral("Files of formats whose end Quillot can read are written only to the end of the recording; "
                          "the sectors after it are skipped. Other files run to the next start as before."),
           QRect(32, 122, 420, 60));
  // Set under the trimming box, since only a trimming pass sees where a recording's stream breaks.
  AdvancedCheckBoxReassemble =
      Make<QCheckBox>(p, "AdvancedCheckBoxReassemble", QStringLiteral("Put recordings stored in pieces back together"));
  AdvancedCheckBoxReassemble->setGeometry(32, 194, 420, 20);
  AdvancedLabelReassembleNote =
      Note(p, "AdvancedLabelReassembleNote",
           QStringLiteral("Looks up to 64 MB ahead for the piece that continues a recording; only while files end "
                          "where their recordings end."),
           QRect(52, 220, 400, 40));
  connect(AdvancedCheckBoxTrimFiles, &QCheckBox::toggled, this, &TAdvancedParamsForm::AdvancedCheckBoxTrimFilesToggled);
}

void TAdvancedParamsForm::AdvancedCheckBoxTrimFilesToggled(bool checked) {
  params_.TrimFiles = checked;
  // The box keeps its tick while it is off, so ticking trimming again brings the choice back.
  AdvancedCheckBoxReassemble->setEnabled(params_.ReassembleOffered());
  AdvancedLabelReassembleNote->setEnabled(params_.ReassembleOffered());
}

void TAdvancedParamsForm::CreateLanguagePage() {
  QWidget* p = LanguageTabSheet;
  LanguageImage = Make<QLabel>(p, "LanguageImage");
  LanguageImage->setPixmap(LanguagePagePicture(48));
  LanguageImage->setGeometry(12, 12, 48, 48);
  LanguageLabelLanguage = Label(p, "LanguageLabelLanguage", QStringLiteral("Language:"), QRect(76, 14, 90, 24));
  LanguageSelectComboBox = Make<QComboBox>(p, "LanguageSelectComboBox");
  LanguageSelectComboBox->setEditable(false);
  LanguageSelectComboBox->setGeometry(172, 14, 220, 24);
  LanguageLabelLanguage->setBuddy(LanguageSelectComboBox);
  LanguageLabelNote = Label(p, "LanguageLabelNote",
                            QStringLiteral("NOTE: After changing interface language program should be restarted."),
                            QRect(76, 54, 376, 36), true);
  QFont bold = LanguageLabelNote->font();
  bold.setBold(true);
  LanguageLabelNote->setFont(bold);
  LanguageLabelHelp = Label(p, "LanguageLabelHelp",
                            QStringLiteral("Please press F1 button to get more information about localization of "
                                           "your program copy."),
                            QRect(76, 98, 376, 36), true);
}

void TAdvancedParamsForm::CreateButtons() {
  const int y = kClientHeight - 8 - kButtonHeight;
  const int helpX = kClientWidth - 8 - kButtonWidth;
  ButtonOk = Make<QPushButton>(this, "ButtonOk", QStringLiteral("&OK"));
  ButtonOk->setGeometry(helpX - 2 * (kButtonWidth + 8), y, kButtonWidth, kButtonHeight);
  ButtonOk->setDefault(true);
  ButtonCancel = Make<QPushButton>(this, "ButtonCancel", QStringLiteral("&Cancel"));
  ButtonCancel->setGeometry(helpX - kButtonWidth - 8, y, kButtonWidth, kButtonHeight);
  ButtonCancel->setAutoDefault(false);
  ButtonHelp = Make<QPushButton>(this, "ButtonHelp", QStringLiteral("&Help"));
  ButtonHelp->setGeometry(helpX, y, kButtonWidth, kButtonHeight);
  ButtonHelp->setAutoDefault(false);

  connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ButtonHelp, &QPushButton::clicked, this, &TAdvancedParamsForm::ButtonHelpClick);
}

void TAdvancedParamsForm::ButtonHelpClick() { PressHelpKey(this); }

void TAdvancedParamsForm::Apply() {
  TAdvancedParams chosen = params_;
  chosen.RetryCount = DriveEditRetryCount->Value();
  chosen.SectorsToRead = DriveEditSectorsToRead->Value();
  chosen.ExpertMode = AdvancedCheckBoxExpertMode->isChecked();
  chosen.TrimFiles = AdvancedCheckBoxTrimFiles->isChecked();
  chosen.Reassemble = AdvancedCheckBoxReassemble->isChecked();
  chosen.Language = LanguageSelectComboBox->currentIndex();
  chosen.Apply();
}

bool ShowAdvancedParameters(int page, QWidget* parent) {
  TAdvancedParamsForm form(parent);
  form.MainPageControl->setCurrentIndex(page);
  if (parent) form.move(parent->geometry().center() - form.rect().center());
  if (form.exec() != QDialog::Accepted) return false;
  form.Apply();
  return true;
}

}  // namespace quillot::gui
