// Start and end of each file the program carries, as the assembler file of
// cmake/linux-launcher.cmake places them (hidden: nothing outside the program
// sees them). Declarations only, so a program of plain toolkit calls can use them.
#pragma once

#include <cstdint>

#define ZEL_RESOURCE(symbol)                                                                \
  extern "C" __attribute__((visibility("hidden"))) const std::uint8_t symbol##_begin[]; \
  extern "C" __attribute__((visibility("hidden"))) const std::uint8_t symbol##_end[];
ZEL_RESOURCE(zel_res_banner)
ZEL_RESOURCE(zel_res_buy)
ZEL_RESOURCE(zel_res_icon)
#undef ZEL_RESOURCE
