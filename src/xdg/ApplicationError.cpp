#include "xdg/ApplicationError.h"

#include <dlfcn.h>

#include <cstdint>

#include "core/AppFolder.h"
#include "core/Utf8.h"
#include "xdg/Program.h"

namespace zel::xdg {

std::wstring ApplicationErrorTextOf(const TErrorInfo& info) {
  std::wstring module;
  std::uintptr_t offset = 0;
  Dl_info where{};
  if (info.address != nullptr && ::dladdr(info.address, &where) != 0 && where.dli_fname != nullptr &&
      where.dli_fname[0] != '\0') {
    module = WideFromPathBytes(where.dli_fname);
    const auto base = reinterpret_cast<std::uintptr_t>(where.dli_fbase);
    const auto address = reinterpret_cast<std::uintptr_t>(info.address);
    offset = address >= base ? address - base : 0;
  } else {
    module = ExecutablePath();
  }
  return ApplicationErrorText(info.kind, FileNameOf(module, TPathStyle::Posix), offset, info.message);
}

}  // namespace zel::xdg
