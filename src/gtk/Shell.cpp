#include "gtk/Shell.h"

#include <gio/gio.h>
#include <glib.h>

#include "gtk/Handles.h"

namespace zel::gtk {

bool TSessionBus::ShowFolders(const std::string& uri) {
  const TObject<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (!bus) return false;
  // The bus going away must not end the launcher.
  g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
  const gchar* uris[] = {uri.c_str(), nullptr};
  const TVariant reply(g_dbus_connection_call_sync(bus.get(), xdg::kFileManager, xdg::kFileManagerObject,
                                                   xdg::kFileManager, xdg::kShowFolders,
                                                   g_variant_new("(^ass)", uris, ""), nullptr,
                                                   G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
  return reply != nullptr;
}

}  // namespace zel::gtk
