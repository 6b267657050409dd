// A stand-in for the desktop's file manager on the private session bus, and the
// driver's way to tell it what to do. It owns a control name of its own for the
// whole run; the file manager's well-known name only while it is told to be present.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QObject>
#include <QThread>

#include "Harness.h"

namespace zellinux {

namespace {

const QString kFileManagerName = QStringLiteral("org.freedesktop.FileManager1");
const QString kControlName = QStringLiteral("org.example.ZelTest");

struct TSettings {
  QString record;
  int delayMs = 0;
};

void AppendLine(const QString& path, const QString& line) {
  QFile file(path);
  if (file.open(QIODevice::Append)) file.write((line + "\n").toUtf8());
}

class TFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  explicit TFileManager(const TSettings& settings) : settings_(settings) {}

 public slots:
  // Answers only after the delay: the caller is held for that long.
  void ShowFolders(const QStringList& uris, const QString& startupId) {
    AppendLine(settings_.record, uris.join(' ') + (startupId.isEmpty() ? "" : " startup-id=" + startupId));
    QThread::msleep(static_cast<unsigned long>(settings_.delayMs));
    AppendLine(settings_.record + ".answered", uris.join(' '));
  }

 private:
  const TSettings& settings_;
};

class TControl : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.example.ZelTest.Control")

 public:
  explicit TControl(TSettings& settings) : settings_(settings) {}

 public slots:
  bool Configure(const QString& record, int delayMs, bool present) {
    settings_.record = record;
    settings_.delayMs = delayMs;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return present ? bus.registerService(kFileManagerName) || bus.interface()->isServiceRegistered(kFileManagerName)
                   : bus.unregisterService(kFileManagerName) || !bus.interface()->isServiceRegistered(kFileManagerName);
  }

 private:
  TSettings& settings_;
};

}  // namespace

int RunFakeFileManager() {
  TSettings settings;
  TFileManager fileManager(settings);
  TControl control(settings);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() ||
      !bus.registerObject("/org/freedesktop/FileManager1", &fileManager, QDBusConnection::ExportAllSlots) ||
      !bus.registerObject("/control", &control, QDBusConnection::ExportAllSlots) || !bus.registerService(kControlName)) {
    PrintLine("fake file manager: cannot register on the session bus: " + bus.lastError().message());
    return 1;
  }
  PrintLine("fake file manager ready");
  return QCoreApplication::exec();
}

void ConfigureFileManager(const QString& record, int delayMs, bool present) {
  QDBusMessage call = QDBusMessage::createMethodCall(kControlName, "/control", "org.example.ZelTest.Control", "Configure");
  call << record << delayMs << present;
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kReactionTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0).toBool() != true) {
    throw TAbort("the fake file manager did not take its settings: " + reply.errorMessage().toStdString());
  }
}

}  // namespace zellinux

#include "FakeFileManager.moc"
