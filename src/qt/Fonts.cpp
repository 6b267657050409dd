#include "qt/Fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QRawFont>

#include "xdg/Fonts.h"

namespace zel::qt {

namespace {

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

bool Installed(const QString& family) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  return QFontDatabase::hasFamily(family);
#else
  return QFontDatabase().hasFamily(family);
#endif
}

}  // namespace

TFonts::TFonts() {
  const xdg::TFontFace face = xdg::FontFace(Installed(QString::fromLatin1(xdg::kPreferredFace.family)));
  family_ = QString::fromLatin1(face.family);
  stretch_ = face.semiCondensed ? QFont::SemiCondensed : QFont::Unstretched;
}

QFont TFonts::At(int pixels, bool bold) const {
  QFont font(family_);
  font.setStretch(stretch_);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

TWinTextMetrics WindowsLine(const QFont& font) {
  const QRawFont raw = QRawFont::fromFont(font);
  if (raw.isValid()) {
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray head = raw.fontTable("head");
    if (const auto metrics = WindowsTextMetrics(Bytes(os2), Bytes(head), font.pixelSize())) return *metrics;
  }
  const QFontMetrics metrics(font);
  return {metrics.ascent(), metrics.descent()};
}

}  // namespace zel::qt
