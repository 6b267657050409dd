// A window declared as data: its own properties and its components in declared
// order (which is their creation and stacking order, bottom first), with the
// names of the handlers bound to them; and a definition scaled to a display.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/Geometry.h"
#include "core/Layout.h"

namespace zel {

enum class TComponentClass { Picture, CommandButton };
enum class TAlign { None, Top };
enum class TPictureFit { TopLeft, Centre };
enum class TCaptionLayout { ImageLeft, ImageRight };

struct TFontDecl {
  std::wstring_view face;
  int height = 0;  // character height in pixels at 96 logical pixels per inch
  bool bold = false;
};

struct TComponentDecl {
  std::string_view name;
  TComponentClass kind = TComponentClass::Picture;
  TRect bounds;
  TAlign align = TAlign::None;
  // Command buttons
  TFontDecl font{};
  std::wstring_view caption{};
  TCaptionLayout layout = TCaptionLayout::ImageLeft;
  std::string_view onClick{};
  // Picture boxes: the resource holding the picture
  std::wstring_view picture{};
  TPictureFit fit = TPictureFit::TopLeft;
};

struct TFormDecl {
  std::string_view name;
  std::wstring_view caption;
  TSize client;
  TFontDecl font;
  std::wstring_view icon;  // icon group resource
  std::string_view onCreate;
  std::span<const TComponentDecl> components;
};

// A definition scaled to a display: pixelsPerInch P and the measured text height T.
struct TScaledForm {
  TSize client;
  std::vector<TRect> bounds;          // per component, in declared order
  std::vector<int> fontHeights;         // per component: its font's height in pixels (0: none)
};
TScaledForm ScaleForm(const TFormDecl& form, int pixelsPerInch, int textHeight);

// Bounds of a top-aligned component that follows the client width.
TRect AlignBounds(const TComponentDecl& decl, const TRect& scaled, int clientWidth) noexcept;

}  // namespace zel
