// The comma text of formats_list: whatever a split yields, joining it and splitting again gives it back.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "formats/CommaText.h"

using namespace quillot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = SplitCommaText(text);
  const std::string joined = JoinCommaText(entries);
  FUZZ_CHECK(SplitCommaText(joined) == entries, "split, join and split again keeps every entry");
  FUZZ_CHECK(JoinCommaText(SplitCommaText(joined)) == joined, "a joined text is stable");
  return 0;
}
