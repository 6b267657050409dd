#include "gtk/SessionEnd.h"

#include <glib-unix.h>
#include <glib.h>

#include <csignal>

namespace zel::gtk {

TSessionEnd::TSessionEnd(std::function<void()> end) : end_(std::move(end)) {
  // GLib turns the signal into a main-loop event: nothing runs in the handler itself.
  source_ = g_unix_signal_add(
      SIGTERM,
      [](gpointer self) -> gboolean {
        static_cast<TSessionEnd*>(self)->end_();
        return G_SOURCE_CONTINUE;
      },
      this);
}

TSessionEnd::~TSessionEnd() {
  if (source_ != 0) g_source_remove(source_);
}

}  // namespace zel::gtk
