// The launcher's three commands as a table: what each hands to the shell.
#pragma once

#include <string>
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
  std::string_view handler;
  TCommandTarget target;
  std::wstring_view folderName;  // for folders beside the program
};

inline constexpr std::wstring_view kFileBrowser = L"explorer.exe";
inline constexpr std::wstring_view kOpenVerb = L"open";
inline constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

inline constexpr TCommandRow kCommandTable[] = {
    {"SpeedButtonFormListClick", TCommandTarget::FolderBesideProgram, L"Документы"},
    {"SpeedButtonSamplesClick", TCommandTarget::FolderBesideProgram, L"Примеры"},
    {"SpeedButtonBuyFullClick", TCommandTarget::PurchasePage, L""},
};

// One shell call: ShellExecuteW(owner, verb, file, parameters, no folder, show).
struct TShellCall {
  std::wstring verb;
  std::wstring file;
  std::wstring parameters;  // empty: none
  int show = kShowNormal;
  bool operator==(const TShellCall&) const = default;
};

// The shell call of a command row, for a program in appFolder.
TShellCall ShellCallFor(const TCommandRow& row, std::wstring_view appFolder);

}  // namespace zel
