// The Types page: the catalogue as a tree of categories and formats whose checks set Search.
#include <QApplication>
#include <QCheckBox>
#include <QCollator>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStyle>

#include "formats/FileTypes.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/TypesTreeView.h"

namespace quillot::gui {

namespace {
constexpr int kFormatRole = Qt::UserRole;

class TTreeBusyScope {
 public:
  explicit TTreeBusyScope(QWidget* w) : w_(w) {
    w_->setUpdatesEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TTreeBusyScope() {
    QApplication::restoreOverrideCursor();
    w_->setUpdatesEnabled(true);
  }

 private:
  QWidget* w_;
};
}  // namespace

TFormat* TMainForm::FormatOf(const QTreeWidgetItem* node) {
  return node ? static_cast<TFormat*>(node->data(0, kFormatRole).value<void*>()) : nullptr;
}

QIcon TMainForm::FileIcon(const std::string& extension) const {
  static QMimeDatabase mimes;
  const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + ToQ(extension), QMimeDatabase::MatchExtension);
  QIcon icon;
  if (type.isValid() && !type.isDefault()) {
    icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  }
  if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

void TMainForm::ReloadFileFormats() {
  TTreeBusyScope busy(TypesTreeView);
  TypesTreeView->clear();
  ImageListIcons = ImageListIcons.mid(0, 1);
  if (!DataStorage) return;
  const TFormatsList& formats = DataStorage->Formats;

  // Categories without regard to case, each written as its first format in catalogue order writes it.
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  QStringList categories;
  for (const auto& f : formats) {
    const QString c = ToQ(f->Category);
    bool known = false;
    for (const QString& k : categories) known = known || k.compare(c, Qt::CaseInsensitive) == 0;
    if (!known) categories.append(c);
  }
  std::stable_sort(categories.begin(), categories.end(),
                   [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });

  QList<QTreeWidgetItem*> nodes;
  for (const QString& c : categories) {
    auto* node = new QTreeWidgetItem(TypesTreeView, QStringList(c));
    node->setIcon(0, ImageListIcons.value(0));
    TypesTreeView->SetState(node, TTypesTreeView::kNoState);
    nodes.append(node);
  }
  for (const auto& f : formats) {
    const QString c = ToQ(f->Category);
    QTreeWidgetItem* parent = nullptr;
    for (QTreeWidgetItem* n : nodes)
      if (n->text(0).compare(c, Qt::CaseInsensitive) == 0) parent = n;
    if (!parent) continue;
    auto* node = new QTreeWidgetItem(parent, QStringList(ToQ(f->Title + " (" + f->TypeDescription + ")")));
    TypesTreeView->SetState(node, f->Search ? TTypesTreeView::kChecked : TTypesTreeView::kUnchecked);
    ImageListIcons.append(FileIcon(f->FileExtension));
    node->setIcon(0, ImageListIcons.last());
    node->setData(0, kFormatRole, QVariant::fromValue(static_cast<void*>(f.get())));
  }
  TypesTreeView->expandAll();
}

void TMainForm::TypesTreeViewClick() {
  QTreeWidgetItemIterator it(TypesTreeView);
  for (; *it; ++it) {
    QTreeWidgetItem* node = *it;
    if (!node->parent()) continue;
    if (TFormat* f = FormatOf(node)) {
      f->Search = TTypesTreeView::State(node) == TTypesTreeView::kChecked;
      if (DataStorage) DataStorage->Modified = true;
    }
  }
  QTreeWidgetItem* selected = TypesTreeView->currentItem();
  const bool format = selected && selected->isSelected() && selected->parent();
  TypesAdvButtonModify->setEnabled(format);
  TypesAdvButtonDelete->setEnabled(format);
}

void TMainForm::TypesCheckBoxShowAdvancedClick() {
  const bool show = TypesCheckBoxShowAdvanced->isChecked();
  TypesTreeView->resize(show ? 337 : 425, TypesTreeView->height());
  TypesAdvButtonAdd->setEnabled(show);
  TypesAdvButtonModify->setEnabled(show);
  TypesAdvButtonDelete->setEnabled(show);
}

}  // namespace quillot::gui
