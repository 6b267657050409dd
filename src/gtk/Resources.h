// The pictures and the icon set the program carries, linked into it from res/
// (cmake/gtk-launcher.cmake assembles them), by the names the window definition uses.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zel::gtk {

// The stored bytes of a resource; throws EResNotFound for a name the program lacks.
std::span<const std::uint8_t> ResourceBytes(std::wstring_view name);

}  // namespace zel::gtk
