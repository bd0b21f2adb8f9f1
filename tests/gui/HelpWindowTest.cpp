// F1 and the Help button in the wizard, and the help window they open from the built help book.
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTimer>
#include <QTreeWidget>
#include <optional>
#include <utility>

#include "gui/AboutForm.h"
#include "gui/FormatPropForm.h"
#include "gui/HelpWindow.h"
#include "help/HelpInterface.h"
#include "support/GuiFixture.h"

namespace quillot::testing {

namespace {

// The help of a started program: the viewer registered, the book in the program folder, the Qt
// display and the F1 filter in place.
class HelpWindowTest : public TGuiTest {
 protected:
  HelpWindowTest() {
    std::filesystem::copy_file(std::string(QUILLOT_BINARY_DIR) + "/Quillot.chm", env.Program() / "Quillot.chm");
    RegisterHelpViewer();
    previous_ = SetHelpDisplay(&display);
    qApp->installEventFilter(&filter);
  }
  ~HelpWindowTest() override {
    qApp->removeEventFilter(&filter);
    ReleaseHelpViewer();
    SetHelpDisplay(previous_);
  }
  std::string ShownPage() const {
    return display.Window() ? display.Window()->Browser()->source().path().toStdString() : std::string();
  }

  gui::TQtHelpDisplay display;
  gui::THelpKeyFilter filter;

 private:
  THelpDisplay* previous_ = nullptr;
};

}  // namespace

TEST_F(HelpWindowTest, F1AnywhereOnTheWizardOpensTheContentsBesideIt) {
  gui::TMainForm form;
  form.show();
  for (int page = 0; page < 5; ++page) {
    form.PageControlMain->setCurrentIndex(page);
    QWidget* onPage = form.PageControlMain->currentWidget()->findChildren<QWidget*>().value(0);
    ASSERT_NE(onPage, nullptr) << page;
    if (display.Window()) display.Window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::keyClick(onPage, Qt::Key_F1);
    EXPECT_EQ(ShownPage(), "/files/contents.html") << page;
  }
  // The window is not modal: the wizard goes on taking input.
  ASSERT_NE(display.Window(), nullptr);
  EXPECT_FALSE(display.Window()->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(display.Window()->isVisible());
  EXPECT_TRUE(form.isEnabled());
  // The contents come from the book, the page's entry selected.
  QTreeWidget* tree = display.Window()->ContentsTree();
  ASSERT_GE(tree->topLevelItemCount(), 10);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Welcome to Quillot"));
  ASSERT_NE(tree->currentItem(), nullptr);
  EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Welcome to Quillot"));
  EXPECT_GE(display.Window()->IndexList()->topLevelItemCount(), 20);
}

// A new help window leaves the wizard uncovered where the screen has room: right, else left, else
// narrowed into the wider side, else against that side's edge.
TEST_F(HelpWindowTest, ANewHelpWindowGoesBesideTheWizard) {
  struct TRow {
    QRect wizard, screen;
    QRect help;
  };
  const QSize help(860, 600);
  const TRow rows[] = {
      // Room on the right: there, level with the wizard, a small gap between.
      {{100, 100, 584, 392}, {0, 0, 1920, 1080}, {692, 100, 860, 600}},
      // Room on the left only.
      {{1300, 100, 584, 392}, {0, 0, 1920, 1080}, {432, 100, 860, 600}},
      // Room on both sides: right is first.
      {{900, 300, 584, 392}, {-900, 0, 4000, 1080}, {1492, 300, 860, 600}},
      // Near the bottom the window rises to stay on the screen; a screen not at the origin counts.
      {{2000, 700, 584, 392}, {1920, 0, 1920, 1200}, {2592, 600, 860, 600}},
      // Neither side holds it whole: narrowed into the wider side, still clear of the wizard.
      {{600, 100, 584, 392}, {0, 0, 1366, 768}, {0, 100, 592, 600}},
      {{100, 100, 584, 392}, {0, 0, 1366, 768}, {692, 100, 674, 600}},
      // Too little room either side: against the wider side's edge, over the wizard's nearer part.
      {{0, 0, 584, 392}, {0, 0, 800, 600}, {0, 0, 800, 600}},
      {{300, 50, 584, 392}, {0, 0, 1024, 600}, {0, 0, 860, 600}},
      {{140, 50, 584, 392}, {0, 0, 1024, 600}, {164, 0, 860, 600}},
      // The narrowest page still put beside, and one pixel less.
      {{100, 50, 584, 392}, {0, 0, 1172, 600}, {692, 0, 480, 600}},
      {{100, 50, 584, 392}, {0, 0, 1171, 600}, {311, 0, 860, 600}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.wizard.x() << "," << row.wizard.y() << " on " << row.screen.width());
    const QRect placed = gui::PlaceBeside(row.wizard, help, row.screen);
    EXPECT_EQ(placed, row.help);
    EXPECT_TRUE(row.screen.contains(placed));
  }

  // Where the help cannot go beside the wizard uncovered, the two go side by side, centred together with level tops,
  // the help narrowed to the room; a screen that holds the help only below its narrowest readable width leaves the
  // wizard where it is.
  struct TPairRow {
    QRect screen;
    std::optional<std::pair<QRect, QRect>> pair;
  };
  const QRect centred(348, 204, 584, 392);
  const TPairRow pairs[] = {
      {{0, 0, 1280, 800}, std::make_pair(QRect(0, 200, 584, 392), QRect(592, 200, 688, 600))},
      {{0, 0, 1920, 1080}, std::make_pair(QRect(234, 204, 584, 392), QRect(826, 204, 860, 600))},
      {{100, 0, 1072, 600}, std::make_pair(QRect(100, 0, 584, 392), QRect(692, 0, 480, 600))},
      {{0, 0, 1071, 600}, std::nullopt},
  };
  for (const TPairRow& row : pairs) {
    SCOPED_TRACE(row.screen.width());
    const auto pair = gui::SideBySide(centred, help, row.screen);
    ASSERT_EQ(pair.has_value(), row.pair.has_value());
    if (!pair) continue;
    EXPECT_EQ(*pair, *row.pair);
    EXPECT_FALSE(pair->first.intersects(pair->second));
    EXPECT_TRUE(row.screen.contains(pair->first) && row.screen.contains(pair->second));
  }

  // Through the real windows: the help F1 opens lands where the placement says, on the side with room.
  gui::TMainForm form;
  form.show();
  const QRect screen = form.screen()->availableGeometry();
  for (const bool wizardLeft : {true, false}) {
    SCOPED_TRACE(wizardLeft);
    if (display.Window()) display.Window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form.move(wizardLeft ? screen.left() : screen.right() - form.frameGeometry().width() + 1, screen.top());
    QTest::keyClick(form.ButtonNext, Qt::Key_F1);
    ASSERT_NE(display.Window(), nullptr);
    const QRect wizard = form.frameGeometry();
    const QRect shown = display.Window()->frameGeometry();
    // The window's first size, with the frame the wizard has too.
    const QSize frame = wizard.size() - form.size();
    EXPECT_EQ(shown, gui::PlaceBeside(wizard, QSize(860, 600) + frame, screen));
    EXPECT_TRUE(screen.contains(shown));
    EXPECT_EQ(shown.center().x() > wizard.center().x(), wizardLeft);
  }
}

TEST_F(HelpWindowTest, ClosingTheWizardEndsTheProgramThoughHelpIsOpen) {
  gui::TMainForm form;
  form.show();
  QTest::keyClick(form.ButtonNext, Qt::Key_F1);
  ASSERT_NE(display.Window(), nullptr);
  ASSERT_TRUE(display.Window()->isVisible());
  // As in the program: the window closes while the application's event loop runs, and the loop ends
  // when the last window that keeps the program running is gone. The second step ends the loop either way.
  QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
  QTimer::singleShot(0, &form, &QWidget::close);
  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  QApplication::exec();
  EXPECT_EQ(lastClosed.count(), 1);
  EXPECT_TRUE(display.Window() == nullptr || display.Window()->isVisible());
}

TEST_F(HelpWindowTest, TheHelpButtonAsksForTheFocusedControlsTopic) {
  gui::TMainForm form;
  form.show();
  QApplication::setActiveWindow(&form);
  form.ButtonNext->setFocus();
  QTest::mouseClick(form.ButtonHelp, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(ShownPage(), "/files/contents.html");
}

TEST_F(HelpWindowTest, AModalDialogsTopicOpensInAWindowTheDialogDoesNotBlock) {
  gui::TMainForm form;
  form.show();
  gui::TAboutForm about(&form);
  about.setModal(true);
  about.show();
  QTest::keyClick(about.OkButton, Qt::Key_F1);
  EXPECT_EQ(ShownPage(), "/files/about.html");
  ASSERT_NE(display.Window(), nullptr);
  EXPECT_EQ(display.Window()->parentWidget(), &about);
  EXPECT_TRUE(display.Window()->isWindow());
  EXPECT_TRUE(display.Window()->isVisible());
  about.close();
}

TEST_F(HelpWindowTest, ADialogsHelpButtonShowsItsTopicAndLeavesItOpen) {
  gui::TMainForm form;
  form.show();
  gui::TFormatPropForm formatDialog(&form);
  gui::TAboutForm about(&form);
  struct TRow {
    QDialog* dialog;
    QWidget* focused;
    QPushButton* help;
    std::string page;
  };
  const TRow rows[] = {
      {&formatDialog, formatDialog.EditPrefix, formatDialog.Button1, "/files/params.advanced.html"},
      {&about, about.OkButton, about.ButtonHelp, "/files/about.html"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.page);
    if (display.Window()) display.Window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    row.dialog->setModal(true);
    row.dialog->show();
    QApplication::setActiveWindow(row.dialog);
    row.focused->setFocus();
    QTest::mouseClick(row.help, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownPage(), row.page);
    EXPECT_TRUE(row.dialog->isVisible());
    row.dialog->close();
  }
}

TEST_F(HelpWindowTest, WithHelpOpenADialogsHelpShowsItsTopicBesideTheDialog) {
  gui::TMainForm form;
  form.show();
  QTest::keyClick(form.ButtonNext, Qt::Key_F1);
  ASSERT_NE(display.Window(), nullptr);
  EXPECT_TRUE(display.PlacedBesideWizard());
  gui::TFormatPropForm formatDialog(&form);
  formatDialog.setModal(true);
  formatDialog.show();
  QApplication::setActiveWindow(&formatDialog);
  formatDialog.EditPrefix->setFocus();
  struct TRow {
    const char* what;
    std::function<void()> before;
  };
  // The window open for the wizard; then minimised; then closed by the user but not yet deleted.
  const TRow rows[] = {{"open", [] {}},
                       {"minimised", [this] { display.Window()->showMinimized(); }},
                       {"closed", [this] { display.Window()->close(); }}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    row.before();
    QTest::mouseClick(formatDialog.Button1, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(display.Window(), nullptr);
    EXPECT_EQ(ShownPage(), "/files/params.advanced.html");
    EXPECT_TRUE(display.Window()->isVisible());
    EXPECT_FALSE(display.Window()->isMinimized());
    EXPECT_EQ(display.Window()->parentWidget(), &formatDialog);
    EXPECT_TRUE(formatDialog.isVisible());
    // Beside the dialog wherever the screen has room for both.
    const QRect room = formatDialog.screen()->availableGeometry();
    const QRect dialog = formatDialog.frameGeometry();
    const QSize help = display.Window()->frameGeometry().size();
    if (gui::SideBySide(dialog, help, room) || !gui::PlaceBeside(dialog, help, room).intersects(dialog)) {
      EXPECT_FALSE(display.Window()->frameGeometry().intersects(dialog));
    }
    EXPECT_TRUE(room.contains(display.Window()->frameGeometry()));
  }
  formatDialog.close();
}

TEST_F(HelpWindowTest, TheHelpWindowFitsTheScreenAndItsPicturesThePane) {
  struct TRow {
    QRect frame, screen, fitted;
  };
  const TRow rows[] = {
      {{100, 100, 860, 600}, {0, 0, 1920, 1080}, {100, 100, 860, 600}},   // on the screen already
      {{100, 230, 860, 630}, {0, 0, 1280, 800}, {100, 170, 860, 630}},    // 600 high and a frame ran off
      {{600, 0, 860, 900}, {0, 0, 1280, 800}, {420, 0, 860, 800}},        // too tall: shrunk, moved in
      {{-50, -20, 500, 400}, {1280, 0, 1024, 768}, {1280, 0, 500, 400}},  // on a second screen
  };
  for (const TRow& row : rows) EXPECT_EQ(gui::FitInto(row.frame, row.screen), row.fitted) << row.frame.y();

  // A dialog's help does not count as the first start's place beside the wizard.
  gui::TAboutForm about(nullptr);
  about.setModal(true);
  about.show();
  QTest::keyClick(about.OkButton, Qt::Key_F1);
  ASSERT_NE(display.Window(), nullptr);
  EXPECT_FALSE(display.PlacedBesideWizard());
  about.close();

  ASSERT_GT(HtmlHelpCall(0, ApplicationHelpFile + "::/files/carving.html", HH_DISPLAY_TOPIC, 0), 0);
  gui::THelpWindow* window = display.Window();
  const QRect screen = window->screen()->availableGeometry();
  window->resize(screen.width() + 400, screen.height() + 300);
  window->hide();
  window->show();
  EXPECT_TRUE(screen.contains(window->frameGeometry()));
  // The carving picture is 560 pixels wide: at most the pane's width, its height in proportion.
  auto picture = [window] {
    QTextDocument* doc = window->Browser()->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
      for (auto it = b.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isImageFormat()) return it.fragment().charFormat().toImageFormat();
    return QTextImageFormat();
  };
  for (const int width : {320, 1200}) {
    window->resize(width, 500);
    QCoreApplication::processEvents();
    const QTextImageFormat image = picture();
    ASSERT_TRUE(image.isValid());
    const int pane = window->Browser()->viewport()->width();
    EXPECT_LE(image.width(), pane) << width;
    if (pane > 600) {
      EXPECT_EQ(image.width(), 560) << width;
    }
    EXPECT_NEAR(image.height(), image.width() * 120 / 560, 1) << width;
  }
}

TEST_F(HelpWindowTest, PagesComeWithTheirPicturesAndLinksLeadToOtherPages) {
  ASSERT_GT(HtmlHelpCall(0, ApplicationHelpFile + "::/files/carving.html", HH_DISPLAY_TOPIC, 0), 0);
  gui::THelpBrowser* browser = display.Window()->Browser();
  EXPECT_EQ(browser->documentTitle(), QStringLiteral("How Quillot finds files"));
  const QVariant png = browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/carving.png")));
  QImage image;
  ASSERT_TRUE(image.loadFromData(png.toByteArray()));
  EXPECT_EQ(image.width(), 560);
  const QString css =
      browser->loadResource(QTextDocument::StyleSheetResource, QUrl(QStringLiteral("style.css"))).toString();
  EXPECT_TRUE(css.contains(QStringLiteral("h1")));
  EXPECT_FALSE(browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/none.png"))).isValid());
  // A link as the page writes it, relative to the page.
  browser->setSource(QUrl(QStringLiteral("troubleshooting.html#image")));
  EXPECT_EQ(ShownPage(), "/files/troubleshooting.html");
  EXPECT_EQ(browser->documentTitle(), QStringLiteral("Troubleshooting"));
  browser->backward();
  EXPECT_EQ(ShownPage(), "/files/carving.html");
}

TEST_F(HelpWindowTest, F1ShowsNothingWithoutTheBookOrOutsideTheProgramsWindows) {
  QWidget loose;
  loose.show();
  QTest::keyClick(&loose, Qt::Key_F1);
  EXPECT_EQ(display.Window(), nullptr);
  std::filesystem::remove(env.Program() / "Quillot.chm");
  gui::TMainForm form;
  form.show();
  QTest::keyClick(form.ButtonNext, Qt::Key_F1);
  EXPECT_EQ(display.Window(), nullptr);
  EXPECT_TRUE(dialogs.Shown.empty());
}

}  // namespace quillot::testing
