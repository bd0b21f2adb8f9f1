// Messages of the Qt windows that the wizard's core does not produce. Each is a language-file key (section "Misc")
// with its built-in English text, used through Tr() like every other message.
#pragma once

#include <vector>

#include "i18n/Messages.h"
#include "wizard/WizardMessages.h"

namespace quillot::gui {

// The caption of the "Add image..." file picker and its filter.
inline constexpr TMessage strAddImageCaption{"strAddImageCaption", "Add Disk Image"};
inline constexpr TMessage strAddImageFilter{"strAddImageFilter",
                                            "Disk images (*.img *.bin *.raw *.dd *.iso);;All files (*)"};

// The review window: the decoder's answers, its columns and its complaints.
inline constexpr TMessage strDecodeNotChecked{"strDecodeNotChecked", "not checked"};
inline constexpr TMessage strDecodeWaiting{"strDecodeWaiting", "waiting"};
inline constexpr TMessage strDecodeChecking{"strDecodeChecking", "checking..."};
inline constexpr TMessage strDecodePlaysToEnd{"strDecodePlaysToEnd", "plays to the end"};
// %s is the playing time where decoding failed ("0:03.2").
inline constexpr TMessage strDecodeBreaksAt{"strDecodeBreaksAt", "breaks at %s"};
inline constexpr TMessage strDecodeNoAudio{"strDecodeNoAudio", "no audio"};
inline constexpr TMessage strDecodeCrashed{"strDecodeCrashed", "decoder crashed"};
inline constexpr TMessage strDecodeTimedOut{"strDecodeTimedOut", "decoder timed out"};
inline constexpr TMessage strDecodeFileMissing{"strDecodeFileMissing", "file not found"};
inline constexpr TMessage strReviewColumns{"strReviewColumns",
                                           "Name|Format|Verdict|Decoding|Duration|Size|First sector|Waveform"};
// The map's hint over a file: its name, first and last sector and verdict.
inline constexpr TMessage strMapFileHint{"strMapFileHint", "%s: sectors %s to %s, %s"};
inline constexpr TMessage strMapUnreadableHint{"strMapUnreadableHint", "Unreadable sector %s"};
// quillot --review: %s is the report file, then the reason.
inline constexpr TMessage strReviewCannotRead{"strReviewCannotRead", "The report %s cannot be read: %s"};
inline constexpr TMessage strReviewNotAReport{"strReviewNotAReport", "%s is not a report of recovered files: %s"};
// A report that breaks a bound (gui/ReviewReport.h), the reason given to strReviewNotAReport: the first %s is
// the row (from 1), the second the field's key as the report names it, the last the bound.
inline constexpr TMessage strReviewRowLacks{"strReviewRowLacks", "row %s lacks \"%s\""};
inline constexpr TMessage strReviewBadNumber{"strReviewBadNumber", "row %s: \"%s\" is not a whole number from 0 to %s"};
inline constexpr TMessage strReviewBadSeconds{"strReviewBadSeconds",
                                              "row %s: \"%s\" is not a number of seconds from 0 to %s"};
inline constexpr TMessage strReviewBadText{"strReviewBadText", "row %s: \"%s\" is not a text of at most %s characters"};
inline constexpr TMessage strReviewBadYesNo{"strReviewBadYesNo", "row %s: \"%s\" is neither true nor false"};
inline constexpr TMessage strReviewBadSectors{"strReviewBadSectors",
                                              "row %s: \"%s\" does not list sectors of the file"};
inline constexpr TMessage strReviewTooManySectors{"strReviewTooManySectors",
                                                  "row %s: \"%s\" lists more than %s sectors"};
inline constexpr TMessage strReviewTooManyPieces{"strReviewTooManyPieces", "row %s: \"%s\" lists more than %s pieces"};
// The whole report: %s is the bound.
inline constexpr TMessage strReviewTooManyRows{"strReviewTooManyRows", "it lists more than %s files"};
inline constexpr TMessage strReviewTooLarge{"strReviewTooLarge", "it is larger than %s bytes"};
// The decoding column of a report's file the window does not open (decode/OpenToDecode.h); %s is one of
// the three reasons after it.
inline constexpr TMessage strDecodeRefused{"strDecodeRefused", "not opened: %s"};
inline constexpr TMessage strRefusedOutside{"strRefusedOutside", "outside the report's folder"};
inline constexpr TMessage strRefusedLink{"strRefusedLink", "a symbolic link"};
inline constexpr TMessage strRefusedNotRegular{"strRefusedNotRegular", "not a regular file"};
// Playback failed; %s is the reason.
inline constexpr TMessage strPlayFailed{"strPlayFailed", "The file cannot be played: %s"};
inline constexpr TMessage strPlayNoDecoder{"strPlayNoDecoder", "this copy of Quillot has no decoder"};

// The wizard's own messages above.
std::span<const TMessage> AllGuiMessages();
// Every message of the program: the core's (AllMessages()), the wizard core's (AllWizardMessages()) and
// the windows' own. Checks over the
// language files take the list from here.
std::vector<TMessage> AllProgramMessages();

}  // namespace quillot::gui
