#include "wizard/AdvancedParams.h"

#include "app/Settings.h"

namespace quillot {

TAdvancedParams TAdvancedParams::FromSettings() {
  TAdvancedParams p;
  p.RetryCount = static_cast<int32_t>(kRetryCountBounds.Held(RecoveryRetryCount));
  p.SectorsToRead = static_cast<int32_t>(kSectorsToReadBounds.Held(RecoverySectorsToRead));
  p.ExpertMode = RecoveryAdvancedMode;
  p.TrimFiles = RecoveryTrimFiles;
  p.Reassemble = RecoveryReassemble;
  p.Languages = TLanguageChoice::Load();
  p.Language = p.InitialLanguage = p.Languages.Preselected;
  return p;
}

void TAdvancedParams::Apply() const {
  RecoveryRetryCount = RetryCount;
  RecoverySectorsToRead = SectorsToRead;
  RecoveryAdvancedMode = ExpertMode;
  RecoveryTrimFiles = TrimFiles;
  RecoveryReassemble = Reassemble;
  // The same choice keeps the file already loaded.
  if (Language != InitialLanguage) Languages.Apply(Language);
}

}  // namespace quillot
