// The help window: the book's contents beside its pages, read from the .chm through the help engine,
// and the Qt side of help requests (F1, the Help buttons, the download offer).
#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>
#include <memory>
#include <optional>
#include <utility>

#include "help/HtmlHelp.h"

class QTreeWidget;
class QTreeWidgetItem;
class QApplication;

namespace quillot {
class THelpBook;
struct THelpContentsItem;
}  // namespace quillot

namespace quillot::gui {

// Shows pages of a book, with their pictures and style sheets from the book; links between pages are
// followed, links to web sites open in the browser.
class THelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit THelpBrowser(QWidget* parent = nullptr);
  void SetBook(std::shared_ptr<THelpBook> book);
  // The address of a page of the book, as the browser's source.
  static QUrl PageUrl(const std::string& topic);
  QVariant loadResource(int type, const QUrl& name) override;
  // Pictures wider than the pane are shown at its width, their height in proportion.
  void FitPictures();

 protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::shared_ptr<THelpBook> book_;
};

class THelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);
  // Shows topic of book; an empty topic shows the book's default page.
  void ShowTopic(std::shared_ptr<THelpBook> book, const std::string& topic);
  THelpBrowser* Browser() const { return browser_; }
  QTreeWidget* ContentsTree() const { return contents_; }
  QTreeWidget* IndexList() const { return index_; }
  const std::string& BookPath() const;
  // Moves and, where it must, shrinks the window so its frame lies on the screen it is on.
  void FitToScreen();

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void FillContents();
  static void AddItems(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<THelpContentsItem>& items);
  void OpenItem(QTreeWidgetItem* item);
  void SelectCurrentPage(const QUrl& url);
  THelpBrowser* browser_;
  QTreeWidget* contents_;
  QTreeWidget* index_;
  std::shared_ptr<THelpBook> book_;
  // The window manager's frame is known only some time after the window is shown: the first move that
  // brings it fits the window again.
  bool fitWhenFramed_ = false;
};

// Where a window's frame goes so that it lies whole on screen: shrunk to the screen where it is larger,
// then moved in.
QRect FitInto(const QRect& frame, const QRect& screen);

// Where a new help window of frame size help goes on screen (the available area) so it leaves the
// wizard's frame uncovered: to its right when there is room, else to its left, else narrowed into the
// wider side, else against the screen's edge on that side, covering as little of the wizard as it can.
QRect PlaceBeside(const QRect& wizard, const QSize& help, const QRect& screen);
// Where the wizard's frame and a new help window go side by side, centred together on the screen, the help
// narrowed to the room left: for a screen too narrow to put the help beside the wizard where it stands.
// Empty when the screen cannot hold both with the help at its narrowest readable width.
std::optional<std::pair<QRect, QRect>> SideBySide(const QRect& wizard, const QSize& help, const QRect& screen);

// The help display of the wizard: one help window, in front of whatever window asked for it.
class TQtHelpDisplay final : public THelpDisplay {
 public:
  THelpHandle ShowTopic(THelpHandle owner, std::shared_ptr<THelpBook> book, const std::string& topic) override;
  void CloseAll() override;
  void Beep() override;
  bool OfferEngineDownload(const std::string& text) override;
  void OpenAddress(const std::string& address) override;
  THelpWindow* Window() const { return window_; }
  bool PlacedBesideWizard() const { return placedOnce_; }

 private:
  QPointer<THelpWindow> window_;
  // A help window has gone beside the wizard on screen (the first may move the wizard aside).
  bool placedOnce_ = false;
};

// Turns F1 on any widget into keyword help for the topic of its nearest page or window, found by the
// object names from the widget outward.
class THelpKeyFilter final : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  static std::string TopicFor(const QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs the help display and the F1 filter for the application's lifetime.
void InstallHelp(QApplication& app);

}  // namespace quillot::gui
