// The wizard's own pictures, drawn when they are first needed: nothing is loaded from files.
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace quillot::gui {

// The side picture of the wizard, 135 x 352: a memory card with a sound wave coming back from it.
QPixmap SidePicture();
// The category image of the file-types tree (16 x 16): a folder with a note.
QIcon CategoryImage();
// The four check images of the file-types tree, 16 x 16 each: the ignored state (never shown), an
// empty box, a box with a tick, a grey box with a grey tick.
QList<QPixmap> CheckImages();
// One frame of the busy animation (a magnifier moving over a page), frame from 0 to frameCount-1.
QPixmap BusyFrame(int frame, int frameCount, int size);

}  // namespace quillot::gui
