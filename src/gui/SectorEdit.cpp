#include "gui/SectorEdit.h"

#include <algorithm>

#include "wizard/FieldBounds.h"

namespace quillot::gui {

namespace {
bool ParseSector(const QString& text, uint64_t& value) {
  if (text.isEmpty()) return false;
  value = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    const auto digit = static_cast<uint64_t>(c.unicode() - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;  // past 64 bits
    value = value * 10 + digit;
  }
  return true;
}
}  // namespace

QValidator::State TSectorValidator::validate(QString& input, int&) const {
  if (input.isEmpty()) return Intermediate;
  uint64_t v = 0;
  if (!ParseSector(input, v)) return Invalid;
  if (min_ == max_) return Acceptable;
  if (v > max_) return Invalid;
  return v < min_ ? Intermediate : Acceptable;
}

void TSectorValidator::fixup(QString& input) const {
  uint64_t v = 0;
  if (!ParseSector(input, v)) v = min_;
  if (min_ != max_) v = std::clamp(v, min_, max_);
  input = QString::number(v);
}

TSectorEdit::TSectorEdit(QWidget* parent) : QLineEdit(parent), validator_(new TSectorValidator(this)) {
  setValidator(validator_);
  setText(QStringLiteral("0"));
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TSectorEdit::SetBounds(uint64_t min, uint64_t max) {
  min_ = min;
  max_ = max;
  validator_->SetBounds(min, max);
  SetValue(Value());
}

uint64_t TSectorEdit::Value() const {
  uint64_t v = 0;
  const bool parsed = ParseSector(text(), v);
  return TFieldBounds<uint64_t>{min_, max_}.Read(parsed, v);
}

void TSectorEdit::SetValue(uint64_t value) { setText(QString::number(TFieldBounds<uint64_t>{min_, max_}.Held(value))); }

}  // namespace quillot::gui
