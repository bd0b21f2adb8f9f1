// Core texts are bytes: UTF-8 as a rule, but a language file may be written in an 8-bit code page.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace quillot::gui {

// UTF-8 when the bytes are valid UTF-8, otherwise Latin-1, so an old 8-bit language file still shows.
inline QString ToQ(std::string_view s) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
  if (utf8.hasError()) return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
  return text;
}

inline std::string FromQ(const QString& s) { return s.toStdString(); }

}  // namespace quillot::gui
