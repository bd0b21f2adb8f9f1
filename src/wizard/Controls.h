// The wizard's pages and the controls its rules change, by the component names the language files and
// help topics know them by: a front-end finds each control by its name.
#pragma once

#include <cstdint>

namespace quillot {

enum TWizardPage { kStartPage = 0, kTypesPage, kDestinationPage, kProgressPage, kFinishPage };

enum class TControl : uint8_t {
  ButtonBack,
  ButtonNext,
  ButtonClose,
  StartTabSheet,
  TypesTabSheet,
  DestinationTabSheet,
  TypesTreeView,
  TypesAdvButtonAdd,
  TypesAdvButtonModify,
  TypesAdvButtonDelete,
  TypesCheckBoxShowAdvanced,
  DestinationFolderEdit,
  ProgressLabelDestinationFolder,
  ProgressLabelTotalSectors,
  ProgressLabelDriveProblem,
  ProgressLabelExistingFiles,
  ProgressLabelCurSector,
  ProgressLabelFilesFound,
  ProgressLabelReadErrors,
  ProgressLabelStatus,
  ProgressLabelElapsed,
  ProgressLabelElapsedTime,
  ProgressLabelSpeed,
  ProgressLabelSpeedValue,
  ProgressLabelLeft,
  ProgressLabelTimeLeft,
  ProgressButtonStart,
  ProgressButtonStop,
  FinishLabel2,
  FinishLabelStarts,
  FinishLabelVerdicts,
  FinishLabelPieces,
  FinishLabelStopped,
  FinishButtonReview,
};
inline constexpr int kControlCount = static_cast<int>(TControl::FinishButtonReview) + 1;

// The component name of a control ("ButtonNext").
const char* ControlName(TControl control);

}  // namespace quillot
