// The pictures and the icon set the program carries, linked into it from res/
// (cmake/linux-launcher.cmake assembles them), by the names the window definition uses.
// The same in either Linux edition, whatever toolkit draws.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zel::xdg {

// The stored bytes of a resource; throws EResNotFound for a name the program lacks.
std::span<const std::uint8_t> ResourceBytes(std::wstring_view name);

}  // namespace zel::xdg
