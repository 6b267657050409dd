#include "qt/Fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QRawFont>


namespace zel::qt {

namespace {

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

}  // namespace

TFonts::TFonts() : family_(QStringLiteral("Tahoma")), stretch_(QFont::Unstretched) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  if (QFontDatabase::hasFamily(family_)) return;
#else
  if (QFontDatabase().hasFamily(family_)) return;
#endif
  // fontconfig lists DejaVu Sans Condensed as a semi-condensed width of DejaVu Sans.
  family_ = QStringLiteral("DejaVu Sans");
  stretch_ = QFont::SemiCondensed;
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
