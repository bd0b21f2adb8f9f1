// The Progress and Finish pages as the wizard fills them: the start-sector field, the bar, the log, the
// busy animation, and the Finish page's lines laid out under one another.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>

#include "gui/BusyAnimation.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/SectorEdit.h"

namespace quillot::gui {

namespace {
// Where the Finish page's buttons stand when the lines above them are short, and how far the page lets
// them and what follows them move down.
constexpr int kFinishButtonsTop = 146;
constexpr int kFinishRoomBelow = 24;
}  // namespace

void TMainForm::SetStartSectorBounds(uint64_t min, uint64_t max) { ProgressStartSectorSpinEdit->SetBounds(min, max); }

uint64_t TMainForm::StartSector() const { return ProgressStartSectorSpinEdit->Value(); }

void TMainForm::SetStartSector(uint64_t sector) { ProgressStartSectorSpinEdit->SetValue(sector); }

void TMainForm::SetProgress(int percent) {
  // The bar would repaint itself at once; it is painted with the labels instead, in one go.
  ProgressBar->setUpdatesEnabled(false);
  ProgressBar->setValue(percent);
  ProgressBar->setUpdatesEnabled(true);
}

void TMainForm::AppendLog(const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << ToQ(line);
  ProgressMemoLog->appendPlainText(text.join(QLatin1Char('\n')));
  ProgressMemoLog->verticalScrollBar()->setValue(ProgressMemoLog->verticalScrollBar()->maximum());
}

void TMainForm::SetBusy(bool busy) {
  if (busy) {
    ProgressAnimate->show();
    ProgressAnimate->Start();
  } else {
    ProgressAnimate->Stop();
    ProgressAnimate->hide();
  }
}

void TMainForm::ArrangeFinishPage() {
  // The verdicts stand right under the count unless the starts line takes that row.
  const bool starts = !FinishLabelStarts->text().isEmpty();
  FinishLabelVerdicts->move(FinishLabelStarts->x(),
                            starts ? FinishLabelStarts->geometry().bottom() + 3 : FinishLabelStarts->y());
  // Each takes the rows its words need, the line of pieces right under the verdicts.
  FinishLabelVerdicts->setFixedHeight(FinishLabelVerdicts->heightForWidth(FinishLabelVerdicts->width()));
  FinishLabelPieces->move(FinishLabelVerdicts->x(), FinishLabelVerdicts->geometry().bottom() + 3);
  FinishLabelPieces->setFixedHeight(FinishLabelPieces->heightForWidth(FinishLabelPieces->width()));
  const bool pieces = !FinishLabelPieces->text().isEmpty();
  FinishLabelStopped->move(FinishLabelPieces->x(),
                           pieces ? FinishLabelPieces->geometry().bottom() + 3 : FinishLabelPieces->y());
  FinishLabelStopped->setFixedHeight(std::max(0, FinishLabelStopped->heightForWidth(FinishLabelStopped->width())));
  // The buttons and all below them move down as far as the lines above need, within the page.
  const int last = (!FinishLabelStopped->text().isEmpty() ? FinishLabelStopped
                    : pieces                              ? FinishLabelPieces
                                                          : FinishLabelVerdicts)
                       ->geometry()
                       .bottom();
  const int shift = std::clamp(last + 6 - kFinishButtonsTop, 0, kFinishRoomBelow);
  struct TPlace {
    const char* name;
    int y;
  };
  for (const TPlace& place :
       {TPlace{"FinishButtonExplore", 146}, TPlace{"FinishButtonReview", 146}, TPlace{"FinishBevel1", 182},
        TPlace{"FinishLabel3", 196}, TPlace{"FinishButtonFeedback", 254}, TPlace{"FinishLabel4", 288}})
    if (auto* w = TabSheetFinish->findChild<QWidget*>(QString::fromLatin1(place.name)))
      w->move(w->x(), place.y + shift);
}

}  // namespace quillot::gui
