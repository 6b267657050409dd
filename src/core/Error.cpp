#include "core/Error.h"

#include "core/Utf8.h"

namespace zel {

// Not inlined, so the return address is the raising code's own.
__attribute__((noinline)) Error::Error(std::string kind, std::wstring message,
                                       std::shared_ptr<const Error> cause)
    : kind_(std::move(kind)),
      message_(std::move(message)),
      cause_(std::move(cause)),
      address_(__builtin_extract_return_addr(__builtin_return_address(0))),
      utf8_(ToUtf8(message_)) {}

}  // namespace zel
