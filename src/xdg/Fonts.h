// The face the Linux editions set the launcher's texts in: Tahoma where it is
// installed, else DejaVu Sans Condensed, whose bold face sets the captions at
// nearly Tahoma Bold's width. Each toolkit asks its own font database whether
// Tahoma is there.
#pragma once

namespace zel::xdg {

struct TFontFace {
  const char* family;
  bool semiCondensed;
};

inline constexpr TFontFace kPreferredFace{"Tahoma", false};
// fontconfig lists DejaVu Sans Condensed as a semi-condensed width of DejaVu Sans.
inline constexpr TFontFace kFallbackFace{"DejaVu Sans", true};

constexpr TFontFace FontFace(bool preferredInstalled) noexcept {
  return preferredInstalled ? kPreferredFace : kFallbackFace;
}

}  // namespace zel::xdg
