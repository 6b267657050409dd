// The launcher's two fonts in the face xdg/Fonts chooses, looked up once in Qt's
// font database; the text height of the window font is measured as Windows does.
#pragma once

#include <QFont>
#include <QString>

#include "core/FontMetrics.h"

namespace zel::qt {

class TFonts {
 public:
  // Asks the font database once, which face to use.
  TFonts();
  // The family and stretch chosen, at a height in pixels.
  QFont At(int pixels, bool bold) const;

 private:
  QString family_;
  int stretch_ = QFont::Unstretched;
};

// The line Windows measures for this font (the height of the text "0" is its
// height): the OS/2 table's Windows ascent and descent where the font has them,
// else Qt's own.
TWinTextMetrics WindowsLine(const QFont& font);

}  // namespace zel::qt
