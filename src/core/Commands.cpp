#include "core/Commands.h"

#include "core/AppFolder.h"

namespace zel {

static_assert(!kVendorHost.empty() && kVendorHost.find_first_of(L"/:?#@ ") == std::wstring_view::npos);
static_assert(kPurchaseAddress.starts_with(L"http://"));
static_assert(kPurchaseAddress.substr(7, kVendorHost.size()) == kVendorHost);
static_assert(kPurchaseAddress.ends_with(L"/buy/") && kPurchaseAddress.size() == 7 + kVendorHost.size() + 5);

TShellCall ShellCallFor(const TCommandRow& row, std::wstring_view appFolder) {
  if (row.target == TCommandTarget::PurchasePage) {
    return {std::wstring(kOpenVerb), std::wstring(kPurchaseAddress), {}, kShowNormal};
  }
  return {std::wstring(kOpenVerb), std::wstring(kFileBrowser), FolderParameters(appFolder, row.folderName),
          kShowNormal};
}

}  // namespace zel
