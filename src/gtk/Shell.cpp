#include "gtk/Shell.h"

#include <gio/gio.h>
#include <glib.h>

#include "core/Utf8.h"
#include "gtk/Handles.h"
#include "xdg/Program.h"

namespace zel::gtk {

void ShowFolder(std::wstring_view path) {
  const TObject<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (bus) {
    // The bus going away must not end the launcher.
    g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    const std::string uri = xdg::FolderUri(path);
    const gchar* uris[] = {uri.c_str(), nullptr};
    const TVariant reply(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
        "ShowFolders", g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
    if (reply) return;
  }
  xdg::XdgOpen(PathBytesFromWide(path));
}

void OpenAddress(std::wstring_view address) { xdg::XdgOpen(ToUtf8(std::wstring(address))); }

}  // namespace zel::gtk
