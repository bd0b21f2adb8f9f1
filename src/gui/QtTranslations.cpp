#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <string>

#include "app/Settings.h"
#include "gui/QtText.h"
#include "i18n/Language.h"
#include "util/Text.h"

namespace quillot::gui {

namespace {
constexpr std::string_view kExtension = ".lng";

std::unique_ptr<QTranslator> installed;
std::string installedFor;  // the setting the installed translation (or its absence) was chosen for
}  // namespace

std::optional<QLocale> LocaleOfLanguage(std::string_view setting) {
  if (setting.size() > kExtension.size() &&
      EqualsNoCase(setting.substr(setting.size() - kExtension.size()), kExtension))
    setting.remove_suffix(kExtension.size());
  const QString name = ToQ(setting).trimmed();
  if (name.isEmpty()) return std::nullopt;
  for (int l = QLocale::C + 1; l <= QLocale::LastLanguage; ++l) {
    const auto language = static_cast<QLocale::Language>(l);
    // By its English name or by its own ("Deutsch", "Nederlands").
    if (QLocale::languageToString(language).compare(name, Qt::CaseInsensitive) != 0 &&
        QLocale(language).nativeLanguageName().compare(name, Qt::CaseInsensitive) != 0)
      continue;
    // The built-in texts are English already.
    if (language == QLocale::English) return std::nullopt;
    return QLocale(language);
  }
  return std::nullopt;
}

bool FollowLanguageInQtTexts() {
  const std::string wanted = LanguageFile ? GlobalLanguage : std::string();
  if (wanted == installedFor) return installed != nullptr;
  installedFor = wanted;
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  const std::optional<QLocale> locale = LocaleOfLanguage(wanted);
  if (!locale) return false;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(*locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;  // not installed: Qt's texts stay English
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

}  // namespace quillot::gui
