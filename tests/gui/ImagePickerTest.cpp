// The "Add image..." picker: every column of its list whole at the usual and at a 144 DPI font, and
// the file picked there attached and listed.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QTreeWidget>
#include <fstream>

#include "drive/DriveTable.h"
#include "support/GuiFixture.h"
#include "support/ModalDriver.h"

namespace quillot::testing {

class ImagePickerTest : public TGuiTest {};

TEST_F(ImagePickerTest, ShowsEveryColumnWholeAtAnyFontSizeAndAttachesThePick) {
  const QFont usual = QApplication::font();
  const std::filesystem::path folder = env.Home() / "images";
  std::filesystem::create_directories(folder / "a folder");
  const std::string image = (folder / "card-from-the-recorder.img").string();
  { std::ofstream(image).put('\0'); }
  std::filesystem::resize_file(image, 2048 * 512);

  for (const double scale : {1.0, 1.5}) {  // 96 DPI, and 144 DPI as the fonts see it
    SCOPED_TRACE(scale);
    QFont font = usual;
    font.setPointSizeF(usual.pointSizeF() * scale);
    QApplication::setFont(font);
    gui::TMainForm form;
    form.show();
    const int rowsBefore = form.StartListViewDrives->topLevelItemCount();
    TModalDriver<QFileDialog> driver;
    driver.Then([&](QFileDialog& dialog) {
      auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
      ASSERT_NE(view, nullptr);
      auto* model = qobject_cast<QFileSystemModel*>(view->model());
      ASSERT_NE(model, nullptr);
      QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
      dialog.setDirectory(QString::fromStdString(folder.string()));
      if (model->rowCount(view->rootIndex()) < 2) {
        ASSERT_TRUE(loaded.wait(10000));
      }
      dialog.setViewMode(QFileDialog::Detail);
      QCoreApplication::processEvents();
      QHeaderView* header = view->header();
      int total = 0;
      for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column)) continue;
        total += header->sectionSize(column);
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
        if (column == 0) continue;  // the name takes the rest, and a long name is elided
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
          EXPECT_GE(header->sectionSize(column),
                    view->sizeHintForIndex(model->index(row, column, view->rootIndex())).width())
              << column << " " << row;
      }
      EXPECT_GE(header->sectionSize(0), view->fontMetrics().horizontalAdvance("card-from-the-recorder.img"));
      EXPECT_LE(total, view->viewport()->width());
      auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(QStringLiteral("card-from-the-recorder.img"));
      static_cast<QDialog&>(dialog).accept();  // the file dialog's own accept takes the selection
    });
    form.StartButtonAddImage->click();
    EXPECT_EQ(driver.Shown, 1);
    EXPECT_EQ(form.StartListViewDrives->topLevelItemCount(), rowsBefore + 1);
    DriveTable().Restore({});
  }
  QApplication::setFont(usual);
}

}  // namespace quillot::testing
