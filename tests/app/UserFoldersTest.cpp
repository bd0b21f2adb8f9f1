#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/UserFolders.h"
#include "support/TempEnvironment.h"

namespace quillot {

using testing::TTempEnvironment;

TEST(SpecialFolderPath, DocumentsFollowTheUserDirsFile) {
  TTempEnvironment env;
  const std::string home = env.Home().string();
  const auto dirs = env.Config() / "user-dirs.dirs";

  // No file: "Documents" in the home folder.
  EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), home + "/Documents");
  EXPECT_EQ(DefaultRecoveryTargetFolder(), home + "/Documents/Recovered Audio Files");

  TTempEnvironment::Write(dirs,
                          "# written by xdg-user-dirs-update\n"
                          "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), home + "/Dokumente");

  // The last assignment counts; escapes are undone; a trailing delimiter is dropped.
  TTempEnvironment::Write(dirs,
                          "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\r\n"
                          "  XDG_DOCUMENTS_DIR=\"/srv/My \\\"Docs\\\"/\"  \r\n");
  EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), "/srv/My \"Docs\"");
  EXPECT_EQ(DefaultRecoveryTargetFolder(), "/srv/My \"Docs\"/Recovered Audio Files");

  // Forms the rules do not allow fall back to the home folder's "Documents".
  for (const char* bad :
       {"XDG_DOCUMENTS_DIR=relative/path\n", "XDG_DOCUMENTS_DIR=\"relative\"\n", "XDG_DOCUMENTS_DIR=\"$HOMEWORK\"\n",
        "XDG_DOCUMENTS_DIR=\"\"\n", "#XDG_DOCUMENTS_DIR=\"/commented\"\n", "XDG_DOCUMENTS_DIR=\"/a\"b\"\n"}) {
    TTempEnvironment::Write(dirs, bad);
    EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), home + "/Documents") << bad;
  }
  // The home folder itself is a valid (if unusual) choice.
  TTempEnvironment::Write(dirs, "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
  EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), home);

  EXPECT_EQ(SpecialFolderPath(0x1234), "");
}

}  // namespace quillot
