// The launcher's two fonts in the face xdg/Fonts chooses, looked up once through
// Pango; the text height is measured as Windows does.
#pragma once

#include "core/FontMetrics.h"
#include "gtk/Handles.h"
#include "xdg/Fonts.h"

namespace zel::gtk {

class TFonts {
 public:
  // Asks the font map once which face to use, with the first font wanted (its
  // size and weight), which Pango then holds ready.
  TFonts(PangoContext* context, int pixels, bool bold);
  // The family and stretch chosen, at a height in pixels.
  TFontDescription At(int pixels, bool bold) const;

 private:
  xdg::TFontFace face_;
};

// The line Windows measures for this font (the height of the text "0" is its
// height): the OS/2 table's Windows ascent and descent of the file Pango chose,
// where it has them, else Pango's own ascent and descent.
TWinTextMetrics WindowsLine(PangoContext* context, const PangoFontDescription& font);

}  // namespace zel::gtk
