// Scaling of the window definition to the display, first placement of the
// window and centring of pictures in their boxes. All sizes are pixels.
#pragma once

namespace zel {

struct TBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TBounds&) const = default;
};

struct TSize {
  int width = 0;
  int height = 0;
  bool operator==(const TSize&) const = default;
};

// The definition is declared for 96 logical pixels per inch and a text height of 13.
inline constexpr int kDesignPixelsPerInch = 96;
inline constexpr int kDesignTextHeight = 13;

// value * num / den rounded to the nearest integer, halves away from zero.
int MulDivRound(int value, int num, int den) noexcept;

// The window font's height (in pixels) at pixelsPerInch.
int ScaleWindowFontHeight(int designHeight, int pixelsPerInch) noexcept;

// A component rescaled from text height 13 to textHeight: the edges are scaled
// and rounded, and the size is the difference between the rounded edges.
TBounds ScaleBounds(const TBounds& design, int textHeight) noexcept;

// A button font's height: pixels to points at pixelsPerInch, rescaled by the text
// height, and back to pixels.
int ScaleButtonFontHeight(int designHeight, int pixelsPerInch, int textHeight) noexcept;

TSize ScaleClientSize(TSize design, int textHeight) noexcept;

// The first placement: centred in the work area, then raised to the virtual
// screen's left and top edges.
struct TPlacement {
  int left = 0;
  int top = 0;
  bool operator==(const TPlacement&) const = default;
};
TPlacement CentreInWorkArea(const TBounds& workArea, TSize windowSize, int virtualLeft,
                            int virtualTop) noexcept;

// Offset of a picture centred in a box (may be negative for a picture larger than its box).
TPlacement CentreOffset(TSize box, TSize picture) noexcept;

}  // namespace zel
