#include "gui/GuiMessages.h"

#include <array>

namespace quillot::gui {

namespace {
constexpr std::array kGui{
    strAddImageCaption,     strAddImageFilter,    strDecodeNotChecked, strDecodeWaiting,     strDecodeChecking,
    strDecodePlaysToEnd,    strDecodeBreaksAt,    strDecodeNoAudio,    strDecodeCrashed,     strDecodeTimedOut,
    strDecodeFileMissing,   strReviewColumns,     strMapFileHint,      strMapUnreadableHint, strReviewCannotRead,
    strReviewNotAReport,    strPlayFailed,        strPlayNoDecoder,    strReviewRowLacks,    strReviewBadNumber,
    strReviewBadSeconds,    strReviewBadText,     strReviewBadYesNo,   strReviewBadSectors,  strReviewTooManySectors,
    strReviewTooManyPieces, strReviewTooManyRows, strReviewTooLarge,   strDecodeRefused,     strRefusedOutside,
    strRefusedLink,         strRefusedNotRegular,
};
}  // namespace

std::span<const TMessage> AllGuiMessages() { return kGui; }

std::vector<TMessage> AllProgramMessages() {
  std::vector<TMessage> all(AllMessages().begin(), AllMessages().end());
  all.insert(all.end(), AllWizardMessages().begin(), AllWizardMessages().end());
  all.insert(all.end(), kGui.begin(), kGui.end());
  return all;
}

}  // namespace quillot::gui
