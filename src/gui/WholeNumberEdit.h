// A whole-number field with up/down buttons for the dialogs: signed 32-bit, optional bounds (equal
// bounds leave it unrestricted), and a text that is not a whole number reads as the lower bound.
#pragma once

#include <QAbstractSpinBox>
#include <cstdint>

#include "wizard/FieldBounds.h"

namespace quillot::gui {

class TWholeNumberEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit TWholeNumberEdit(QWidget* parent);

  void SetBounds(int32_t min, int32_t max);
  int32_t MinValue() const { return min_; }
  int32_t MaxValue() const { return max_; }
  // The text read as a decimal whole number, held within the bounds; the lower bound otherwise.
  int32_t Value() const;
  // Shows value, held within the bounds.
  void SetValue(int32_t value);

  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TFieldBounds<int64_t> Bounds() const { return {min_, max_}; }
  bool Bounded() const { return Bounds().Restricts(); }
  int64_t Held(int64_t value) const { return Bounds().Held(value); }

  int32_t min_ = 0, max_ = 0;
};

// The text as a decimal whole number of 32 bits ("+" or "-" allowed in front); false for anything else.
bool ParseWholeNumber(const QString& text, int32_t& value);

}  // namespace quillot::gui
