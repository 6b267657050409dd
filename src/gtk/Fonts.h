// The launcher's two fonts: Tahoma where it is installed, else DejaVu Sans
// Condensed, whose bold face sets the captions at nearly Tahoma Bold's width.
// Looked up once through Pango; the text height is measured as Windows does.
#pragma once

#include <string>

#include "core/FontMetrics.h"
#include "gtk/Handles.h"

namespace zel::gtk {

class TFonts {
 public:
  // Asks the font map once which face to use, with the first font wanted (its
  // size and weight), which Pango then holds ready.
  TFonts(PangoContext* context, int pixels, bool bold);
  // The family and stretch chosen, at a height in pixels.
  TFontDescription At(int pixels, bool bold) const;

 private:
  std::string family_;
  bool condensed_ = false;
};

// The line Windows measures for this font (the height of the text "0" is its
// height): the OS/2 table's Windows ascent and descent of the file Pango chose,
// where it has them, else Pango's own ascent and descent.
TWinTextMetrics WindowsLine(PangoContext* context, const PangoFontDescription& font);

}  // namespace zel::gtk
