#include "qt/Shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

namespace zel::qt {

bool TSessionBus::ShowFolders(const std::string& uri) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QString fileManager = QString::fromLatin1(xdg::kFileManager);
  QDBusMessage call = QDBusMessage::createMethodCall(fileManager, QString::fromLatin1(xdg::kFileManagerObject),
                                                     fileManager, QString::fromLatin1(xdg::kShowFolders));
  call << QStringList{QString::fromStdString(uri)} << QString();
  return bus.call(call, QDBus::Block).type() == QDBusMessage::ReplyMessage;
}

}  // namespace zel::qt
