#include "core/StartupOptions.h"

namespace zel {

unsigned ShowRequest(bool useShowWindow, unsigned showWindow) noexcept {
  return useShowWindow ? showWindow : kShowDefault;
}

TInitialState InitialState(unsigned showRequest) noexcept {
  switch (showRequest) {
    case kShowMaximized: return TInitialState::Maximized;
    case kShowMinNoActive: return TInitialState::MinimizedNoActivate;
    default: return TInitialState::Normal;
  }
}

}  // namespace zel
