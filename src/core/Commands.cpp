#include "core/Commands.h"

#include <iterator>

namespace zel {

static_assert(!kVendorHost.empty() && kVendorHost.find_first_of(L"/:?#@ ") == std::wstring_view::npos);
static_assert(kPurchaseAddress.starts_with(L"http://"));
static_assert(kPurchaseAddress.substr(7, kVendorHost.size()) == kVendorHost);
static_assert(kPurchaseAddress.ends_with(L"/buy/") && kPurchaseAddress.size() == 7 + kVendorHost.size() + 5);

// Each handler reaches its own row.
static_assert(CommandRow(TCommand::FormList).handler == "SpeedButtonFormListClick");
static_assert(CommandRow(TCommand::Samples).handler == "SpeedButtonSamplesClick");
static_assert(CommandRow(TCommand::BuyFull).handler == "SpeedButtonBuyFullClick");
static_assert(std::size(kCommandTable) == 3);

}  // namespace zel
