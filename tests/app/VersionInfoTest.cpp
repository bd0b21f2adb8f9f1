#include <gtest/gtest.h>

#include "app/VersionInfo.h"

namespace quillot {

TEST(VersionInfo, NameQueriesAnswerTheBuildFacts) {
  ReadVersionInfo();
  EXPECT_EQ(ProductName, "Quillot");
  int dots = 0;
  bool digits = !FileVersion.empty() && FileVersion.front() != '.' && FileVersion.back() != '.';
  for (size_t i = 0; i < FileVersion.size(); ++i) {
    if (FileVersion[i] == '.') {
      ++dots;
      digits = digits && FileVersion[i + 1] != '.';
    } else {
      digits = digits && FileVersion[i] >= '0' && FileVersion[i] <= '9';
    }
  }
  EXPECT_TRUE(digits && dots == 3) << FileVersion;  // four numbers
  EXPECT_EQ(FileVersion.rfind(ProductVersion, 0), 0u) << ProductVersion;
  EXPECT_FALSE(FileDescription.empty());
  EXPECT_EQ(BuildNumber, FileVersion.substr(FileVersion.rfind('.') + 1));

  EXPECT_EQ(VerQueryValue("\\StringFileInfo\\040904E4\\ProductName"), "Quillot");
  EXPECT_EQ(VerQueryValue("\\stringfileinfo\\040904e4\\productname"), "Quillot");
  // Another block, another name or a bare block: no text.
  EXPECT_EQ(VerQueryValue("\\StringFileInfo\\040704B0\\ProductName"), "");
  EXPECT_EQ(VerQueryValue("\\StringFileInfo\\040904E4\\CompanyName"), "");
  EXPECT_EQ(VerQueryValue("\\StringFileInfo\\040904E4\\"), "");
  EXPECT_EQ(VerQueryValue("ProductName"), "");
}

TEST(VersionInfo, BuildNumberIsWhatFollowsTheThirdDot) {
  EXPECT_EQ(BuildNumberOf("1.2.3.45"), "45");
  EXPECT_EQ(BuildNumberOf("1.2.3.4.5"), "4.5");
  EXPECT_EQ(BuildNumberOf("1.2.3."), "");
  EXPECT_EQ(BuildNumberOf("1.2.3"), "1.2.3");
  EXPECT_EQ(BuildNumberOf("2024"), "2024");
  EXPECT_EQ(BuildNumberOf(""), "");
}

}  // namespace quillot
