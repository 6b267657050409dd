#include "qt/Shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "qt/Environment.h"

namespace zel::qt {

namespace {

// xdg-open by name through PATH, whose relative entries (the current folder,
// spelt "" or ".") are skipped: nothing is started from there.
void XdgOpen(const QString& argument) {
  QStringList folders;
  for (const QString& folder : qEnvironmentVariable("PATH").split(QLatin1Char(':'))) {
    if (QDir::isAbsolutePath(folder)) folders << folder;
  }
  const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"), folders);
  if (program.isEmpty()) return;
  QProcess process;
  process.setProgram(program);
  process.setArguments({argument});
  process.setProcessEnvironment(ChildEnvironment());
  process.startDetached();
}

}  // namespace

void ShowFolder(const QString& path) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    call << QStringList{QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded())} << QString();
    if (bus.call(call, QDBus::Block).type() == QDBusMessage::ReplyMessage) return;
  }
  XdgOpen(path);
}

void OpenAddress(const QString& address) { XdgOpen(address); }

}  // namespace zel::qt
