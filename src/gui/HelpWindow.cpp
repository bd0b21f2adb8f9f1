#include "gui/HelpWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <utility>

#include "help/HelpBook.h"
#include "help/HelpInterface.h"
#include "help/HelpKeywords.h"

namespace quillot::gui {

namespace {

constexpr const char* kScheme = "chm";
// The item's page, kept beside its text.
constexpr int kLocalRole = Qt::UserRole + 1;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Space between the wizard and the help beside it.
constexpr int kGap = 8;
// Narrower than this a page is no longer readable beside the wizard; it then goes over its edge.
constexpr int kNarrowestBeside = 480;

THelpHandle HandleOf(const QWidget* w) { return static_cast<THelpHandle>(reinterpret_cast<std::intptr_t>(w)); }

}  // namespace

THelpBrowser::THelpBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(true);
  setOpenExternalLinks(false);
}

void THelpBrowser::SetBook(std::shared_ptr<THelpBook> book) {
  book_ = std::move(book);
  clearHistory();
}

QUrl THelpBrowser::PageUrl(const std::string& topic) {
  QUrl url;
  url.setScheme(QString::fromLatin1(kScheme));
  const std::string path = quillot::BookPath(topic);
  url.setPath(Q(path));
  const size_t hash = topic.find('#');
  if (hash != std::string::npos) url.setFragment(Q(topic.substr(hash + 1)));
  return url;
}

QVariant THelpBrowser::loadResource(int type, const QUrl& name) {
  if (!book_ || (name.scheme() != QLatin1String(kScheme) && !name.isRelative())) return {};
  const QUrl base = source();
  const std::string from = base.isEmpty() ? std::string("/") : base.path().toStdString();
  const auto bytes = book_->Read(quillot::BookPath(name.path().toStdString(), from));
  if (!bytes) return {};
  const QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
  if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) return QString::fromUtf8(data);
  return data;
}

void THelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  // A link as a page writes it is taken from that page's folder, so the new page's own pictures and
  // links resolve from where it lies.
  const QUrl url = name.isRelative() && !source().isEmpty() ? source().resolved(name) : name;
  if (!url.isRelative() && url.scheme() != QLatin1String(kScheme)) {
    // Web sites and mail addresses belong to the user's own programs.
    QDesktopServices::openUrl(url);
    return;
  }
  QTextBrowser::doSetSource(url, type);
  FitPictures();
}

void THelpBrowser::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  FitPictures();
}

void THelpBrowser::FitPictures() {
  // The room a picture has: the pane less the page's margins and a scroll bar's width.
  const int room = std::max(32, viewport()->width() - 2 * static_cast<int>(document()->documentMargin()) - 24);
  QTextCursor cursor(document());
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid() || !fragment.charFormat().isImageFormat()) continue;
      QTextImageFormat image = fragment.charFormat().toImageFormat();
      const QVariant data = document()->resource(QTextDocument::ImageResource, QUrl(image.name()));
      QImage picture;
      if (data.userType() == QMetaType::QImage)
        picture = data.value<QImage>();
      else if (data.userType() == QMetaType::QPixmap)
        picture = data.value<QPixmap>().toImage();
      else
        picture.loadFromData(data.toByteArray());
      if (picture.isNull()) continue;
      const int width = std::min(picture.width(), room);
      if (static_cast<int>(image.width()) == width) continue;
      image.setWidth(width);
      image.setHeight(static_cast<double>(picture.height()) * width / picture.width());
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      cursor.setCharFormat(image);
    }
  }
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Quillot Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The program ends when the wizard closes, help still open or not; its exit closes this window.
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(860, 600);
  // Small enough to go beside the wizard on a small screen; the layout alone would ask for more.
  setMinimumSize(320, 240);

  auto* back = new QPushButton(QStringLiteral("< Back"), this);
  auto* forward = new QPushButton(QStringLiteral("Forward >"), this);
  auto* home = new QPushButton(QStringLiteral("Contents"), this);
  auto* bar = new QHBoxLayout;
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addWidget(home);
  bar->addStretch(1);

  auto* tabs = new QTabWidget(this);
  contents_ = new QTreeWidget(tabs);
  contents_->setObjectName(QStringLiteral("HelpContentsTree"));
  contents_->header()->hide();
  index_ = new QTreeWidget(tabs);
  index_->setObjectName(QStringLiteral("HelpIndexList"));
  index_->header()->hide();
  index_->setRootIsDecorated(false);
  tabs->addTab(contents_, QStringLiteral("Contents"));
  tabs->addTab(index_, QStringLiteral("Index"));
  browser_ = new THelpBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  auto* splitter = new QSplitter(this);
  splitter->addWidget(tabs);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({240, 620});

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(splitter, 1);

  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(home, &QPushButton::clicked, this, [this] {
    if (book_) browser_->setSource(THelpBrowser::PageUrl(book_->DefaultTopic()));
  });
  connect(contents_, &QTreeWidget::itemClicked, this, &THelpWindow::OpenItem);
  connect(index_, &QTreeWidget::itemClicked, this, &THelpWindow::OpenItem);
  connect(browser_, &QTextBrowser::sourceChanged, this, &THelpWindow::SelectCurrentPage);
}

const std::string& THelpWindow::BookPath() const {
  static const std::string none;
  return book_ ? book_->Path() : none;
}

void THelpWindow::ShowTopic(std::shared_ptr<THelpBook> book, const std::string& topic) {
  if (!book_ || book_->Path() != book->Path()) {
    book_ = book;
    browser_->SetBook(book);
    FillContents();
  }
  browser_->setSource(THelpBrowser::PageUrl(topic.empty() ? book_->DefaultTopic() : topic));
}

void THelpWindow::FitToScreen() {
  const QScreen* on = screen();
  if (on == nullptr) return;
  const QRect frame = frameGeometry();
  const QRect fitted = FitInto(frame, on->availableGeometry());
  if (fitted == frame) return;
  resize(fitted.size() - (frame.size() - size()));
  move(fitted.topLeft());
}

void THelpWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FitToScreen();
  fitWhenFramed_ = frameGeometry().size() == size();
}

void THelpWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (fitWhenFramed_ && frameGeometry().size() != size()) {
    fitWhenFramed_ = false;
    // After this event, so the window manager has settled the frame it reported.
    QTimer::singleShot(0, this, &THelpWindow::FitToScreen);
  }
}

void THelpWindow::FillContents() {
  contents_->clear();
  AddItems(contents_, nullptr, book_->Contents());
  contents_->expandToDepth(0);
  index_->clear();
  AddItems(index_, nullptr, book_->Index());
}

void THelpWindow::AddItems(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<THelpContentsItem>& items) {
  for (const auto& entry : items) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, Q(entry.Name));
    item->setData(0, kLocalRole, Q(entry.Local));
    AddItems(tree, item, entry.Children);
  }
}

void THelpWindow::OpenItem(QTreeWidgetItem* item) {
  const QString local = item->data(0, kLocalRole).toString();
  if (!local.isEmpty()) browser_->setSource(THelpBrowser::PageUrl(local.toStdString()));
}

void THelpWindow::SelectCurrentPage(const QUrl& url) {
  const std::string page = url.path().toStdString();
  const std::string fragment = url.fragment().toStdString();
  QTreeWidgetItem* pageMatch = nullptr;
  for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
    const std::string local = (*it)->data(0, kLocalRole).toString().toStdString();
    if (quillot::BookPath(local) != page) continue;
    const size_t hash = local.find('#');
    const std::string anchor = hash == std::string::npos ? std::string() : local.substr(hash + 1);
    if (anchor == fragment) {
      pageMatch = *it;
      break;
    }
    if (pageMatch == nullptr && anchor.empty()) pageMatch = *it;
  }
  if (pageMatch != nullptr) contents_->setCurrentItem(pageMatch);
}

QRect FitInto(const QRect& frame, const QRect& screen) {
  const QSize size = frame.size().boundedTo(screen.size());
  const int left = std::clamp(frame.left(), screen.left(), screen.right() - size.width() + 1);
  const int top = std::clamp(frame.top(), screen.top(), screen.bottom() - size.height() + 1);
  return QRect(QPoint(left, top), size);
}

QRect PlaceBeside(const QRect& wizard, const QSize& help, const QRect& screen) {
  QSize size = help.boundedTo(screen.size());
  const int top = std::clamp(wizard.top(), screen.top(), screen.bottom() - size.height() + 1);
  const int rightRoom = screen.right() - wizard.right();
  const int leftRoom = wizard.left() - screen.left();
  const bool right = rightRoom >= size.width() || (leftRoom < size.width() && rightRoom >= leftRoom);
  const int room = right ? rightRoom : leftRoom;
  if (room < size.width() && room - kGap >= kNarrowestBeside) size.setWidth(room - kGap);
  int left = 0;
  if (room >= size.width()) {
    const int gap = std::min(kGap, room - size.width());
    left = right ? wizard.right() + 1 + gap : wizard.left() - size.width() - gap;
  } else {
    left = right ? screen.right() - size.width() + 1 : screen.left();
  }
  return QRect(QPoint(left, top), size);
}

std::optional<std::pair<QRect, QRect>> SideBySide(const QRect& wizard, const QSize& help, const QRect& screen) {
  const int width = std::min(help.width(), screen.width() - wizard.width() - kGap);
  if (width < kNarrowestBeside) return std::nullopt;
  const int height = std::min(help.height(), screen.height());
  const int left = screen.left() + (screen.width() - (wizard.width() + kGap + width)) / 2;
  const int top = std::clamp(wizard.top(), screen.top(), screen.bottom() - height + 1);
  // Level tops, as the help is the taller.
  return std::make_pair(QRect(QPoint(left, top), wizard.size()),
                        QRect(QPoint(left + wizard.width() + kGap, top), QSize(width, height)));
}

namespace {
// The wizard's window, if the program shows one.
QWidget* Wizard() {
  QWidget* hidden = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() != QLatin1String("MainForm")) continue;
    if (w->isVisible()) return w;
    hidden = w;
  }
  return hidden;
}

// Puts help beside the window it explains: a modal dialog, else the wizard. Where the help would cover
// it, the two may go side by side: a dialog always, the wizard when mayMoveWizard. Answers whether the
// help went beside the wizard on screen.
bool PlaceBesideOwner(QWidget* help, QWidget* dialog, bool mayMoveWizard) {
  QWidget* owner = dialog != nullptr ? dialog : Wizard();
  if (owner == nullptr) return false;
  const QScreen* screen = owner->screen();
  if (screen == nullptr) return false;
  // The window manager's frame is counted on both windows alike.
  const QRect ownerFrame = owner->frameGeometry();
  const QSize frame = ownerFrame.size() - owner->size();
  const QRect room = screen->availableGeometry();
  QRect place = PlaceBeside(ownerFrame, help->size() + frame, room);
  if (place.intersects(ownerFrame) && (dialog != nullptr || mayMoveWizard)) {
    if (const auto pair = SideBySide(ownerFrame, help->size() + frame, room)) {
      owner->move(pair->first.topLeft());
      place = pair->second;
    }
  }
  help->resize(place.size() - frame);
  help->move(place.topLeft());
  return dialog == nullptr && owner->isVisible();
}
}  // namespace

THelpHandle TQtHelpDisplay::ShowTopic(THelpHandle, std::shared_ptr<THelpBook> book, const std::string& topic) {
  // A modal dialog blocks every window but its own children: the help window then belongs to it, so it
  // can be read and scrolled while the dialog is open.
  QWidget* modal = QApplication::activeModalWidget();
  // A window closed, by the user or here, is on its way to deletion: it is never shown again.
  if (window_ && (window_->isHidden() || window_->parentWidget() != modal)) {
    window_->close();
    window_.clear();
  }
  if (!window_) {
    window_ = new THelpWindow(modal);
    // A new window goes beside the window it explains; one already open stays where the user put it. The
    // first beside the wizard may move the wizard aside to make room; later ones leave it where it is.
    if (PlaceBesideOwner(window_, modal, !placedOnce_)) placedOnce_ = true;
  }
  window_->ShowTopic(std::move(book), topic);
  if (window_->isMinimized()) window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
  return HandleOf(window_);
}

void TQtHelpDisplay::CloseAll() {
  if (window_) window_->close();
}

void TQtHelpDisplay::Beep() { QApplication::beep(); }

bool TQtHelpDisplay::OfferEngineDownload(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), Q(text), QMessageBox::Ok | QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

void TQtHelpDisplay::OpenAddress(const std::string& address) { QDesktopServices::openUrl(QUrl(Q(address))); }

std::string THelpKeyFilter::TopicFor(const QWidget* widget) {
  std::vector<std::string> names;
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) names.push_back(w->objectName().toStdString());
  return NearestHelpKeyword(names);
}

bool THelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
  auto* widget = static_cast<QWidget*>(watched);
  const std::string topic = TopicFor(widget);
  if (topic.empty()) return false;
  HelpManager().KeywordHelp(topic, HandleOf(widget->window()));
  return true;
}

void InstallHelp(QApplication& app) {
  static TQtHelpDisplay display;
  SetHelpDisplay(&display);
  app.installEventFilter(new THelpKeyFilter(&app));
}

}  // namespace quillot::gui
