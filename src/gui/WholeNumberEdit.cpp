#include "gui/WholeNumberEdit.h"

#include <QLineEdit>
#include <QLocale>
#include <algorithm>
#include <limits>

namespace quillot::gui {

bool ParseWholeNumber(const QString& text, int32_t& value) {
  bool ok = false;
  const qlonglong v = text.toLongLong(&ok, 10);
  if (!ok || text.contains(QLatin1Char(' ')) || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max())
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

TWholeNumberEdit::TWholeNumberEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Never fall back to an earlier text: what is typed is what is read.
  setCorrectionMode(CorrectToNearestValue);
  lineEdit()->setText(QStringLiteral("0"));
}

void TWholeNumberEdit::SetBounds(int32_t min, int32_t max) {
  min_ = min;
  max_ = std::max(min, max);
  SetValue(Value());
}

int32_t TWholeNumberEdit::Value() const {
  int32_t v = 0;
  const bool parsed = ParseWholeNumber(text(), v);
  return static_cast<int32_t>(Bounds().Read(parsed, v));
}

void TWholeNumberEdit::SetValue(int32_t value) { lineEdit()->setText(QString::number(Held(value))); }

// Typing takes digits, signs and the locale's decimal separator; whether the whole text is a number is
// decided when it is read.
QValidator::State TWholeNumberEdit::validate(QString& input, int&) const {
  const QString separator = QLocale().decimalPoint();
  for (QChar c : input) {
    if (c.isDigit() && c.unicode() < 128) continue;
    if (c == QLatin1Char('+') || c == QLatin1Char('-') || separator.contains(c)) continue;
    return QValidator::Invalid;
  }
  int32_t v = 0;
  return ParseWholeNumber(input, v) && Held(v) == v ? QValidator::Acceptable : QValidator::Intermediate;
}

void TWholeNumberEdit::fixup(QString& input) const {
  int32_t v = 0;
  input = QString::number(ParseWholeNumber(input, v) ? Held(v) : min_);
}

void TWholeNumberEdit::stepBy(int steps) {
  SetValue(static_cast<int32_t>(std::clamp<int64_t>(Held(int64_t{Value()} + steps), std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max())));
  selectAll();
}

QAbstractSpinBox::StepEnabled TWholeNumberEdit::stepEnabled() const {
  if (!Bounded()) return StepUpEnabled | StepDownEnabled;
  StepEnabled e = StepNone;
  const int32_t v = Value();
  if (v < max_) e |= StepUpEnabled;
  if (v > min_) e |= StepDownEnabled;
  return e;
}

void TWholeNumberEdit::focusOutEvent(QFocusEvent* event) {
  int32_t v = 0;
  // Out-of-bounds numbers come back within the bounds; other text stays until it is read.
  if (ParseWholeNumber(text(), v) && Held(v) != v) SetValue(v);
  QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace quillot::gui
