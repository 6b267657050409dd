// The core's geometry in Win32 terms, converted in one place.
#pragma once

#include <windows.h>

#include "core/Geometry.h"

namespace zel::win {

inline RECT ToRect(const TRect& r) noexcept { return {r.left, r.top, r.Right(), r.Bottom()}; }
inline TRect FromRect(const RECT& r) noexcept { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

}  // namespace zel::win
