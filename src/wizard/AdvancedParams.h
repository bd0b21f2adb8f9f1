// The Advanced Parameters dialog's values: the drive-reading parameters of the pass, expert mode, trimming
// and reassembling, and the interface language. Taken from the settings when the dialog opens; OK puts them
// back, and changes the language only when its choice changed.
#pragma once

#include <cstdint>

#include "wizard/FieldBounds.h"
#include "wizard/LanguageChoice.h"

namespace quillot {

struct TAdvancedParams {
  // The sectors-per-read field's bounds: the pass cuts every chunk to its work buffer anyway.
  static constexpr TFieldBounds<int64_t> kSectorsToReadBounds{1, 10000};
  // Both bounds 0: any whole number, negative ones too, as the setting has always taken.
  static constexpr TFieldBounds<int64_t> kRetryCountBounds{0, 0};

  int32_t RetryCount = 0;
  int32_t SectorsToRead = 1;
  bool ExpertMode = false;
  bool TrimFiles = false;
  bool Reassemble = false;
  TLanguageChoice Languages;
  int Language = 0;         // the entry chosen now
  int InitialLanguage = 0;  // the entry chosen when the dialog opened

  // The current settings, the sectors per read brought within its bounds, and the languages.
  static TAdvancedParams FromSettings();
  // Reassembling can be chosen only while trimming is: only a trimming pass sees where a stream breaks.
  bool ReassembleOffered() const { return TrimFiles; }
  // What OK does: the values into the settings, and the language only when its choice changed.
  void Apply() const;
};

}  // namespace quillot
