// The timing run drives the wizard without a screen or a user: it must never stop at a question.
#include "app/Settings.h"
#include "gui/BenchPass.h"
#include "gui/LanguageSelectForm.h"
#include "support/GuiFixture.h"
#include "support/ModalDriver.h"

namespace quillot::testing {

class BenchPassTest : public TGuiTest {};

TEST_F(BenchPassTest, AFirstStartAsksNothingAndStaysTheFirstStart) {
  const std::string image = (env.Home() / "card.img").string();
  std::fclose(std::fopen(image.c_str(), "wb"));
  std::filesystem::resize_file(image, 64 * 512);
  GlobalFirstStart = true;
  TModalDriver<gui::TLanguageSelectForm> driver;
  EXPECT_EQ(gui::BenchPass(QString::fromStdString(image), QString::fromStdString((env.Home() / "out").string()), true),
            0);
  EXPECT_EQ(driver.Shown, 0);
  EXPECT_TRUE(GlobalFirstStart);
}

}  // namespace quillot::testing
