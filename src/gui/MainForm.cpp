#include "gui/MainForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCollator>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QTreeWidget>
#include <utility>

#include "gui/AboutForm.h"
#include "gui/AdvancedParamsForm.h"
#include "gui/ExecuteFile.h"
#include "gui/FolderPicker.h"
#include "gui/FormatPropForm.h"
#include "gui/HelpKey.h"
#include "gui/LanguageSelectForm.h"
#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "gui/QtTranslations.h"
#include "gui/ReviewWindow.h"
#include "gui/TranslateForms.h"
#include "gui/TypesTreeView.h"

namespace quillot::gui {

TMainForm::TMainForm(char preferredDrive, QWidget* parent) : QWidget(parent), wizard_(*this, preferredDrive) {
  CreateControls();
  for (int i = 0; i < kControlCount; ++i) {
    controls_[static_cast<size_t>(i)] = findChild<QWidget*>(QString::fromLatin1(ControlName(static_cast<TControl>(i))));
    Q_ASSERT(controls_[static_cast<size_t>(i)]);
  }
  Image1->setPixmap(SidePicture());
  ImageListIcons = {CategoryImage()};
  TypesTreeView->SetStateImages(CheckImages());
  // A press on a format's or category's check image is the wizard's to spread.
  TypesTreeView->SetStateOfNode = [this](int node, int state) { wizard_.SetTypesState(node, state); };
  // Categories compare as the platform compares names, without regard to case.
  wizard_.CategoryOrder = {
      [](const std::string& a, const std::string& b) { return ToQ(a).compare(ToQ(b), Qt::CaseInsensitive) == 0; },
      [](const std::string& a, const std::string& b) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return collator.compare(ToQ(a), ToQ(b));
      }};
  wizard_.OnRefresh = [this](uint64_t sector) {
    if (OnRefresh) OnRefresh(sector);
  };
  TypesCheckBoxShowAdvanced->setChecked(false);
  wizard_.Create();
  FollowLanguageInQtTexts();

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

QString TMainForm::WindowCaption() const { return ToQ(wizard_.WindowCaption()); }
QString TMainForm::VerdictLine() const { return ToQ(wizard_.VerdictLine()); }
QString TMainForm::PiecesLine() const { return ToQ(wizard_.PiecesLine()); }
QString TMainForm::StartsLine() const { return ToQ(wizard_.StartsLine()); }

void TMainForm::ButtonHelpClick() { PressHelpKey(this); }

TReviewWindow* TMainForm::ReviewWindow() const { return review_; }

void TMainForm::FinishButtonReviewClick() {
  const std::vector<TRecoveredFile>& passFiles = wizard_.PassFiles();
  if (passFiles.empty()) return;
  // One review at a time: a second click brings the open one forward.
  if (!review_) {
    std::vector<TReviewFile> files;
    for (const TRecoveredFile& f : passFiles) {
      files.emplace_back();
      files.back().File = f;
    }
    const uint64_t first = wizard_.PassFirstSector();
    review_ = new TReviewWindow(std::move(files), first, std::max(wizard_.PassTotalSectors(), first + 1), this);
    review_->setAttribute(Qt::WA_DeleteOnClose);
  }
  review_->show();
  review_->raise();
  review_->activateWindow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (wizard_.MayClose())
    event->accept();
  else
    event->ignore();
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

// TWizardView.

void TMainForm::SetEnabled(TControl control, bool enabled) { Control(control)->setEnabled(enabled); }

void TMainForm::SetVisible(TControl control, bool visible) { Control(control)->setVisible(visible); }

void TMainForm::SetText(TControl control, const std::string& text) {
  QWidget* w = Control(control);
  if (auto* label = qobject_cast<QLabel*>(w))
    label->setText(ToQ(text));
  else if (auto* edit = qobject_cast<QLineEdit*>(w))
    edit->setText(ToQ(text));
  else if (auto* button = qobject_cast<QAbstractButton*>(w))
    button->setText(ToQ(text));
}

std::string TMainForm::Text(TControl control) const {
  QWidget* w = Control(control);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return FromQ(edit->text());
  if (auto* label = qobject_cast<QLabel*>(w)) return FromQ(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return FromQ(button->text());
  return {};
}

bool TMainForm::Checked(TControl control) const {
  auto* button = qobject_cast<QAbstractButton*>(Control(control));
  return button && button->isChecked();
}

void TMainForm::SetWidth(TControl control, int width) {
  QWidget* w = Control(control);
  w->resize(width, w->height());
}

void TMainForm::SetCaption(const std::string& caption) { setWindowTitle(ToQ(caption)); }

void TMainForm::ShowPage(TWizardPage page) { PageControlMain->setCurrentIndex(page); }

void TMainForm::ShowLanguageSelection() { gui::ShowLanguageSelection(); }

void TMainForm::TranslateWindow() { TranslateForms({this}); }

void TMainForm::ShowAbout() {
  TAboutForm about(this);
  about.exec();
}

bool TMainForm::ShowAdvancedParameters(int page) { return gui::ShowAdvancedParameters(page, this); }

bool TMainForm::EditFormat(TFormat& f) {
  return EditFormatProperties(f.Category, f.Title, f.Order, f.ScanBytes, f.Search, f.FilePrefix, f.TypeDescription,
                              f.FileExtension, this);
}

std::optional<std::string> TMainForm::PickFolder(const std::string& start) {
  const QString chosen = DestinationFolderDialog->Execute(this, ToQ(start));
  if (chosen.isEmpty()) return std::nullopt;
  return FromQ(chosen);
}

void TMainForm::OpenFile(const std::string& file, const std::string& parameters) {
  ExecuteFile(ToQ(file), ToQ(parameters));
}

void TMainForm::RequestAttention() {
  if (AskAttention) AskAttention(this);
}

void TMainForm::LetEventsRun() { QCoreApplication::processEvents(); }

}  // namespace quillot::gui
