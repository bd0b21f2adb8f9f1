// The pictures of the language choice, drawn when first needed: nothing is loaded from files.
#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

#include "wizard/LanguageChoice.h"

namespace quillot::gui {

// The six 16 x 16 pictures, in the order of TLanguagePicture (wizard/LanguageChoice.h): a globe for any
// other language file, a program window with the English flag for the built-in texts, then the English,
// Dutch, Russian and German flags.
const QList<QPixmap>& LanguagePictures();

// A larger globe with a speech bubble, size x size, for the language page of the Advanced Parameters
// dialog.
QPixmap LanguagePagePicture(int size);

}  // namespace quillot::gui
