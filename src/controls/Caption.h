// Where a command button's caption sits in its face. The form's painter has
// the caption measured in the button font and places it by this rule.
#pragma once

#include "core/Geometry.h"

namespace zel::controls {

// Offsets of the caption from the face's top-left corner. With d the face's
// width less the caption's and e likewise for the height: left (d + 1) / 2, or
// d - (d + 1) / 2 with the image place to the right of the caption (imageRight),
// top (e + 1) / 2. Division truncates towards zero, which the odd and negative
// cases rely on.
constexpr TPoint CaptionOffset(TSize face, TSize caption, bool imageRight) noexcept {
  const int d = face.width - caption.width;
  const int e = face.height - caption.height;
  const int half = (d + 1) / 2;
  return {imageRight ? d - half : half, (e + 1) / 2};
}

// The caption's rectangle within a face given in window coordinates.
constexpr TRect CaptionRect(const TRect& face, TSize caption, bool imageRight) noexcept {
  const TPoint offset = CaptionOffset(face.Size(), caption, imageRight);
  return {face.left + offset.x, face.top + offset.y, caption.width, caption.height};
}

}  // namespace zel::controls
