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

// The wizard's own messages above.
std::span<const TMessage> AllWizardMessages();

}  // namespace quillot
