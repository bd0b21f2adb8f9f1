// Messages of the wizard that the pass does not produce. Each is a language-file key (section "Misc") with
// its built-in English text, used through Tr() like every other message.
#pragma once

#include <span>

#include "i18n/Messages.h"

namespace quillot {

// The source drive's device refuses us for lack of rights; %s is the device or image file.
inline constexpr TMessage strNoReadPermission{
    "strNoReadPermission",
    "Quillot may not read %s. Start Quillot with administrator rights (for example with sudo), or make an "
    "image of the card first and add the image with \"Add image...\"."};
// The source drive cannot be opened for another reason; %s is the system's reason.
inline constexpr TMessage strCannotOpenDrive{"strCannotOpenDrive", "The drive cannot be read: %s"};
// A device we may not read that the system may open for us (udisks2) once the user agrees; %s is the device.
inline constexpr TMessage strNoAccessAskOnStart{
    "strNoAccessAskOnStart",
    "Quillot may not read %s by itself. Press Start: the system asks for your password and then lets Quillot "
    "read it."};
// The system did not let us read the device when asked (the password prompt was declined).
inline constexpr TMessage strAccessNotGiven{"strAccessNotGiven", "The system did not let Quillot read %s."};
// The Finish page, after a pass that did not trim: what ends each file where its recording ends.
inline constexpr TMessage strTrimmingEndsThem{"strTrimmingEndsThem", "trimming (Advanced)"};
// The Progress page's status once Stop is pressed: the pass ends when the chunk in hand is read.
inline constexpr TMessage strStopping{"strStopping", "Stopping after this chunk"};

// Start refuses a destination before anything is read; the first %s is the folder, the second the system's
// reason.
inline constexpr TMessage strDestinationNotCreated{"strDestinationNotCreated",
                                                   "The destination folder %s cannot be created: %s."};
inline constexpr TMessage strDestinationNotWritable{"strDestinationNotWritable",
                                                    "Recovered files cannot be written into %s: %s."};
// A pass that ended on a fatal error, said in a message once it has ended.
inline constexpr TMessage strPassEndedOnError{
    "strPassEndedOnError",
    "The recovery stopped on an error before the end of the drive; the log shows which file and why. The files "
    "recovered before it are kept."};
// The Progress page's status after a pass: how it ended.
inline constexpr TMessage strStatusFinished{"strStatusFinished", "Finished"};
inline constexpr TMessage strStatusStopped{"strStatusStopped", "Stopped"};
inline constexpr TMessage strStatusFailed{"strStatusFailed", "Stopped by an error"};
// The Progress page before Start, when the destination already holds recovered files; %s is how many.
inline constexpr TMessage strExistingFiles{
    "strExistingFiles", "The destination folder already holds %s recovered files; new files are numbered after them."};
// The Finish page after a pass that was stopped; %s is the sector to start again from.
inline constexpr TMessage strFinishStopped{
    "strFinishStopped", "The recovery was stopped before the end of the drive. To go on, start again from sector %s."};

// The wizard's own messages above.
std::span<const TMessage> AllWizardMessages();

}  // namespace quillot
