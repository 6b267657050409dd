// Scaling of the window definition to the display, first placement of the
// window and centring of pictures in their boxes. All sizes are pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

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

// The frame a window manager puts around the client area: its width on each side.
struct TFrameExtents {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  bool operator==(const TFrameExtents&) const = default;
};

// A frame as a desktop announces it: four sides, left, right, top, bottom. None
// for anything else, or for a side no frame could have.
std::optional<TFrameExtents> FrameFromSides(std::span<const std::uint32_t> sides) noexcept;

// The window's outer size: the client area with the frame around it.
TSize OuterSize(TSize client, const TFrameExtents& frame) noexcept;

// The first placement of a framed window, the frame's top-left corner: the outer
// size centred in the work area, then raised to the virtual screen's edges.
TPoint FramePlacement(const TRect& workArea, TSize client, const TFrameExtents& frame, int virtualLeft,
                      int virtualTop) noexcept;

// The primary screen's work area: the room the desktop's panels leave, which X
// desktops announce for the whole virtual screen, cut to the primary screen; the
// whole screen where nothing is announced or what is announced misses it.
TRect WorkAreaOfScreen(const TRect& screen, const std::optional<TRect>& desktopWorkArea) noexcept;

// The primary screen: the toolkit's primary monitor, unless that one monitor spans
// several of the heads the X server lists (Xinerama heads with no RandR outputs
// behind them); then the first head, where the server lists the primary output.
TRect PrimaryHead(const TRect& monitor, std::span<const TRect> heads) noexcept;

// Offset of a picture centred in a box (may be negative for a picture larger than its box).
TPoint CentreOffset(TSize box, TSize picture) noexcept;

}  // namespace zel
