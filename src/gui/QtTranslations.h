// Qt's own texts (the standard buttons of message boxes, the file picker) in the language of the loaded
// language file, from Qt's translations (qtbase_<code>.qm) where they are installed. A language file is
// known by its name: "German.lng" (or "Deutsch.lng") is in German.
#pragma once

#include <QLocale>
#include <optional>
#include <string_view>

namespace quillot::gui {

// The locale a language setting names by its language's English or own name ("German.lng", "DUTCH.lng",
// "Nederlands.lng"), or none for English, an empty setting or a name that is no language.
std::optional<QLocale> LocaleOfLanguage(std::string_view setting);

// Makes Qt's own texts follow the current language: while a language file is loaded, Qt's translation
// for the language GlobalLanguage names is in use; otherwise none is. Cheap when nothing changed.
// Answers whether a translation is in use.
bool FollowLanguageInQtTexts();

}  // namespace quillot::gui
