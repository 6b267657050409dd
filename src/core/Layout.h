// Scaling of the window definition to the display, first placement of the
// window and centring of pictures in their boxes. All sizes are pixels.
#pragma once

#include "core/Geometry.h"

namespace zel {

// The definition is declared for 96 logical pixels per inch and a text height of 13.
inline constexpr int kDesignPixelsPerInch = 96;
inline constexpr int kDesignTextHeight = 13;

// value * num / den rounded to the nearest integer, halves away from zero.
int MulDivRound(int value, int num, int den) noexcept;

// The window font's height (in pixels) at pixelsPerInch.
int ScaleWindowFontHeight(int designHeight, int pixelsPerInch) noexcept;

// A component rescaled from text height 13 to textHeight: the edges are scaled
// and rounded, and the size is the difference between the rounded edges.
TRect ScaleBounds(const TRect& design, int textHeight) noexcept;

// A button font's height: pixels to points at pixelsPerInch, rescaled by the text
// height, and back to pixels.
int ScaleButtonFontHeight(int designHeight, int pixelsPerInch, int textHeight) noexcept;

TSize ScaleClientSize(TSize design, int textHeight) noexcept;

// The first placement, the window's top-left corner: centred in the work area,
// then raised to the virtual screen's left and top edges.
TPoint CentreInWorkArea(const TRect& workArea, TSize windowSize, int virtualLeft,
                            int virtualTop) noexcept;

// Offset of a picture centred in a box (may be negative for a picture larger than its box).
TPoint CentreOffset(TSize box, TSize picture) noexcept;

}  // namespace zel
