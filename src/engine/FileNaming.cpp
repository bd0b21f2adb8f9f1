#include "engine/FileNaming.h"

#include <cstdio>

#include "i18n/Messages.h"

namespace quillot {

namespace {
constexpr int32_t kNameSearchLimit = 100000;

// A prefix or extension that could lead out of the destination folder is refused.
bool SafeNamePart(const std::string& part) {
  return part.find('/') == std::string::npos && part.find('\0') == std::string::npos;
}

std::string NameFor(const std::string& prefix, const std::string& extension, int32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.5d", number);
  return prefix + digits + "." + extension;
}

// Moves nameOffset past the taken names into name; true when every name up to the limit is taken.
bool SearchName(TDestination& destination, const std::string& folder, const std::string& prefix,
                const std::string& extension, int32_t number, int32_t& nameOffset, std::string& name) {
  bool exists;
  do {
    name = NameFor(prefix, extension, number + nameOffset);
    exists = destination.Exists(folder + name);
    if (exists) ++nameOffset;
  } while (exists && nameOffset <= kNameSearchLimit);
  return exists;
}
}  // namespace

TNumberedFile CreateNumberedFile(TDestination& destination, TRecoveryView& view, const std::string& folder,
                                 const std::string& prefix, const std::string& extension, int32_t number,
                                 int32_t& nameOffset) {
  const bool safe = SafeNamePart(prefix) && SafeNamePart(extension);
  TNumberedFile file;
  for (;;) {
    const bool exists = SearchName(destination, folder, prefix, extension, number, nameOffset, file.Name);
    if (exists) {
      file.Declined = !view.AskYesNo(Tr(strFileExistsConfirm, {folder + file.Name}));
      if (!file.Declined && safe)
        file.Created = destination.Create(folder + file.Name, TCreateMode::Replace, file.Handle);
      break;
    }
    if (safe) file.Created = destination.Create(folder + file.Name, TCreateMode::New, file.Handle);
    // Another pass into this folder took the name since the search: search on from the next number.
    if (file.Created != TCreateResult::Taken || nameOffset >= kNameSearchLimit) break;
    ++nameOffset;
  }
  if (file.Created != TCreateResult::Created) file.Handle = -1;
  return file;
}

}  // namespace quillot
