// A file descriptor's owner: closed once, on every way out of its owner's life.
#pragma once

#include <unistd.h>

#include "core/Owned.h"

namespace zel::xdg {

inline void CloseDescriptor(int fd) noexcept { ::close(fd); }

using TDescriptor = TOwned<int, &CloseDescriptor, -1>;

}  // namespace zel::xdg
