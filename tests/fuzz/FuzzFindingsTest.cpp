// What the fuzzers found, kept as cases: each input once lost or changed data on a save and a reread.
#include <gtest/gtest.h>

#include <string>

#include "app/RegistryStore.h"

namespace quillot {

TEST(FuzzFindings, ABackslashBeforeAControlCharacterIsADamagedLineNotAValue) {
  // Read as a backslash and the raw character, the value was written back raw and dropped next time.
  TRegistryStore store;
  store.Parse("[HKEY_CURRENT_USER\\S]\n\"\"=\"\\\x02\"\n\"tab\"=\"a\\\tb\"\n");
  EXPECT_EQ(store.Find("S", ""), nullptr);
  ASSERT_NE(store.Find("S", "tab"), nullptr);
  EXPECT_EQ(store.Find("S", "tab")->Text, "a\\\tb");
  TRegistryStore again;
  again.Parse(store.Text());
  EXPECT_EQ(again.Text(), store.Text());
}

}  // namespace quillot
