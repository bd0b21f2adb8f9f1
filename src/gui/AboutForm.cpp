#include "gui/AboutForm.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/VersionInfo.h"
#include "gui/HelpKey.h"
#include "gui/MakeControl.h"
#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "gui/TranslateForms.h"
#include "i18n/Messages.h"
#include "wizard/VersionLine.h"

namespace quillot::gui {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(360, 170);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("ImageLogo"));
  picture->setPixmap(
      SidePicture().copy(20, 200, 96, 128).scaled(48, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  picture->setGeometry(14, 14, 48, 64);

  LabelProgramName = new QLabel(ToQ(ProductName), this);
  LabelProgramName->setObjectName(QStringLiteral("LabelProgramName"));
  QFont big = LabelProgramName->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  LabelProgramName->setFont(big);
  LabelProgramName->setGeometry(78, 12, 270, 30);
  MarkAsFixedText(LabelProgramName);

  LabelDescription = new QLabel(ToQ(FileDescription), this);
  LabelDescription->setObjectName(QStringLiteral("LabelDescription"));
  LabelDescription->setGeometry(78, 44, 270, 20);

  LabelProgramVersion = new QLabel(ToQ(VersionLine()), this);
  LabelProgramVersion->setObjectName(QStringLiteral("LabelProgramVersion"));
  LabelProgramVersion->setGeometry(78, 66, 270, 20);
  // Built from the version facts and the translated "Build".
  MarkAsFixedText(LabelProgramVersion);

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Bevel1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(8, 120, 344, 4);

  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setGeometry(277, 134, 75, 25);
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  // Beside OK, as the other dialogs keep theirs; it asks for the topic of this box.
  ButtonHelp = Make<QPushButton>(this, "ButtonHelp", QStringLiteral("&Help"));
  ButtonHelp->setGeometry(194, 134, 75, 25);
  ButtonHelp->setAutoDefault(false);
  connect(ButtonHelp, &QPushButton::clicked, this, [this] { PressHelpKey(this); });
  setTabOrder(OkButton, ButtonHelp);

  TranslateForms({this});
}

}  // namespace quillot::gui
