// The texts of a window that a language file may replace, each with the key it is found under in the
// window's section ("MainForm.ButtonNext.Caption"). TranslateForms and the checks over the shipped
// language files both walk a window through here, so the keys the one reads are the keys the other checks.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>

#include "wizard/FormTexts.h"

class QObject;
class QWidget;

namespace quillot::gui {

struct TWindowText {
  enum TKind { kCaption, kHint, kLine, kItem, kColumn };
  QPointer<QObject> Component;  // the window itself for its caption
  TKind Kind;
  int Index;  // line, item or column; 0 otherwise
  QString Key;
  // The text built in when the walk is made; empty when there is nothing to translate (no text, or a
  // control marked as showing data rather than words).
  QString Text;
};

// The kind of a text as the wizard's core names it (wizard/FormTexts.h).
TFormTextKind FormTextKindOf(TWindowText::TKind kind);

// Marks a tree widget as a list view, whose column captions take "Columns[i].Caption" keys.
void MarkAsListView(QObject* listView);

// Marks a control whose text is data (a number, a drive, a name or an address the program fills in), not
// words: its built-in text asks for no translation. A language file may still set it.
void MarkAsFixedText(QObject* component);

// Whether component takes a "Caption": a window's title, a label's or button's text, a group box's
// title, a page's tab caption, or a property of that name.
bool TakesCaption(const QObject* component);
QString CaptionOf(const QObject* component);
// Sets the caption of a component that takes one.
void SetCaption(QObject* component, const QString& value);

// Every text of window and of the named controls it owns (not those of another window inside it), in
// the order they are looked up: the window's caption, then control by control in the order they were
// made its Caption, Hint, memo lines, combo items and list-view column captions. Only lines, items and
// columns that exist now are listed.
QList<TWindowText> TranslatableTexts(QWidget* window);

}  // namespace quillot::gui
