#include "gui/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QTreeWidget>
#include <unistd.h>
#include <utility>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "drive/DriveTable.h"
#include "gui/AboutForm.h"
#include "gui/AdvancedParamsForm.h"
#include "gui/DriveProblem.h"
#include "gui/ExecuteFile.h"
#include "gui/FolderPicker.h"
#include "gui/HelpKey.h"
#include "gui/LanguageSelectForm.h"
#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "gui/QtTranslations.h"
#include "gui/ReviewWindow.h"
#include "gui/SectorEdit.h"
#include "gui/TranslateForms.h"
#include "gui/TypesTreeView.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "platform/ProgramFolder.h"

namespace quillot::gui {

TMainForm::TMainForm(char preferredDrive, QWidget* parent)
    : QWidget(parent),
      destination_(std::make_unique<TDiskDestination>()),
      pass_(std::make_unique<TRecoveryPass>(*this, *destination_)),
      preferredDrive_(preferredDrive) {
  CreateControls();
  // The first start asks for the language before any text is taken from a language file.
  if (GlobalFirstStart) ShowLanguageSelection();
  // The language file the setting names; the window's own texts come from it.
  if (!GlobalLanguage.empty()) {
    LanguageFile = LoadLanguageFile(GlobalLanguage);
    TranslateForms({this});
  }
  FollowLanguageInQtTexts();
  SetActivePage(kStartPage);
  FillDrivesList();
  DestinationFolderEdit->setText(ToQ(RecoveryTargetFolder));
  setWindowTitle(WindowCaption());
  Image1->setPixmap(SidePicture());
  ImageListIcons = {CategoryImage()};
  TypesTreeView->SetStateImages(CheckImages());
  TypesCheckBoxShowAdvanced->setChecked(false);
  TypesCheckBoxShowAdvancedClick();
  ReloadFileFormats();
  TypesCheckBoxShowAdvanced->setVisible(RecoveryAdvancedMode);
  DrivesListPending = true;
  // The first start ends with the quick start, which the caller opens once the window exists.

  // Esc presses Close while Close is enabled.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (ButtonClose->isEnabled()) ButtonClose->click();
  });
  // Enter presses Next while Next is enabled, whichever control has the focus; Space presses the focused button.
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter = new QShortcut(QKeySequence(key), this);
    connect(enter, &QShortcut::activated, this, [this] {
      if (ButtonNext->isEnabled()) ButtonNext->click();
    });
  }
  connect(PageControlMain, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == kStartPage) StartTabSheetShow();
  });
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
}

TMainForm::~TMainForm() = default;

QString TMainForm::WindowCaption() const { return ToQ(ProductName + " " + Tr(strVer) + " " + ProductVersion); }

void TMainForm::SetDestination(std::unique_ptr<TDestination> destination) {
  if (Running() || !destination) return;
  // The pass holds a reference to the output, so it is made anew around the new one.
  const bool passDone = pass_->PassDone;
  destination_ = std::move(destination);
  pass_ = std::make_unique<TRecoveryPass>(*this, *destination_);
  pass_->PassDone = passDone;
}

int TMainForm::ActivePage() const { return PageControlMain->currentIndex(); }

void TMainForm::SetActivePage(int index) { PageControlMain->setCurrentIndex(index); }

void TMainForm::ButtonNextClick() {
  if (!Running() && ActivePage() < kFinishPage) SetActivePage(ActivePage() + 1);
  CheckState();
}

void TMainForm::ButtonBackClick() {
  if (!Running() && ActivePage() > kStartPage) SetActivePage(ActivePage() - 1);
  CheckState();
}

void TMainForm::CheckState() {
  const int page = ActivePage();
  switch (page) {
    case kStartPage:
      ButtonBack->setEnabled(false);
      ButtonNext->setEnabled(true);
      ButtonClose->setEnabled(true);
      break;
    case kTypesPage:
    case kDestinationPage:
      ButtonBack->setEnabled(true);
      ButtonNext->setEnabled(true);
      ButtonClose->setEnabled(true);
      break;
    case kProgressPage: {
      QString folder = DestinationFolderEdit->text();
      if (!folder.endsWith(QLatin1Char(PathDelim))) folder += QLatin1Char(PathDelim);
      RecoveryTargetFolder = FromQ(folder);
      if (Running()) {
        ButtonBack->setEnabled(false);
        ButtonNext->setEnabled(false);
        ButtonClose->setEnabled(false);
        ProgressButtonStart->setEnabled(false);
        ProgressButtonStop->setEnabled(!StopRequested());
      } else {
        ButtonBack->setEnabled(true);
        ButtonNext->setEnabled(PassDone());
        ButtonClose->setEnabled(true);
        ProgressButtonStart->setEnabled(true);
        ProgressButtonStop->setEnabled(false);
      }
      break;
    }
    case kFinishPage:
      ButtonBack->setEnabled(true);
      ButtonNext->setEnabled(false);
      ButtonClose->setEnabled(true);
      break;
    default: break;
  }

  // The drive layer serves one read at a time, and a slow read lets events run between its transfers:
  // while a pass runs nothing else may reach it, so the pages that choose drives and formats are off
  // and the drive is not asked again.
  for (QWidget* page : {StartTabSheet, TypesTabSheet, DestinationTabSheet}) page->setEnabled(!Running());
  if (DriveLetter != '?' && DriveLetter != '\0' && !Running()) {
    QString status;
    if (GetDriveParams(DriveNumber, DriveParams)) {
      status = ToQ(Tr(strReady));
      ProgressStartSectorSpinEdit->SetBounds(0, DriveParams.TotalPhysSec);
      ProgressLabelDriveProblem->clear();
    } else if (DriveAccessMayBeAsked(DriveLetter)) {
      // Start stays as the page has it: the pass asks the system for access.
      status = ToQ(Tr(strNoAccess));
      ProgressStartSectorSpinEdit->SetBounds(0, 0);
      ProgressLabelDriveProblem->setText(DriveProblem());
    } else {
      status = ToQ(Tr(strNotReady));
      ProgressStartSectorSpinEdit->SetBounds(0, 0);
      ProgressButtonStart->setEnabled(false);
      ProgressLabelDriveProblem->setText(DriveProblem());
    }
    ProgressLabelTotalSectors->setText(QString::number(DriveParams.TotalPhysSec));
    ProgressLabelDestinationFolder->setText(QString(QLatin1Char(DriveLetter)) + QStringLiteral(":\\ (") + status +
                                            QLatin1Char(')'));
  }
  // Every file closed was reported; a start whose file could not be created was not.
  FinishLabel2->setText(QString::number(FilesWritten()));
  const QString starts = StartsLine();
  FinishLabelStarts->setText(starts);
  FinishLabelStarts->setHidden(starts.isEmpty());
  // The verdicts stand right under the count unless the starts line takes that row.
  FinishLabelVerdicts->move(FinishLabelStarts->x(),
                            starts.isEmpty() ? FinishLabelStarts->y() : FinishLabelStarts->geometry().bottom() + 3);
  FinishLabelVerdicts->setText(VerdictLine());
  // Each takes the rows its words need, the line of pieces right under the verdicts.
  FinishLabelVerdicts->setFixedHeight(FinishLabelVerdicts->heightForWidth(FinishLabelVerdicts->width()));
  FinishLabelPieces->setText(PiecesLine());
  FinishLabelPieces->move(FinishLabelVerdicts->x(), FinishLabelVerdicts->geometry().bottom() + 3);
  FinishLabelPieces->setFixedHeight(FinishLabelPieces->heightForWidth(FinishLabelPieces->width()));
  FinishButtonReview->setEnabled(FilesWritten() > 0 && !Running());
}

QString TMainForm::DriveProblem() const { return DriveProblemOf(DriveLetter); }

void TMainForm::ButtonCloseClick() { close(); }

void TMainForm::ButtonHelpClick() { PressHelpKey(this); }

void TMainForm::StartButtonAdvParamsClick() {
  // Only the check box's visibility follows expert mode; its state and the advanced controls stay.
  if (ShowAdvancedParameters(0, this)) TypesCheckBoxShowAdvanced->setVisible(RecoveryAdvancedMode);
}

void TMainForm::ButtonAboutClick() {
  TAboutForm about(this);
  about.exec();
}

void TMainForm::LabelWebSiteClick() { ExecuteFile(QString::fromLatin1(kHomePage), QString()); }

void TMainForm::FinishButtonExploreClick() {
  ExecuteFile(QString::fromLatin1(kFileExplorer), ToQ(RecoveryTargetFolder));
}

TReviewWindow* TMainForm::ReviewWindow() const { return review_; }

void TMainForm::FinishButtonReviewClick() {
  if (passFiles_.empty()) return;
  // One review at a time: a second click brings the open one forward.
  if (!review_) {
    std::vector<TReviewFile> files;
    for (const TRecoveredFile& f : passFiles_) {
      files.emplace_back();
      files.back().File = f;
    }
    review_ = new TReviewWindow(std::move(files), first_, std::max(total_, first_ + 1), this);
    review_->setAttribute(Qt::WA_DeleteOnClose);
  }
  review_->show();
  review_->raise();
  review_->activateWindow();
}

void TMainForm::FinishButtonFeedbackClick() { ExecuteFile(QString::fromLatin1(kFeedbackPage), QString()); }

void TMainForm::DestinationFolderBrowseClick() {
  const QString chosen = DestinationFolderDialog->Execute(this, DestinationFolderEdit->text());
  if (!chosen.isEmpty()) DestinationFolderEdit->setText(chosen);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (Running()) {
    // The pass ends at its next chunk boundary; the window closes when it has closed its file.
    closeAfterPass_ = true;
    pass_->RequestStop();
    event->ignore();
    return;
  }
  event->accept();
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (ActivePage() == kStartPage) StartTabSheetShow();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LabelWebSite) {
    QFont f = LabelWebSite->font();
    switch (event->type()) {
      case QEvent::Enter:
      case QEvent::HoverMove:
        if (!f.underline()) {
          f.setUnderline(true);
          LabelWebSite->setFont(f);
        }
        break;
      case QEvent::Leave:
        f.setUnderline(false);
        LabelWebSite->setFont(f);
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) LabelWebSiteClick();
        break;
      default: break;
    }
  } else if (watched == StartListViewDrives->viewport()) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      // The release that ends a double click belongs to the double click, which has moved on.
      if (std::exchange(releaseEndsDoubleClick_, false)) return QWidget::eventFilter(watched, event);
      // A click beside every item leaves no item focused, and so no drive chosen.
      if (!StartListViewDrives->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        fillingDrives_ = true;
        StartListViewDrives->setCurrentItem(nullptr);
        StartListViewDrives->clearSelection();
        fillingDrives_ = false;
      }
      StartListViewDrivesClick();
    } else if (event->type() == QEvent::MouseButtonDblClick &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      releaseEndsDoubleClick_ = true;
      // The press of the double click focuses the row under it, as any press does.
      if (QTreeWidgetItem* item = StartListViewDrives->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        StartListViewDrives->setCurrentItem(item);
        item->setSelected(true);
      }
      ButtonNextClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quillot::gui
