// The review window: every file of a pass with its verdict, how it decodes, a waveform, a map of the
// medium, and Play/Stop. Decoding runs in the background once the window is open, after the pass.
#pragma once

#include <QWidget>
#include <vector>

#include "gui/ReviewModel.h"

class QLabel;
class QPushButton;
class QSlider;
class QSortFilterProxyModel;
class QTableView;

namespace quillot::gui {

class TDecodeQueue;
class TMediumMapWidget;
class TReviewPlayer;
class TWaveformDelegate;

class TReviewWindow : public QWidget {
  Q_OBJECT
 public:
  // The files of sectors [firstSector, endSector); decoder is the decoder program ("" for none), by
  // default the one beside this program.
  TReviewWindow(std::vector<TReviewFile> files, uint64_t firstSector, uint64_t endSector, QWidget* parent = nullptr,
                const QString* decoder = nullptr);
  ~TReviewWindow() override;

  TReviewModel& Model() { return *model_; }
  TDecodeQueue& Decoder() { return *queue_; }
  TReviewPlayer& Player() { return *player_; }
  // The model row of the selected table row, or -1.
  int SelectedFile() const;
  void SelectFile(int file);
  // The rows as the table shows them now, cell texts in column order (tests compare them).
  QList<QStringList> ShownRows() const;

  TMediumMapWidget* ReviewMap;
  QTableView* ReviewTable;
  QPushButton* ReviewButtonPlay;
  QPushButton* ReviewButtonStop;
  QSlider* ReviewSliderPosition;
  QLabel* ReviewLabelPosition;
  QPushButton* ReviewButtonShowFolder;
  QPushButton* ReviewButtonClose;
  QLabel* ReviewLabelPlayError;

 public slots:
  void ReviewButtonPlayClick();
  void ReviewButtonStopClick();
  void ReviewButtonShowFolderClick();

 private:
  void CheckState();
  void ShowPosition(double seconds);

  TReviewModel* model_;
  QSortFilterProxyModel* proxy_;
  TWaveformDelegate* waveform_;
  TDecodeQueue* queue_;
  TReviewPlayer* player_;
  bool sliderHeld_ = false;
};

}  // namespace quillot::gui
