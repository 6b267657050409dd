// Errors of the launcher: an exception with a kind name, a UTF-16 message, the
// code address that raised it and, optionally, the error that caused it.
#pragma once

#include <exception>
#include <memory>
#include <string>

namespace zel {

class Error : public std::exception {
 public:
  // kind: the fixed name of this kind of error, shown in the "Application Error" box.
  Error(std::string kind, std::wstring message, std::shared_ptr<const Error> cause = nullptr);

  const std::string& Kind() const noexcept { return kind_; }
  const std::wstring& Message() const noexcept { return message_; }
  const Error* Cause() const noexcept { return cause_.get(); }
  // The code address that constructed the error: where it was raised.
  const void* Address() const noexcept { return address_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::string kind_;
  std::wstring message_;
  std::shared_ptr<const Error> cause_;
  const void* address_;
  std::string utf8_;
};

}  // namespace zel
