// Stands in for the launcher's GetAppFolder in a test build: it fails with an
// error whose cause carries the message, as a real failure inside a handler would.
#include <memory>

#include "ZelMainForm.h"
#include "core/Error.h"

std::wstring GetAppFolder() {
  auto cause = std::make_shared<zel::Error>("EOSError", L"Access to the program's folder is denied");
  throw zel::Error("EInOutError", L"", std::make_shared<zel::Error>("EInOutError", L"Cannot read the folder", cause));
}
