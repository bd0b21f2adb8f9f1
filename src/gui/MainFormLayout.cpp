// The wizard's controls and where they stand, in pixels at 96 dots per inch.
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "gui/BusyAnimation.h"
#include "gui/ExecuteFile.h"
#include "gui/FolderPicker.h"
#include "gui/MainForm.h"
#include "gui/MakeControl.h"
#include "gui/SectorEdit.h"
#include "gui/TranslateForms.h"
#include "gui/TypesTreeView.h"

namespace quillot::gui {

namespace {
constexpr int kClientWidth = 584;
constexpr int kClientHeight = 392;
constexpr int kPictureWidth = 135;
constexpr int kBottomHeight = 40;
constexpr int kPageWidth = kClientWidth - kPictureWidth;
constexpr int kPageHeight = kClientHeight - kBottomHeight - 2;

QLabel* Label(QWidget* parent, const char* name, const QString& text, QRect geometry, bool wrap = false) {
  auto* l = Make<QLabel>(parent, name, text);
  l->setGeometry(geometry);
  l->setWordWrap(wrap);
  if (wrap) l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return l;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* b = Make<QPushButton>(parent, name, text);
  b->setGeometry(geometry);
  b->setAutoDefault(false);
  return b;
}

QFrame* Line(QWidget* parent, const char* name, QRect geometry) {
  auto* f = Make<QFrame>(parent, name);
  f->setFrameShape(QFrame::HLine);
  f->setFrameShadow(QFrame::Sunken);
  f->setGeometry(geometry);
  return f;
}

QWidget* Page(QTabWidget* tabs, const char* name, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  tabs->addTab(page, caption);
  return page;
}

QFont Bold(QFont f) {
  f.setBold(true);
  return f;
}
}  // namespace

void TMainForm::CreateControls() {
  setObjectName(QStringLiteral("MainForm"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);

  Image1 = Make<QLabel>(this, "Image1");
  Image1->setGeometry(0, 0, kPictureWidth, kClientHeight - kBottomHeight);
  Image1->setScaledContents(false);

  PageControlMain = Make<QTabWidget>(this, "PageControlMain");
  PageControlMain->setGeometry(kPictureWidth, 0, kPageWidth, kPageHeight);
  PageControlMain->setDocumentMode(true);
  // The tabs lie outside the window: pages change only through Back and Next.
  PageControlMain->tabBar()->hide();
  // Its focus would go to the hidden tab bar, where Tab, coming round past Help, would stop.
  PageControlMain->setFocusPolicy(Qt::NoFocus);

  StartTabSheet = Page(PageControlMain, "StartTabSheet", QStringLiteral("Start"));
  TypesTabSheet = Page(PageControlMain, "TypesTabSheet", QStringLiteral("Types"));
  DestinationTabSheet = Page(PageControlMain, "DestinationTabSheet", QStringLiteral("Destination"));
  TabSheetProgress = Page(PageControlMain, "TabSheetProgress", QStringLiteral("Progress"));
  TabSheetFinish = Page(PageControlMain, "TabSheetFinish", QStringLiteral("Finish"));
  CreateStartPage();
  CreateTypesPage();
  CreateDestinationPage();
  CreateProgressPage();
  CreateFinishPage();
  CreateBottomBar();
}

void TMainForm::CreateStartPage() {
  QWidget* p = StartTabSheet;
  Label(p, "StartLabel1", QStringLiteral("Select the drive letter of your card reader, digital device or hard drive:"),
        QRect(8, 8, 433, 28), true);
  StartListViewDrives = Make<QTreeWidget>(p, "StartListViewDrives");
  MarkAsListView(StartListViewDrives);
  StartListViewDrives->setGeometry(8, 40, 425, 236);
  StartListViewDrives->setRootIsDecorated(false);
  StartListViewDrives->setItemsExpandable(false);
  StartListViewDrives->setUniformRowHeights(true);
  StartListViewDrives->setAllColumnsShowFocus(true);
  StartListViewDrives->setSelectionMode(QAbstractItemView::SingleSelection);
  StartListViewDrives->setSelectionBehavior(QAbstractItemView::SelectRows);
  StartListViewDrives->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StartListViewDrives->header()->setSectionsClickable(false);
  StartListViewDrives->header()->setSectionsMovable(false);
  // Status takes what the other columns leave, so translated status words have room.
  StartListViewDrives->header()->setStretchLastSection(true);
  StartListViewDrives->setHeaderLabels({QStringLiteral("Drive"), QStringLiteral("Type"), QStringLiteral("Total Space"),
                                        QStringLiteral("S/N"), QStringLiteral("Status")});
  const int widths[] = {90, 70, 100, 70, 70};
  for (int i = 0; i < 5; ++i) StartListViewDrives->setColumnWidth(i, widths[i]);
  StartListViewDrives->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  // Clicks anywhere in the list, on an item or not, choose the drive.
  StartListViewDrives->viewport()->installEventFilter(this);

  StartButtonRescan = Button(p, "StartButtonRescan", QStringLiteral("Rescan"), QRect(8, 284, 75, 25));
  StartButtonAddImage = Button(p, "StartButtonAddImage", QStringLiteral("Add image..."), QRect(90, 284, 95, 25));
  StartButtonAddImage->setToolTip(QStringLiteral("Add a disk-image file as a drive"));
  StartButtonAdvParams =
      Button(p, "StartButtonAdvParams", QStringLiteral("Advanced Parameters..."), QRect(288, 284, 145, 25));
  Label(p, "StartLabel2", QStringLiteral("Click Next to continue..."), QRect(8, 322, 300, 18));

  connect(StartButtonRescan, &QPushButton::clicked, this, &TMainForm::StartButtonRescanClick);
  connect(StartButtonAddImage, &QPushButton::clicked, this, &TMainForm::StartButtonAddImageClick);
  connect(StartButtonAdvParams, &QPushButton::clicked, this, &TMainForm::StartButtonAdvParamsClick);
  // The keyboard moves the focused item too; the choice follows it as it follows a click.
  connect(StartListViewDrives, &QTreeWidget::currentItemChanged, this, [this] {
    if (!fillingDrives_ && !wizard_.DrivesListPending) StartListViewDrivesClick();
  });
}

void TMainForm::CreateTypesPage() {
  QWidget* p = TypesTabSheet;
  Label(p, "TypesLabel1", QStringLiteral("Select file types what should be searched and reconstructed:"),
        QRect(8, 8, 433, 28), true);
  TypesTreeView = Make<TTypesTreeView>(p, "TypesTreeView");
  TypesTreeView->setGeometry(8, 40, 425, 273);
  TypesAdvButtonAdd = Button(p, "TypesAdvButtonAdd", QStringLiteral("Add..."), QRect(358, 40, 75, 23));
  TypesAdvButtonModify = Button(p, "TypesAdvButtonModify", QStringLiteral("Modify..."), QRect(358, 72, 75, 23));
  TypesAdvButtonDelete = Button(p, "TypesAdvButtonDelete", QStringLiteral("Delete..."), QRect(358, 104, 75, 23));
  // The tree, when wide, covers the buttons: they are made first so that it lies above them.
  TypesTreeView->raise();
  TypesCheckBoxShowAdvanced = Make<QCheckBox>(p, "TypesCheckBoxShowAdvanced", QStringLiteral("Show advanced controls"));
  TypesCheckBoxShowAdvanced->setGeometry(8, 318, 220, 20);
  Label(p, "TypesLabel2", QStringLiteral("Click Next to continue..."), QRect(250, 320, 183, 18))
      ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  connect(TypesTreeView, &TTypesTreeView::Clicked, this, &TMainForm::TypesTreeViewClick);
  connect(TypesTreeView, &TTypesTreeView::SpacePressed, this, &TMainForm::TypesTreeViewSpaceKey);
  connect(TypesCheckBoxShowAdvanced, &QCheckBox::clicked, this, &TMainForm::TypesCheckBoxShowAdvancedClick);
  connect(TypesAdvButtonAdd, &QPushButton::clicked, this, &TMainForm::TypesAdvButtonAddClick);
  connect(TypesAdvButtonModify, &QPushButton::clicked, this, &TMainForm::TypesAdvButtonModifyClick);
  connect(TypesAdvButtonDelete, &QPushButton::clicked, this, &TMainForm::TypesAdvButtonDeleteClick);
}

void TMainForm::CreateDestinationPage() {
  QWidget* p = DestinationTabSheet;
  Label(p, "DestinationLabel1", QStringLiteral("Specify a target folder where the recovered files will be saved:"),
        QRect(8, 8, 433, 28), true);
  DestinationFolderEdit = Make<QLineEdit>(p, "DestinationFolderEdit");
  DestinationFolderEdit->setGeometry(8, 40, 340, 25);
  DestinationFolderBrowse = Button(p, "DestinationFolderBrowse", QStringLiteral("Browse..."), QRect(356, 40, 77, 25));
  DestinationFolderDialog = new TFolderPicker(this);
  DestinationFolderDialog->setObjectName(QStringLiteral("DestinationFolderDialog"));
  auto* warning = Label(p, "DestinationLabel2",
                        QStringLiteral("Never try to save recovered files on the same logical disk where they have "
                                       "been located, or you may obtain unpredictable results and lose all your "
                                       "data!"),
                        QRect(8, 84, 425, 60), true);
  warning->setFont(Bold(warning->font()));
  warning->setStyleSheet(QStringLiteral("color: #a00000;"));
  Label(p, "DestinationLabel3", QStringLiteral("Click Next to continue..."), QRect(8, 322, 300, 18));

  connect(DestinationFolderBrowse, &QPushButton::clicked, this, &TMainForm::DestinationFolderBrowseClick);
}

void TMainForm::CreateProgressPage() {
  QWidget* p = TabSheetProgress;
  const int captionX = 8, captionW = 124, valueX = 134, valueW = 150;
  int y = 8;
  auto row = [&](const char* captionName, const QString& caption, const char* valueName, const QString& value) {
    Label(p, captionName, caption, QRect(captionX, y, captionW, 18));
    QLabel* v = Label(p, valueName, value, QRect(valueX, y, valueW, 18));
    y += 22;
    return v;
  };
  ProgressLabelDestinationFolder =
      row("ProgressLabelDrive", QStringLiteral("Drive:"), "ProgressLabelDestinationFolder", QStringLiteral("?:\\"));
  ProgressLabelDestinationFolder->setFont(Bold(ProgressLabelDestinationFolder->font()));
  ProgressLabelTotalSectors =
      row("ProgressLabelTotal", QStringLiteral("Total sectors:"), "ProgressLabelTotalSectors", QStringLiteral("0"));
  Label(p, "ProgressLabelStartSector", QStringLiteral("Start from sector:"), QRect(captionX, y + 2, captionW, 18));
  ProgressStartSectorSpinEdit = Make<TSectorEdit>(p, "ProgressStartSectorSpinEdit");
  ProgressStartSectorSpinEdit->setGeometry(valueX, y, 110, 23);
  y += 30;
  ProgressLabelCurSector =
      row("ProgressLabelCurrent", QStringLiteral("Current sector:"), "ProgressLabelCurSector", QStringLiteral("0"));
  ProgressLabelFilesFound =
      row("ProgressLabelFiles", QStringLiteral("Files found:"), "ProgressLabelFilesFound", QStringLiteral("0"));
  ProgressLabelReadErrors =
      row("ProgressLabelErrors", QStringLiteral("Read errors:"), "ProgressLabelReadErrors", QStringLiteral("0"));
  ProgressLabelStatus =
      row("ProgressLabelState", QStringLiteral("Status:"), "ProgressLabelStatus", QStringLiteral("Idle"));
  // "Stopping after this chunk" and its translations need more than a counter's width.
  ProgressLabelStatus->resize(433 - valueX, ProgressLabelStatus->height());
  // The drive and the counters are filled in by the pass; the status is a word and translates.
  for (QLabel* value : {ProgressLabelDestinationFolder, ProgressLabelTotalSectors, ProgressLabelCurSector,
                        ProgressLabelFilesFound, ProgressLabelReadErrors})
    MarkAsFixedText(value);

  ProgressAnimate = Make<TBusyAnimation>(p, "ProgressAnimate");
  ProgressAnimate->setGeometry(385, 8, 48, 48);
  ProgressAnimate->hide();
  // The pass's clock, beside the counters, shown while a pass runs: the drive problem that shares the
  // room is shown only while no pass can run.
  int clockY = 82;
  auto clockRow = [&](const char* captionName, const QString& caption, const char* valueName) {
    QLabel* c = Label(p, captionName, caption, QRect(292, clockY, 76, 18));
    QLabel* v = Label(p, valueName, QString(), QRect(370, clockY, 63, 18));
    MarkAsFixedText(v);
    c->hide();
    v->hide();
    clockY += 22;
    return v;
  };
  ProgressLabelElapsedTime = clockRow("ProgressLabelElapsed", QStringLiteral("Elapsed:"), "ProgressLabelElapsedTime");
  ProgressLabelSpeedValue = clockRow("ProgressLabelSpeed", QStringLiteral("Speed:"), "ProgressLabelSpeedValue");
  ProgressLabelTimeLeft = clockRow("ProgressLabelLeft", QStringLiteral("Time left:"), "ProgressLabelTimeLeft");
  // Shown only while no pass can run, when the counters beside it are short: it takes their right part.
  ProgressLabelDriveProblem = Label(p, "ProgressLabelDriveProblem", QString(), QRect(250, 60, 183, 120), true);
  ProgressLabelDriveProblem->setStyleSheet(QStringLiteral("color: #a00000;"));
  // The recovered files the destination already holds, said in the same room before Start.
  ProgressLabelExistingFiles = Label(p, "ProgressLabelExistingFiles", QString(), QRect(250, 60, 183, 120), true);
  MarkAsFixedText(ProgressLabelExistingFiles);
  ProgressLabelExistingFiles->hide();

  ProgressBar = Make<QProgressBar>(p, "ProgressBar");
  ProgressBar->setGeometry(8, 184, 425, 18);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);

  ProgressMemoLog = Make<QPlainTextEdit>(p, "ProgressMemoLog");
  ProgressMemoLog->setGeometry(8, 208, 425, 104);
  ProgressMemoLog->setReadOnly(true);
  ProgressMemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);

  ProgressButtonStart = Button(p, "ProgressButtonStart", QStringLiteral("Start"), QRect(8, 318, 75, 25));
  ProgressButtonStop = Button(p, "ProgressButtonStop", QStringLiteral("Stop"), QRect(90, 318, 75, 25));
  ProgressButtonStop->setEnabled(false);

  connect(ProgressButtonStart, &QPushButton::clicked, this, &TMainForm::ProgressButtonStartClick);
  connect(ProgressButtonStop, &QPushButton::clicked, this, &TMainForm::ProgressButtonStopClick);
}

void TMainForm::CreateFinishPage() {
  QWidget* p = TabSheetFinish;
  FinishLabel1 = Label(p, "FinishLabel1", QStringLiteral("You have recovered files:"), QRect(8, 12, 200, 20));
  FinishLabel2 = Label(p, "FinishLabel2", QStringLiteral("0"), QRect(210, 12, 120, 20));
  FinishLabel2->setFont(Bold(FinishLabel2->font()));
  MarkAsFixedText(FinishLabel2);
  // Shown only when fewer files were written than starts found; the verdicts then move a row down.
  FinishLabelStarts = Label(p, "FinishLabelStarts", QString(), QRect(8, 34, 425, 20));
  MarkAsFixedText(FinishLabelStarts);
  FinishLabelStarts->hide();
  // The verdicts, and under them the files in pieces or those holding bytes after their end: each up to two
  // rows, wrapped.
  FinishLabelVerdicts = Label(p, "FinishLabelVerdicts", QString(), QRect(8, 34, 425, 40), true);
  MarkAsFixedText(FinishLabelVerdicts);
  FinishLabelPieces = Label(p, "FinishLabelPieces", QString(), QRect(8, 77, 425, 40), true);
  MarkAsFixedText(FinishLabelPieces);
  // A pass that was stopped: where to go on from.
  FinishLabelStopped = Label(p, "FinishLabelStopped", QString(), QRect(8, 100, 425, 40), true);
  MarkAsFixedText(FinishLabelStopped);
  FinishButtonExplore =
      Button(p, "FinishButtonExplore", QStringLiteral("Explore Recovered Files"), QRect(8, 146, 190, 27));
  FinishButtonReview =
      Button(p, "FinishButtonReview", QStringLiteral("Review Recovered Files..."), QRect(206, 146, 190, 27));
  Line(p, "FinishBevel1", QRect(8, 182, 425, 4));
  Label(p, "FinishLabel3",
        QStringLiteral("We appreciate if you write one-two lines about the files you have recovered. We post this "
                       "information on our web site for others people view."),
        QRect(8, 196, 425, 52), true);
  FinishButtonFeedback =
      Button(p, "FinishButtonFeedback", QStringLiteral("Send your feedback to us!"), QRect(8, 254, 190, 27));
  Label(p, "FinishLabel4", QStringLiteral("The button opens the Brantwick web site in your web browser."),
        QRect(8, 288, 425, 36), true);

  connect(FinishButtonExplore, &QPushButton::clicked, this, &TMainForm::FinishButtonExploreClick);
  connect(FinishButtonReview, &QPushButton::clicked, this, &TMainForm::FinishButtonReviewClick);
  connect(FinishButtonFeedback, &QPushButton::clicked, this, &TMainForm::FinishButtonFeedbackClick);
}

void TMainForm::CreateBottomBar() {
  Line(this, "Bevel1", QRect(0, kClientHeight - kBottomHeight - 2, kClientWidth, 2));
  PanelBottom = Make<QWidget>(this, "PanelBottom");
  PanelBottom->setGeometry(0, kClientHeight - kBottomHeight, kClientWidth, kBottomHeight);
  QWidget* p = PanelBottom;
  ButtonAbout = Button(p, "ButtonAbout", QStringLiteral("About"), QRect(8, 8, 75, 25));
  LabelWebSite = Label(p, "LabelWebSite", QStringLiteral("www.brantwick.example"), QRect(90, 12, 150, 18));
  MarkAsFixedText(LabelWebSite);
  LabelWebSite->setCursor(Qt::PointingHandCursor);
  LabelWebSite->setStyleSheet(QStringLiteral("color: #1a4f9c;"));
  LabelWebSite->setAttribute(Qt::WA_Hover);
  LabelWebSite->installEventFilter(this);
  ButtonBack = Button(p, "ButtonBack", QStringLiteral("< &Back"), QRect(260, 8, 75, 25));
  ButtonNext = Button(p, "ButtonNext", QStringLiteral("&Next >"), QRect(335, 8, 75, 25));
  ButtonClose = Button(p, "ButtonClose", QStringLiteral("&Close"), QRect(418, 8, 75, 25));
  ButtonHelp = Button(p, "ButtonHelp", QStringLiteral("&Help"), QRect(501, 8, 75, 25));
  ButtonBack->setEnabled(false);

  connect(ButtonAbout, &QPushButton::clicked, this, &TMainForm::ButtonAboutClick);
  connect(ButtonBack, &QPushButton::clicked, this, &TMainForm::ButtonBackClick);
  connect(ButtonNext, &QPushButton::clicked, this, &TMainForm::ButtonNextClick);
  connect(ButtonClose, &QPushButton::clicked, this, &TMainForm::ButtonCloseClick);
  connect(ButtonHelp, &QPushButton::clicked, this, &TMainForm::ButtonHelpClick);
}

}  // namespace quillot::gui
