#include "gui/TranslateForms.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QWidget>

#include "gui/QtText.h"
#include "i18n/Language.h"
#include "wizard/FormTexts.h"

namespace quillot::gui {

std::function<void(QWidget*, const QList<TWindowText>&)> TranslateFormsWatcher;

namespace {
// A memo's lines are replaced together once all of them are read.
class TMemoLines {
 public:
  void Set(QPlainTextEdit* memo, int line, const std::string& value) {
    if (memo != memo_) Flush();
    memo_ = memo;
    changes_[line] = value;
  }
  void Flush() {
    if (memo_ && !changes_.empty()) {
      std::vector<std::string> lines;
      for (const QString& line : memo_->toPlainText().split(QLatin1Char('\n'))) lines.push_back(FromQ(line));
      QStringList text;
      for (const std::string& line : WithTranslatedLines(std::move(lines), changes_)) text << ToQ(line);
      memo_->setPlainText(text.join(QLatin1Char('\n')));
    }
    memo_ = nullptr;
    changes_.clear();
  }

 private:
  QPointer<QPlainTextEdit> memo_;
  std::map<int, std::string> changes_;
};

void Apply(const TWindowText& t, const std::string& section, TMemoLines& memoLines) {
  QObject* c = t.Component;
  if (!c) return;  // setting an earlier text replaced it
  const std::optional<std::string> value = TranslatedFormText(section, FromQ(t.Key), FormTextKindOf(t.Kind));
  if (!value) return;
  switch (t.Kind) {
    case TWindowText::kCaption: SetComponentText(c, QStringLiteral("Caption"), ToQ(*value)); break;
    case TWindowText::kHint: SetComponentText(c, QStringLiteral("Hint"), ToQ(*value)); break;
    case TWindowText::kLine: memoLines.Set(qobject_cast<QPlainTextEdit*>(c), t.Index, *value); break;
    case TWindowText::kItem: qobject_cast<QComboBox*>(c)->setItemText(t.Index, ToQ(*value)); break;
    case TWindowText::kColumn: qobject_cast<QTreeWidget*>(c)->headerItem()->setText(t.Index, ToQ(*value)); break;
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
