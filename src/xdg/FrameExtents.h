// The frame an X window manager will put around a top-level window, asked for
// before the window is first mapped, so that the window can be placed by its
// outer size at its first showing and need not move once framed.
#pragma once

#include <cstdint>
#include <optional>

#include "core/Layout.h"

namespace zel::xdg {

// Managers answer within milliseconds; a busy desk gets this long.
inline constexpr int kFrameAnswerTimeoutMs = 500;

// The Motif hints of a fixed window that can be moved and closed only, with a
// border, a title and the window menu: the frame it gets is the launcher's.
inline constexpr std::uint32_t kMotifFunctionsMoveClose = 0x24;
inline constexpr std::uint32_t kMotifDecorationsBorderTitleMenu = 0x1a;

// Asks the window manager of the X display named `display` (null: $DISPLAY) for the
// frame it would give a normal top-level window with those Motif hints
// (_NET_REQUEST_FRAME_EXTENTS for a stand-in window that is never mapped), and waits
// at most timeoutMs for _NET_FRAME_EXTENTS. None where no manager runs (bare X), where
// it does not offer the request, or where no answer comes in time. Speaks over a
// connection of its own, so the toolkit's window and events stay untouched.
std::optional<TFrameExtents> AskFrameExtents(const char* display, int timeoutMs);

}  // namespace zel::xdg
