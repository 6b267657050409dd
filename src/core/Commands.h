// The launcher's three commands as a table: which folder beside the program each
// opens, or that it opens the purchase page. How a platform opens either is its own.
#pragma once

#include <cstddef>
#include <string_view>

namespace zel {

// The vendor's purchase page; the host is the build's ZEL_VENDOR_HOST.
#ifndef ZEL_VENDOR_HOST
#error "ZEL_VENDOR_HOST (the purchase page's host) comes from the build"
#endif
inline constexpr std::wstring_view kVendorHost = L"" ZEL_VENDOR_HOST;
inline constexpr std::wstring_view kPurchaseAddress = L"http://" ZEL_VENDOR_HOST "/buy/";

enum class TCommandTarget { FolderBesideProgram, PurchasePage };

struct TCommandRow {
  std::string_view handler;  // the click handler whose body the row is
  TCommandTarget target;
  std::wstring_view folderName;  // for folders beside the program
};

// The rows by what a handler calls, in the table's order.
enum class TCommand : std::size_t { FormList, Samples, BuyFull };

inline constexpr TCommandRow kCommandTable[] = {
    {"SpeedButtonFormListClick", TCommandTarget::FolderBesideProgram, L"Документы"},
    {"SpeedButtonSamplesClick", TCommandTarget::FolderBesideProgram, L"Примеры"},
    {"SpeedButtonBuyFullClick", TCommandTarget::PurchasePage, L""},
};

constexpr const TCommandRow& CommandRow(TCommand command) noexcept {
  return kCommandTable[static_cast<std::size_t>(command)];
}

}  // namespace zel
