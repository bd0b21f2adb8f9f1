// What the fuzzers found, kept as cases: each input once lost or changed data on a save and a reread.
#include <gtest/gtest.h>

#include <string>

#include "app/RegistryStore.h"
#include "app/Settings.h"
#include "support/TempEnvironment.h"

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

TEST(FuzzFindings, AWideTextWithAControlCharacterIsDamagedLikeAQuotedOne) {
  // Taken as text it was saved quoted at exit, and the next start fell back to the default anyway.
  testing::TTempEnvironment env;
  testing::TTempEnvironment::Write(env.StorePath(),
                                   "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Recovery]\r"
                                   "\"RecoveryFilenamePrefix\"=hex(1):1c,00,61,00\n"
                                   "\"RecoveryTargetFolder\"=hex(1):2f,00,09,00,0a,00,00,00\n");
  LoadSettings();
  EXPECT_EQ(RecoveryFilenamePrefix, "file");
  EXPECT_EQ(RecoveryTargetFolder, "/\t\n");  // tab and line break are written escaped or as they are
  ASSERT_TRUE(SaveSettings());
  RecoveryFilenamePrefix.clear();
  RecoveryTargetFolder.clear();
  LoadSettings();
  EXPECT_EQ(RecoveryFilenamePrefix, "file");
  EXPECT_EQ(RecoveryTargetFolder, "/\t\n");
}

}  // namespace quillot
