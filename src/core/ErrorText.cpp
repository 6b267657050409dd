#include "core/ErrorText.h"

#include <new>

#include "core/Error.h"
#include "core/ThrowSite.h"
#include "core/Utf8.h"

namespace zel {

std::wstring WithClosingDot(std::wstring text) {
  if (!text.empty() && text.back() > L'.') text += L'.';
  return text;
}

std::wstring ErrorBoxText(const Error& error) {
  const Error* chosen = &error;
  for (const Error* e = error.Cause(); e != nullptr; e = e->Cause()) {
    if (!e->Message().empty()) chosen = e;
  }
  return WithClosingDot(chosen->Message());
}

std::wstring ApplicationErrorText(std::string_view kind, std::wstring_view moduleName,
                                  std::uintptr_t offset, std::wstring_view message) {
  wchar_t address[8];
  for (int i = 7; i >= 0; --i, offset >>= 4) address[i] = L"0123456789ABCDEF"[offset & 0xF];
  std::wstring text = L"Exception ";
  text.append(kind.begin(), kind.end());
  text += L" in module ";
  text += moduleName;
  text += L" at ";
  text.append(address, address + 8);
  text += L".\r\n";
  text += message;
  if (!message.empty() && message.back() != L'.') text += L'.';
  text += L"\r\n";
  return text;
}

TErrorInfo DescribeError(std::exception_ptr error) noexcept {
  TErrorInfo info;
  // Where the runtime's own errors came from; the launcher's own carry it.
  info.address = LastThrowSite();
  try {
    try {
      std::rethrow_exception(error);
    } catch (const Error& e) {
      info.kind = e.Kind();
      info.message = e.Message();
      info.boxText = ErrorBoxText(e);
      info.address = e.Address();
    } catch (const std::bad_alloc&) {
      info.kind = "EOutOfMemory";
      info.message = L"Out of memory";
      info.boxText = WithClosingDot(info.message);
    } catch (const std::exception& e) {
      info.kind = "Exception";
      info.message = FromUtf8(e.what());
      info.boxText = WithClosingDot(info.message);
    } catch (...) {
      info.kind = "Exception";
      info.message = L"Unknown error";
      info.boxText = WithClosingDot(info.message);
    }
  } catch (...) {
    info.kind = "EOutOfMemory";
  }
  return info;
}

}  // namespace zel
