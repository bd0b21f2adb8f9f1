// What the Progress page says about a drive that cannot be read.
#include <gtest/gtest.h>

#include "platform/ReadingGroup.h"
#include "wizard/DriveProblem.h"

namespace quillot::testing {

TEST(DriveProblemText, LackOfRightsGetsAdviceOtherFailuresTheReason) {
  const std::string denied = DriveProblemText("/dev/sdb1", true, "");
  EXPECT_NE(denied.find("/dev/sdb1"), std::string::npos);
  EXPECT_NE(denied.find("sudo"), std::string::npos);
  EXPECT_NE(denied.find("Add image..."), std::string::npos);
  EXPECT_EQ(DriveProblemText("/dev/sdb1", false, "/dev/sdb1: No medium found"),
            "The drive cannot be read: /dev/sdb1: No medium found");
  EXPECT_TRUE(DriveProblemText("/dev/sdb1", false, "").empty());
  EXPECT_EQ(DriveProblemText("/dev/sdb1", true, "/dev/sdb1: Permission denied", "disk"),
            "Quillot may not read /dev/sdb1. Start Quillot as root (for example with sudo), or add your user to the "
            "group \"disk\", which may read it, and log in again.");
  EXPECT_TRUE(ReadingGroupOf("/nonexistent/sdb1").empty());
}

}  // namespace quillot::testing
