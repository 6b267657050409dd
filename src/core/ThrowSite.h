// Where the latest C++ error on this thread was raised. The build routes every throw
// through a wrapper (the linker's --wrap=__cxa_throw) that notes the address of the
// throwing code, so an error of the runtime's own (std::bad_alloc, say) can still be
// reported at the place it came from.
#pragma once

namespace zel {

// The code address just after the call that raised the latest error on this
// thread; null before the first. A rethrow keeps the address of the first throw.
const void* LastThrowSite() noexcept;

}  // namespace zel
