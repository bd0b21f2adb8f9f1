#include "gui/TranslateForms.h"

#include <QComboBox>
#include <QMap>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QWidget>

#include "gui/QtText.h"
#include "i18n/Language.h"

namespace quillot::gui {

std::function<void(QWidget*, const QList<TWindowText>&)> TranslateFormsWatcher;

namespace {
const QString kLineDefault = QStringLiteral("fsdef");

QString Read(const std::string& section, const QString& key, const char* def = "") {
  return ToQ(LanguageFile->ReadString(section, FromQ(key), def));
}

// A memo's lines are replaced together once all of them are read.
class TMemoLines {
 public:
  void Set(QPlainTextEdit* memo, int line, const QString& value) {
    if (memo != memo_) Flush();
    memo_ = memo;
    changes_[line] = value;
  }
  void Flush() {
    if (memo_ && !changes_.isEmpty()) {
      QStringList lines = memo_->toPlainText().split(QLatin1Char('\n'));
      for (auto it = changes_.cbegin(); it != changes_.cend(); ++it)
        if (it.key() < lines.size()) lines[it.key()] = it.value();
      memo_->setPlainText(lines.join(QLatin1Char('\n')));
    }
    memo_ = nullptr;
    changes_.clear();
  }

 private:
  QPointer<QPlainTextEdit> memo_;
  QMap<int, QString> changes_;
};

void Apply(const TWindowText& t, const std::string& section, TMemoLines& memoLines) {
  QObject* c = t.Component;
  if (!c) return;  // setting an earlier text replaced it
  switch (t.Kind) {
    case TWindowText::kCaption: SetComponentText(c, QStringLiteral("Caption"), Read(section, t.Key)); break;
    case TWindowText::kHint: SetComponentText(c, QStringLiteral("Hint"), Read(section, t.Key)); break;
    case TWindowText::kLine: {
      // Only the exact default keeps the line: an empty value blanks it.
      const QString v = Read(section, t.Key, "fsdef");
      if (v != kLineDefault) memoLines.Set(qobject_cast<QPlainTextEdit*>(c), t.Index, v);
      break;
    }
    case TWindowText::kItem:
      if (QString v = Read(section, t.Key); !v.isEmpty()) qobject_cast<QComboBox*>(c)->setItemText(t.Index, v);
      break;
    case TWindowText::kColumn:
      if (QString v = Read(section, t.Key); !v.isEmpty())
        qobject_cast<QTreeWidget*>(c)->headerItem()->setText(t.Index, v);
      break;
  }
}
}  // namespace

void SetComponentText(QObject* component, const QString& property, const QString& value) {
  if (!component || value.isEmpty()) return;
  if (property == QLatin1String("Hint")) {
    if (auto* widget = qobject_cast<QWidget*>(component))
      widget->setToolTip(value);
    else if (component->property("Hint").isValid())
      component->setProperty("Hint", value);
  } else if (property == QLatin1String("Caption") && TakesCaption(component)) {
    SetCaption(component, value);
  }
}

void TranslateForms(const QList<QWidget*>& windows) {
  if (!LanguageFile) return;
  for (QWidget* window : windows) {
    if (!window) continue;
    const QList<TWindowText> texts = TranslatableTexts(window);
    if (TranslateFormsWatcher) TranslateFormsWatcher(window, texts);
    const std::string section = FromQ(window->objectName());
    TMemoLines memoLines;
    for (const TWindowText& t : texts) {
      if (t.Kind != TWindowText::kLine) memoLines.Flush();
      Apply(t, section, memoLines);
    }
    memoLines.Flush();
  }
}

}  // namespace quillot::gui
