#include "gui/WindowTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVariant>
#include <QWidget>

namespace quillot::gui {

namespace {
const char* const kListViewProperty = "quillotListView";
const char* const kFixedTextProperty = "quillotFixedText";

// The tab widget a page belongs to, or null when the widget is no page.
QTabWidget* TabOwner(const QWidget* page, int& index) {
  for (QWidget* p = page->parentWidget(); p; p = p->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
      index = tabs->indexOf(const_cast<QWidget*>(page));
      return index >= 0 ? tabs : nullptr;
    }
  }
  return nullptr;
}

// Whether c is a component of window: not one of Qt's own helpers (unnamed, named "qt_...", or the
// scroll buttons inside a tab bar), and not part of another window inside it (a dialog made with it as
// parent).
bool OwnedBy(const QObject* c, const QWidget* window) {
  const QString name = c->objectName();
  if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) return false;
  if (auto* w = qobject_cast<const QWidget*>(c); w && w->isWindow()) return false;
  for (const QObject* p = c->parent(); p; p = p->parent()) {
    if (p == window) return true;
    if (qobject_cast<const QTabBar*>(p)) return false;
    if (auto* w = qobject_cast<const QWidget*>(p); w && w->isWindow()) return false;
  }
  return false;
}

QStringList MemoLines(const QPlainTextEdit* memo) {
  const QString text = memo->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void AddComponentTexts(QList<TWindowText>& out, QObject* c, const QString& window) {
  const bool fixed = c->property(kFixedTextProperty).toBool();
  const std::string form = window.toStdString(), component = c->objectName().toStdString();
  auto add = [&](TWindowText::TKind kind, int index, const QString& text) {
    const std::string key = FormTextKey(form, component, FormTextKindOf(kind), index);
    out.append({c, kind, index, QString::fromStdString(key), fixed ? QString() : text});
  };
  if (TakesCaption(c)) add(TWindowText::kCaption, 0, CaptionOf(c));
  if (auto* widget = qobject_cast<QWidget*>(c))
    add(TWindowText::kHint, 0, widget->toolTip());
  else if (c->property("Hint").isValid())
    add(TWindowText::kHint, 0, c->property("Hint").toString());

  if (auto* memo = qobject_cast<QPlainTextEdit*>(c)) {
    const QStringList lines = MemoLines(memo);
    for (int i = 0; i < lines.size(); ++i) add(TWindowText::kLine, i, lines[i]);
  } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
    for (int i = 0; i < combo->count(); ++i) add(TWindowText::kItem, i, combo->itemText(i));
  } else if (auto* list = qobject_cast<QTreeWidget*>(c); list && list->property(kListViewProperty).toBool()) {
    for (int i = 0; i < list->columnCount(); ++i) add(TWindowText::kColumn, i, list->headerItem()->text(i));
  }
}
}  // namespace

TFormTextKind FormTextKindOf(TWindowText::TKind kind) {
  switch (kind) {
    case TWindowText::kCaption: return TFormTextKind::Caption;
    case TWindowText::kHint: return TFormTextKind::Hint;
    case TWindowText::kLine: return TFormTextKind::Line;
    case TWindowText::kItem: return TFormTextKind::Item;
    case TWindowText::kColumn: return TFormTextKind::Column;
  }
  return TFormTextKind::Caption;
}

void MarkAsListView(QObject* listView) { listView->setProperty(kListViewProperty, true); }

void MarkAsFixedText(QObject* component) { component->setProperty(kFixedTextProperty, true); }

bool TakesCaption(const QObject* c) {
  auto* widget = qobject_cast<const QWidget*>(c);
  int index = -1;
  return (widget && widget->isWindow()) || qobject_cast<const QLabel*>(c) || qobject_cast<const QAbstractButton*>(c) ||
         qobject_cast<const QGroupBox*>(c) || (widget && TabOwner(widget, index)) || c->property("Caption").isValid();
}

QString CaptionOf(const QObject* c) {
  auto* widget = qobject_cast<const QWidget*>(c);
  int index = -1;
  if (widget && widget->isWindow()) return widget->windowTitle();
  if (auto* label = qobject_cast<const QLabel*>(c)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(c)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(c)) return group->title();
  if (QTabWidget* tabs = widget ? TabOwner(widget, index) : nullptr) return tabs->tabText(index);
  return c->property("Caption").toString();
}

void SetCaption(QObject* c, const QString& value) {
  auto* widget = qobject_cast<QWidget*>(c);
  int index = -1;
  if (widget && widget->isWindow()) {
    widget->setWindowTitle(value);
  } else if (auto* label = qobject_cast<QLabel*>(c)) {
    label->setText(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
    button->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(c)) {
    group->setTitle(value);
  } else if (QTabWidget* tabs = widget ? TabOwner(widget, index) : nullptr) {
    tabs->setTabText(index, value);
  } else if (c->property("Caption").isValid()) {
    c->setProperty("Caption", value);
  }
}

QList<TWindowText> TranslatableTexts(QWidget* window) {
  QList<TWindowText> out;
  if (!window) return out;
  const QString name = window->objectName();
  out.append({window, TWindowText::kCaption, 0,
              QString::fromStdString(FormTextKey(name.toStdString(), "", TFormTextKind::Caption)),
              window->windowTitle()});
  // The components the window owns, in the order they were made.
  for (QObject* c : window->findChildren<QObject*>())
    if (OwnedBy(c, window)) AddComponentTexts(out, c, name);
  return out;
}

}  // namespace quillot::gui
