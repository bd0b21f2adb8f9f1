#include "gui/TranslateForms.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>

#include "gui/QtText.h"
#include "i18n/Language.h"

namespace quillot::gui {

namespace {
const char* const kListViewProperty = "quillotListView";
const QString kLineDefault = QStringLiteral("fsdef");

QString Read(const std::string& section, const QString& key, const char* def = "") {
  return ToQ(LanguageFile->ReadString(section, FromQ(key), def));
}

// The tab widget a page belongs to, or null when the widget is no page.
QTabWidget* TabOwner(QWidget* page, int& index) {
  for (QWidget* p = page->parentWidget(); p; p = p->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
      index = tabs->indexOf(page);
      return index >= 0 ? tabs : nullptr;
    }
  }
  return nullptr;
}

void TranslateComponent(QObject* c, const std::string& section, const QString& prefix) {
  SetComponentText(c, QStringLiteral("Caption"), Read(section, prefix + QStringLiteral(".Caption")));
  SetComponentText(c, QStringLiteral("Hint"), Read(section, prefix + QStringLiteral(".Hint")));

  if (auto* memo = qobject_cast<QPlainTextEdit*>(c)) {
    QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    if (memo->toPlainText().isEmpty()) lines.clear();
    bool changed = false;
    for (int i = 0; i < lines.size(); ++i) {
      QString v = Read(section, prefix + QStringLiteral(".lines[%1]").arg(i), "fsdef");
      // Only the exact default keeps the line: an empty value blanks it.
      if (v != kLineDefault) {
        lines[i] = v;
        changed = true;
      }
    }
    if (changed) memo->setPlainText(lines.join(QLatin1Char('\n')));
  } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
    for (int i = 0; i < combo->count(); ++i) {
      QString v = Read(section, prefix + QStringLiteral(".items[%1]").arg(i));
      if (!v.isEmpty()) combo->setItemText(i, v);
    }
  } else if (auto* list = qobject_cast<QTreeWidget*>(c); list && list->property(kListViewProperty).toBool()) {
    QTreeWidgetItem* header = list->headerItem();
    for (int i = 0; i < list->columnCount(); ++i) {
      QString v = Read(section, prefix + QStringLiteral(".Columns[%1].Caption").arg(i));
      if (!v.isEmpty()) header->setText(i, v);
    }
  }
}
}  // namespace

void MarkAsListView(QObject* listView) { listView->setProperty(kListViewProperty, true); }

void SetComponentText(QObject* component, const QString& property, const QString& value) {
  if (!component || value.isEmpty()) return;
  auto* widget = qobject_cast<QWidget*>(component);
  if (property == QLatin1String("Hint")) {
    if (widget) widget->setToolTip(value);
    else if (component->property("Hint").isValid()) component->setProperty("Hint", value);
    return;
  }
  if (property != QLatin1String("Caption")) return;
  if (widget && widget->isWindow()) {
    widget->setWindowTitle(value);
  } else if (auto* label = qobject_cast<QLabel*>(component)) {
    label->setText(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(component)) {
    button->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(component)) {
    group->setTitle(value);
  } else if (int index = -1; widget && TabOwner(widget, index)) {
    TabOwner(widget, index)->setTabText(index, value);
  } else if (component->property("Caption").isValid()) {
    component->setProperty("Caption", value);
  }
}

void TranslateForms(const QList<QWidget*>& windows) {
  if (!LanguageFile) return;
  for (QWidget* window : windows) {
    if (!window) continue;
    const QString name = window->objectName();
    const std::string section = FromQ(name);
    SetComponentText(window, QStringLiteral("Caption"), Read(section, name + QStringLiteral(".Caption")));
    // The components the window owns, in the order they were made; Qt's own helpers have no name.
    // Held weakly: setting a text may replace a control's own helper objects.
    QList<QPointer<QObject>> owned;
    for (QObject* c : window->findChildren<QObject*>()) owned.append(c);
    for (const QPointer<QObject>& c : owned) {
      if (!c) continue;
      const QString cname = c->objectName();
      if (cname.isEmpty() || cname.startsWith(QLatin1String("qt_"))) continue;
      TranslateComponent(c, section, name + QLatin1Char('.') + cname);
    }
  }
}

}  // namespace quillot::gui
