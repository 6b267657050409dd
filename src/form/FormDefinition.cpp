#include "form/FormDefinition.h"

namespace zel {

TScaledForm ScaleForm(const TFormDecl& form, int pixelsPerInch, int textHeight) {
  TScaledForm scaled;
  scaled.client = ScaleClientSize(form.client, textHeight);
  for (const TComponentDecl& c : form.components) {
    scaled.bounds.push_back(ScaleBounds(c.bounds, textHeight));
    scaled.fontHeights.push_back(
        c.font.height == 0 ? 0 : ScaleButtonFontHeight(c.font.height, pixelsPerInch, textHeight));
  }
  return scaled;
}

TRect AlignBounds(const TComponentDecl& decl, const TRect& scaled, int clientWidth) noexcept {
  if (decl.align != TAlign::Top) return scaled;
  return {0, 0, clientWidth, scaled.height};
}

}  // namespace zel
