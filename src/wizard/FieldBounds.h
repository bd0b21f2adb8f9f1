// The bounds of a number field (the start sector, the dialogs' whole numbers): equal bounds leave the field
// unrestricted; otherwise a value set by the program, or left when the field loses the focus, is held
// within them, and a text that is not a number reads as the lower bound.
#pragma once

#include <algorithm>

namespace quillot {

template <class T>
struct TFieldBounds {
  T Min{}, Max{};

  bool Restricts() const { return Min != Max; }
  T Held(T value) const { return Restricts() ? std::clamp(value, Min, Max) : value; }
  // What the field reads as: the parsed number held within the bounds, or the lower bound.
  T Read(bool parsed, T value) const { return parsed ? Held(value) : Min; }
};

}  // namespace quillot
