// Messages of the wizard that core does not produce. Each is a language-file key (section "Misc")
// with its built-in English text, used through Tr() like every other message.
#pragma once

#include <vector>

#include "i18n/Messages.h"

namespace quillot::gui {

// The source drive's device refuses us for lack of rights; %s is the device or image file.
inline constexpr TMessage strNoReadPermission{
    "strNoReadPermission",
    "Quillot may not read %s. Start Quillot with administrator rights (for example with sudo), or make an "
    "image of the card first and add the image with \"Add image...\"."};
// The source drive cannot be opened for another reason; %s is the system's reason.
inline constexpr TMessage strCannotOpenDrive{"strCannotOpenDrive", "The drive cannot be read: %s"};
// The caption of the "Add image..." file picker and its filter.
inline constexpr TMessage strAddImageCaption{"strAddImageCaption", "Add Disk Image"};
inline constexpr TMessage strAddImageFilter{"strAddImageFilter",
                                            "Disk images (*.img *.bin *.raw *.dd *.iso);;All files (*)"};
// A device we may not read that the system may open for us (udisks2) once the user agrees; %s is the device.
inline constexpr TMessage strNoAccessAskOnStart{
    "strNoAccessAskOnStart",
    "Quillot may not read %s by itself. Press Start: the system asks for your password and then lets Quillot "
    "read it."};
// The system did not let us read the device when asked (the password prompt was declined).
inline constexpr TMessage strAccessNotGiven{"strAccessNotGiven", "The system did not let Quillot read %s."};
// The Progress page's status once Stop is pressed: the pass ends when the chunk in hand is read.
inline constexpr TMessage strStopping{"strStopping", "Stopping after this chunk"};

// The wizard's own messages above.
std::span<const TMessage> AllGuiMessages();
// Every message of the program: the core's (AllMessages()) and the wizard's own. Checks over the
// language files take the list from here.
std::vector<TMessage> AllProgramMessages();

}  // namespace quillot::gui
