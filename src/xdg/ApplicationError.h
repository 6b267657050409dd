// The "Application Error" text of an error that ends start-up, as the Linux
// editions show it: the module its code lies in and the offset from that
// module's start, as the dynamic linker knows them.
#pragma once

#include <string>

#include "core/ErrorText.h"

namespace zel::xdg {

// The module is the one dladdr finds the error's address in; where the address
// is unknown or lies in no module, the program itself at offset 0.
std::wstring ApplicationErrorTextOf(const TErrorInfo& info);

}  // namespace zel::xdg
