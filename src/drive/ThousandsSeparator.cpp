#include <langinfo.h>
#include <locale.h>

#include "drive/FileUtils.h"

namespace quillot {

std::string UserThousandsSeparator() {
  std::string separator;
  // The user's numeric locale from the environment, without touching the process's own locale.
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user != static_cast<locale_t>(0)) {
    const char* sep = nl_langinfo_l(THOUSEP, user);
    if (sep != nullptr) separator = sep;
    freelocale(user);
  }
  return separator.empty() ? "," : separator;
}

}  // namespace quillot
