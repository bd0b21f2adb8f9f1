// One row of the review window: a file of a pass, or of an earlier pass's report, with what the decoder
// made of it. QtCore alone, so the report's reader (gui/ReviewReport.h) needs no more.
#pragma once

#include <QString>
#include <string>

#include "decode/DecodeReport.h"
#include "decode/OpenToDecode.h"
#include "engine/RecoveryView.h"

namespace quillot::gui {

struct TReviewFile {
  TRecoveredFile File;
  // Refused: a report named a file the window will not open (Refusal says why); it is neither decoded nor
  // played.
  enum class TState { NotChecked, Waiting, Checking, Answered, Missing, Refused };
  TState State = TState::NotChecked;
  decode::TFileRefusal Refusal = decode::TFileRefusal::None;
  decode::TDecodeReport Decode;
  // A row from a report: the decoder's words and the duration as the report gave them.
  QString ReportedDecode;
  double ReportedSeconds = -1;
  // The folder the file must lie in, links resolved, to be decoded or played: a report's own folder; ""
  // for a file of the pass the wizard ran.
  std::string Folder;
};

}  // namespace quillot::gui
