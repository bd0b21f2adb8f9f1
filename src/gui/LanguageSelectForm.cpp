#include "gui/LanguageSelectForm.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <utility>

#include "app/VersionInfo.h"
#include "gui/AboutForm.h"
#include "gui/HelpKey.h"
#include "gui/LanguagePictures.h"
#include "gui/MakeControl.h"
#include "gui/QtText.h"
#include "wizard/VersionLine.h"

namespace quillot::gui {

namespace {
constexpr int kClientWidth = 358;
constexpr int kClientHeight = 302;
constexpr int kTopHeight = 65;
constexpr int kBottomHeight = 41;

QFrame* Line(QWidget* parent, const char* name, int y) {
  auto* f = Make<QFrame>(parent, name);
  f->setFrameShape(QFrame::HLine);
  f->setFrameShadow(QFrame::Sunken);
  f->setGeometry(0, y, kClientWidth, 2);
  return f;
}

QWidget* Band(QWidget* parent, const char* name, QRect geometry, const QColor& colour) {
  auto* band = Make<QWidget>(parent, name);
  band->setGeometry(geometry);
  QPalette pal = band->palette();
  pal.setColor(QPalette::Window, colour);
  band->setPalette(pal);
  band->setAutoFillBackground(true);
  return band;
}
}  // namespace

TLanguageSelectForm::TLanguageSelectForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("LanguageSelectForm"));
  setWindowTitle(QStringLiteral("Please select preferred language"));
  // A dialog border without any title-bar buttons: the choice is made with OK.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  // The light 3D colour: between the buttons' face and their white highlight edge.
  QPalette pal = palette();
  const QColor face = pal.color(QPalette::Button), edge = pal.color(QPalette::Light);
  pal.setColor(QPalette::Window, QColor((face.red() + edge.red()) / 2, (face.green() + edge.green()) / 2,
                                        (face.blue() + edge.blue()) / 2));
  setPalette(pal);
  setAutoFillBackground(true);

  PanelTop = Band(this, "PanelTop", QRect(0, 0, kClientWidth, kTopHeight), Qt::white);
  LabelBrantwick = Make<QLabel>(PanelTop, "LabelBrantwick", QStringLiteral("Brantwick"));
  QFont bold = LabelBrantwick->font();
  bold.setBold(true);
  LabelBrantwick->setFont(bold);
  LabelBrantwick->setGeometry(14, 8, 200, 18);
  LabelProgramName = Make<QLabel>(PanelTop, "LabelProgramName", ToQ(ProductName));
  QFont big = bold;
  big.setPointSizeF(bold.pointSizeF() * 1.6);
  LabelProgramName->setFont(big);
  LabelProgramName->setGeometry(14, 26, 190, 32);
  LabelProgramVersion = Make<QLabel>(PanelTop, "LabelProgramVersion");
  LabelProgramVersion->setGeometry(150, 38, kClientWidth - 150 - 14, 18);
  LabelProgramVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Line(this, "Bevel1", kTopHeight);

  LanguageListView = Make<QTreeWidget>(this, "LanguageListView");
  LanguageListView->setGeometry(29, kTopHeight + 12, 300, kClientHeight - kTopHeight - kBottomHeight - 24);
  LanguageListView->setFrameShape(QFrame::NoFrame);
  LanguageListView->setHeaderLabels({QStringLiteral("Language")});
  LanguageListView->header()->hide();
  LanguageListView->setColumnWidth(0, 300);
  LanguageListView->setRootIsDecorated(false);
  LanguageListView->setItemsExpandable(false);
  LanguageListView->setUniformRowHeights(true);
  LanguageListView->setIconSize(QSize(16, 16));
  LanguageListView->setSelectionMode(QAbstractItemView::SingleSelection);
  LanguageListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LanguageListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The choice stays marked while the buttons have the focus.
  QPalette listPal = LanguageListView->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    listPal.setColor(QPalette::Inactive, role, listPal.color(QPalette::Active, role));
  LanguageListView->setPalette(listPal);

  Line(this, "Bevel2", kClientHeight - kBottomHeight - 2);
  PanelBottom = Make<QWidget>(this, "PanelBottom");
  PanelBottom->setGeometry(0, kClientHeight - kBottomHeight, kClientWidth, kBottomHeight);
  OkButton = Make<QPushButton>(PanelBottom, "OkButton", QStringLiteral("&OK"));
  OkButton->setGeometry(kClientWidth - 2 * 75 - 8 - 12, 8, 75, 25);
  OkButton->setDefault(true);
  HelpButton = Make<QPushButton>(PanelBottom, "HelpButton", QStringLiteral("Help"));
  HelpButton->setGeometry(kClientWidth - 75 - 12, 8, 75, 25);
  HelpButton->setAutoDefault(false);

  // The entries: the built-in texts first, then the language files as the folder lists them.
  choice_ = TLanguageChoice::Load();
  const QList<QPixmap>& pictures = LanguagePictures();
  for (const TLanguageChoice::TEntry& entry : choice_.Entries) {
    auto* item = new QTreeWidgetItem(LanguageListView, QStringList(ToQ(entry.Text)));
    item->setIcon(0, pictures[entry.Picture]);
  }
  LanguageListView->clearSelection();
  QTreeWidgetItem* chosen = LanguageListView->topLevelItem(choice_.Preselected);
  LanguageListView->setCurrentItem(chosen);
  chosen->setSelected(true);
  LanguageListView->setFocus();

  LabelProgramVersion->setText(ToQ(VersionLine()));
  LabelProgramName->setText(ToQ(ProductName));

  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(HelpButton, &QPushButton::clicked, this, &TLanguageSelectForm::HelpButtonClick);
  connect(LanguageListView, &QTreeWidget::itemDoubleClicked, this, &TLanguageSelectForm::LanguageListViewDblClick);

  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
}

void TLanguageSelectForm::LanguageListViewDblClick(QTreeWidgetItem*) { OkButton->click(); }

void TLanguageSelectForm::HelpButtonClick() { PressHelpKey(this); }

void TLanguageSelectForm::Apply() {
  const QList<QTreeWidgetItem*> selected = LanguageListView->selectedItems();
  choice_.Apply(selected.isEmpty() ? 0 : LanguageListView->indexOfTopLevelItem(selected.first()));
}

void ShowLanguageSelection() {
  TLanguageSelectForm form;
  if (form.exec() == QDialog::Accepted) form.Apply();
}

}  // namespace quillot::gui
