#include "core/ThrowSite.h"

namespace {

thread_local const void* lastThrowSite = nullptr;

}  // namespace

// The linker sends every call of __cxa_throw here and names the runtime's own
// __real___cxa_throw. The destructor is only passed on, so its calling convention
// (thiscall on 32-bit Windows) does not matter here.
extern "C" {
[[noreturn]] void __real___cxa_throw(void* object, void* type, void* destructor);

[[noreturn]] __attribute__((noinline)) void __wrap___cxa_throw(void* object, void* type, void* destructor) {
  lastThrowSite = __builtin_return_address(0);
  __real___cxa_throw(object, type, destructor);
}
}

namespace zel {

const void* LastThrowSite() noexcept { return lastThrowSite; }

}  // namespace zel
