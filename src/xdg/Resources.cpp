#include "xdg/Resources.h"

#include <string>

#include "core/Error.h"
#include "xdg/ResourceSymbols.h"

namespace zel::xdg {

namespace {

struct TResource {
  std::wstring_view name;
  const std::uint8_t* begin;
  const std::uint8_t* end;
};

const TResource kResources[] = {
    {L"BANNER", zel_res_banner_begin, zel_res_banner_end},
    {L"BUYPICTURE", zel_res_buy_begin, zel_res_buy_end},
    {L"MAINICON", zel_res_icon_begin, zel_res_icon_end},
};

}  // namespace

std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) {
  for (const TResource& resource : kResources) {
    if (resource.name == name) return {resource.begin, resource.end};
  }
  throw Error("EResNotFound", L"Resource " + std::wstring(name) + L" not found");
}

}  // namespace zel::xdg
