// The pictures of the language choice, drawn when first needed: nothing is loaded from files.
#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

namespace quillot::gui {

// Numbers of the six 16 x 16 pictures of the language list.
enum TLanguagePicture {
  lpAnyLanguage = 0,  // a language file of any other name: a globe
  lpBuiltIn = 1,      // the built-in English texts: a program window with the English flag
  lpEnglish = 2,
  lpDutch = 3,
  lpRussian = 4,
  lpGerman = 5,
};

// The six pictures, in the order of TLanguagePicture.
const QList<QPixmap>& LanguagePictures();

// The picture of a language file's display name: the four flags by their exact English names, the
// globe for every other name.
TLanguagePicture LanguagePictureOf(const QString& displayName);

// A larger globe with a speech bubble, size x size, for the language page of the Advanced Parameters
// dialog.
QPixmap LanguagePagePicture(int size);

}  // namespace quillot::gui
