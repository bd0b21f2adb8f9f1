// The dialogs' whole-number fields: what can be typed, how a text reads, and where bounds hold.
#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/WholeNumberEdit.h"

namespace quillot::testing {

using gui::TWholeNumberEdit;

static QLineEdit* Line(TWholeNumberEdit* edit) { return edit->findChild<QLineEdit*>(); }

TEST(WholeNumberEdit, TypingTakesOnlyNumberCharactersAndOddTextsReadAsTheLowerBound) {
  QWidget window;
  auto* edit = new TWholeNumberEdit(&window);
  edit->SetBounds(1, 10000);
  window.show();
  edit->setFocus();
  Line(edit)->selectAll();
  QTest::keyClicks(edit, QStringLiteral("7x5y"));
  EXPECT_EQ(edit->text(), "75");
  EXPECT_EQ(edit->Value(), 75);

  Line(edit)->setText(QStringLiteral("12") + QLocale().decimalPoint() + QStringLiteral("5"));
  EXPECT_EQ(edit->Value(), 1);  // not a whole number
  Line(edit)->setText(QStringLiteral("+-3"));
  EXPECT_EQ(edit->Value(), 1);
  Line(edit)->setText(QString());
  EXPECT_EQ(edit->Value(), 1);
  Line(edit)->setText(QStringLiteral("99999999999"));
  EXPECT_EQ(edit->Value(), 1);
}

TEST(WholeNumberEdit, BoundsHoldWhenSetLeftOrReadAndEqualBoundsRestrictNothing) {
  QWidget window;
  auto* edit = new TWholeNumberEdit(&window);
  auto* other = new QLineEdit(&window);
  edit->SetBounds(1, 10000);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  edit->SetValue(20000);
  EXPECT_EQ(edit->text(), "10000");
  edit->SetValue(-4);
  EXPECT_EQ(edit->text(), "1");

  edit->setFocus();
  Line(edit)->setText(QStringLiteral("25000"));
  EXPECT_EQ(edit->Value(), 10000);  // never more than the bound, even before the field is left
  other->setFocus();
  EXPECT_EQ(edit->text(), "10000");

  edit->SetValue(10000);
  edit->stepBy(1);
  EXPECT_EQ(edit->Value(), 10000);
  edit->stepBy(-3);
  EXPECT_EQ(edit->Value(), 9997);

  auto* free = new TWholeNumberEdit(&window);  // bounds 0 and 0
  free->SetValue(-25);
  EXPECT_EQ(free->Value(), -25);
  Line(free)->setText(QStringLiteral("-2147483648"));
  EXPECT_EQ(free->Value(), INT32_MIN);
  free->stepBy(-1);
  EXPECT_EQ(free->Value(), INT32_MIN);
  Line(free)->setText(QStringLiteral("+42"));
  EXPECT_EQ(free->Value(), 42);
  Line(free)->setText(QStringLiteral("abc"));
  EXPECT_EQ(free->Value(), 0);
}

}  // namespace quillot::testing
