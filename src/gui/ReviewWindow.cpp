#include "gui/ReviewWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "decode/DecodeCheck.h"
#include "gui/DecodeQueue.h"
#include "gui/ExecuteFile.h"
#include "gui/MakeControl.h"
#include "gui/MediumMapWidget.h"
#include "gui/QtText.h"
#include "gui/ReviewPlayer.h"
#include "gui/TranslateForms.h"
#include "gui/WaveformDelegate.h"

namespace quillot::gui {

TReviewWindow::TReviewWindow(std::vector<TReviewFile> files, uint64_t firstSector, uint64_t endSector, QWidget* parent,
                             const QString* decoder)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("ReviewWindow"));
  setWindowTitle(QStringLiteral("Recovered Files"));
  const QString program = decoder ? *decoder : ToQ(decode::DecoderProgram());

  std::vector<TRecoveredFile> mapFiles;
  for (const TReviewFile& f : files) mapFiles.push_back(f.File);
  model_ = new TReviewModel(std::move(files), this);
  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(TReviewModel::kSortRole);

  ReviewMap = Make<TMediumMapWidget>(this, "ReviewMap");
  ReviewMap->SetMedium(firstSector, endSector, std::move(mapFiles));
  ReviewTable = Make<QTableView>(this, "ReviewTable");
  ReviewTable->setModel(proxy_);
  ReviewTable->setSortingEnabled(true);
  ReviewTable->sortByColumn(TReviewModel::kFirstSector, Qt::AscendingOrder);
  ReviewTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  ReviewTable->setSelectionMode(QAbstractItemView::SingleSelection);
  ReviewTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ReviewTable->verticalHeader()->hide();
  ReviewTable->verticalHeader()->setDefaultSectionSize(28);
  ReviewTable->horizontalHeader()->setStretchLastSection(true);
  waveform_ = new TWaveformDelegate(this);
  ReviewTable->setItemDelegateForColumn(TReviewModel::kWaveform, waveform_);
  ReviewTable->resizeColumnsToContents();

  ReviewButtonPlay = Make<QPushButton>(this, "ReviewButtonPlay", QStringLiteral("&Play"));
  ReviewButtonStop = Make<QPushButton>(this, "ReviewButtonStop", QStringLiteral("&Stop"));
  ReviewSliderPosition = Make<QSlider>(this, "ReviewSliderPosition", Qt::Horizontal);
  ReviewLabelPosition = Make<QLabel>(this, "ReviewLabelPosition", QStringLiteral("0:00.0"));
  MarkAsFixedText(ReviewLabelPosition);
  ReviewLabelPosition->setMinimumWidth(
      ReviewLabelPosition->fontMetrics().horizontalAdvance(QStringLiteral("000:00.0")));
  ReviewButtonShowFolder = Make<QPushButton>(this, "ReviewButtonShowFolder", QStringLiteral("Show in &Folder"));
  ReviewButtonClose = Make<QPushButton>(this, "ReviewButtonClose", QStringLiteral("&Close"));
  ReviewLabelPlayError = Make<QLabel>(this, "ReviewLabelPlayError", QString());
  MarkAsFixedText(ReviewLabelPlayError);
  ReviewLabelPlayError->setStyleSheet(QStringLiteral("color: #a01010;"));
  ReviewLabelPlayError->setWordWrap(true);

  auto* controls = new QHBoxLayout;
  controls->addWidget(ReviewButtonPlay);
  controls->addWidget(ReviewButtonStop);
  controls->addWidget(ReviewSliderPosition, 1);
  controls->addWidget(ReviewLabelPosition);
  controls->addSpacing(12);
  controls->addWidget(ReviewButtonShowFolder);
  controls->addWidget(ReviewButtonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ReviewMap);
  layout->addWidget(ReviewTable, 1);
  layout->addWidget(ReviewLabelPlayError);
  layout->addLayout(controls);
  resize(900, 520);

  queue_ = new TDecodeQueue(program, this);
  player_ = new TReviewPlayer(program, this);
  connect(queue_, &TDecodeQueue::Started, this,
          [this](int row) { model_->SetState(row, TReviewFile::TState::Checking); });
  connect(queue_, &TDecodeQueue::Answered, this, [this](int row, const decode::TDecodeReport& report) {
    model_->SetDecode(row, report);
    // The decoder's words and the durations are wider than the waiting rows were.
    ReviewTable->resizeColumnToContents(TReviewModel::kDecode);
    ReviewTable->resizeColumnToContents(TReviewModel::kDuration);
    CheckState();
  });
  if (!program.isEmpty())
    for (int row = 0; row < model_->rowCount(); ++row) {
      const TReviewFile& f = model_->File(row);
      // A report's rows keep the decoder's words they came with; a file that is gone is not asked about.
      if (f.State != TReviewFile::TState::NotChecked || !f.ReportedDecode.isEmpty()) continue;
      model_->SetState(row, TReviewFile::TState::Waiting);
      queue_->Add(row, f.File.Path, f.File.StreamEnd, f.Folder);
    }

  connect(ReviewMap, &TMediumMapWidget::FileClicked, this, &TReviewWindow::SelectFile);
  connect(ReviewTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
    ReviewMap->SetSelected(SelectedFile());
    CheckState();
  });
  connect(ReviewButtonPlay, &QPushButton::clicked, this, &TReviewWindow::ReviewButtonPlayClick);
  connect(ReviewButtonStop, &QPushButton::clicked, this, &TReviewWindow::ReviewButtonStopClick);
  connect(ReviewButtonShowFolder, &QPushButton::clicked, this, &TReviewWindow::ReviewButtonShowFolderClick);
  connect(ReviewButtonClose, &QPushButton::clicked, this, &QWidget::close);
  connect(ReviewSliderPosition, &QSlider::sliderPressed, this, [this] { sliderHeld_ = true; });
  connect(ReviewSliderPosition, &QSlider::sliderReleased, this, [this] {
    sliderHeld_ = false;
    // A jump while playing restarts the file at the slider's place.
    const int file = SelectedFile();
    if (player_->Playing() && file >= 0)
      player_->Play(ToQ(model_->File(file).File.Path), model_->File(file).File.StreamEnd,
                    ReviewSliderPosition->value() / 10.0, model_->File(file).Folder);
  });
  connect(player_, &TReviewPlayer::PositionChanged, this, &TReviewWindow::ShowPosition);
  connect(player_, &TReviewPlayer::Finished, this, &TReviewWindow::CheckState);
  connect(player_, &TReviewPlayer::Failed, this, [this](const QString& reason) {
    ReviewLabelPlayError->setText(reason);
    CheckState();
  });

  TranslateForms({this});
  if (model_->rowCount() > 0) SelectFile(0);
  CheckState();
}

TReviewWindow::~TReviewWindow() = default;

int TReviewWindow::SelectedFile() const {
  const QModelIndex current = ReviewTable->selectionModel()->currentIndex();
  return current.isValid() ? proxy_->mapToSource(current).row() : -1;
}

void TReviewWindow::SelectFile(int file) {
  if (file < 0 || file >= model_->rowCount()) return;
  const QModelIndex index = proxy_->mapFromSource(model_->index(file, 0));
  ReviewTable->selectionModel()->setCurrentIndex(index,
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ReviewTable->scrollTo(index);
}

QList<QStringList> TReviewWindow::ShownRows() const {
  QList<QStringList> rows;
  for (int r = 0; r < proxy_->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < TReviewModel::kWaveform; ++c) cells << proxy_->index(r, c).data().toString();
    rows << cells;
  }
  return rows;
}

void TReviewWindow::CheckState() {
  const int file = SelectedFile();
  // A file the window will not open is neither played nor shown.
  const bool refused = file >= 0 && model_->File(file).State == TReviewFile::TState::Refused;
  ReviewButtonPlay->setEnabled(file >= 0 && !refused);
  ReviewButtonStop->setEnabled(player_->Playing());
  ReviewButtonShowFolder->setEnabled(file >= 0 && !refused && !model_->File(file).File.Path.empty());
  double seconds = 0;
  if (file >= 0) {
    const TReviewFile& f = model_->File(file);
    seconds = f.State == TReviewFile::TState::Answered ? f.Decode.Seconds : std::max(0.0, f.ReportedSeconds);
  }
  ReviewSliderPosition->setRange(0, static_cast<int>(seconds * 10));
  if (!player_->Playing()) ShowPosition(0);
}

void TReviewWindow::ShowPosition(double seconds) {
  if (!sliderHeld_) ReviewSliderPosition->setValue(static_cast<int>(seconds * 10));
  ReviewLabelPosition->setText(TReviewModel::DurationText(seconds));
}

void TReviewWindow::ReviewButtonPlayClick() {
  const int file = SelectedFile();
  if (file < 0 || model_->File(file).State == TReviewFile::TState::Refused) return;
  ReviewLabelPlayError->clear();
  const TRecoveredFile& f = model_->File(file).File;
  player_->Play(ToQ(f.Path), f.StreamEnd, ReviewSliderPosition->value() / 10.0, model_->File(file).Folder);
  CheckState();
}

void TReviewWindow::ReviewButtonStopClick() {
  player_->Stop();
  CheckState();
}

void TReviewWindow::ReviewButtonShowFolderClick() {
  const int file = SelectedFile();
  if (file < 0 || model_->File(file).State == TReviewFile::TState::Refused) return;
  ExecuteFile(QString::fromLatin1(kFileExplorer),
              QFileInfo(ToQ(model_->File(file).File.Path)).absolutePath() + QLatin1Char('/'));
}

}  // namespace quillot::gui
