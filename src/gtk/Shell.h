// The session bus as GIO's GDBus reaches it: the one call the desktop's folder
// opening (xdg/Shell) needs of it.
#pragma once

#include "xdg/Shell.h"

namespace zel::gtk {

class TSessionBus final : public xdg::TSessionBus {
 public:
  bool ShowFolders(const std::string& uri) override;
};

}  // namespace zel::gtk
