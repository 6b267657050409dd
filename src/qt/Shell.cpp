#include "qt/Shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include "core/Utf8.h"
#include "xdg/Program.h"

namespace zel::qt {

void ShowFolder(std::wstring_view path) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    call << QStringList{QString::fromStdString(xdg::FolderUri(path))} << QString();
    if (bus.call(call, QDBus::Block).type() == QDBusMessage::ReplyMessage) return;
  }
  xdg::XdgOpen(PathBytesFromWide(path));
}

void OpenAddress(std::wstring_view address) { xdg::XdgOpen(ToUtf8(std::wstring(address))); }

}  // namespace zel::qt
