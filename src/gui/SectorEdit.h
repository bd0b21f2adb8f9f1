// A field for a sector number: the whole unsigned 64-bit range, which a spin box (int only) cannot hold.
#pragma once

#include <QLineEdit>
#include <QValidator>
#include <cstdint>

namespace quillot::gui {

// Accepts decimal numbers within bounds; equal bounds leave the field unrestricted.
class TSectorValidator : public QValidator {
 public:
  explicit TSectorValidator(QObject* parent) : QValidator(parent) {}
  void SetBounds(uint64_t min, uint64_t max) {
    min_ = min;
    max_ = max;
  }
  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 private:
  uint64_t min_ = 0, max_ = 0;
};

class TSectorEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TSectorEdit(QWidget* parent);
  // Keeps the value inside the new bounds.
  void SetBounds(uint64_t min, uint64_t max);
  uint64_t MinValue() const { return min_; }
  uint64_t MaxValue() const { return max_; }
  // The number in the field, held within the bounds; the lower bound for an empty field.
  uint64_t Value() const;
  void SetValue(uint64_t value);

 private:
  TSectorValidator* validator_;
  uint64_t min_ = 0, max_ = 0;
};

}  // namespace quillot::gui
