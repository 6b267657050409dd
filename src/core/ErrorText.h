// The texts of the launcher's two error boxes.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace zel {

class Error;

// Appends "." to a non-empty text whose last character comes after "." in code order.
std::wstring WithClosingDot(std::wstring text);

// The text of the box for an error caught around one message or the creation
// handler: the innermost message of the error's chain that is not empty (its
// own when all are), followed by "." as WithClosingDot says.
std::wstring ErrorBoxText(const Error& error);

// The "Application Error" text for an error that ends start-up:
// "Exception <kind> in module <module> at <offset>.\r\n<message>[.]\r\n"
std::wstring ApplicationErrorText(std::string_view kind, std::wstring_view moduleName,
                                  std::uintptr_t offset, std::wstring_view message);

// What the boxes show of any error: the launcher's own, the runtime's, or another.
struct TErrorInfo {
  std::string kind;       // the fixed name of its kind, for "Application Error"
  std::wstring boxText;   // the text of a handler's error box
  std::wstring message;   // the error's own message
  const void* address = nullptr;  // the code that raised it, where known
};
TErrorInfo DescribeError(std::exception_ptr error) noexcept;

}  // namespace zel
