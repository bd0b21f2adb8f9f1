// Window texts from the loaded language file: each window's section holds keys built from the window's
// and its controls' object names ("MainForm.ButtonNext.Caption").
#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "gui/WindowTexts.h"

class QObject;
class QWidget;

namespace quillot::gui {

// Sets a component's "Caption" or "Hint" to value when value is not empty and the component has such a
// text: a window's title, a label's or button's text, a group box's title, a page's tab caption, or a
// property of that name; a hint is the tool tip. Otherwise does nothing.
void SetComponentText(QObject* component, const QString& property, const QString& value);

// Replaces the texts of every window of the list and of the controls it owns from LanguageFile; does
// nothing when no language file is loaded. Null entries are skipped.
void TranslateForms(const QList<QWidget*>& windows);

// When set, TranslateForms tells it each window it is about to translate and the texts it will look up,
// as built in at that moment (the checks over the shipped language files listen here).
extern std::function<void(QWidget* window, const QList<TWindowText>& texts)> TranslateFormsWatcher;

}  // namespace quillot::gui
