#include "qt/Application.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmapCache>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <cstdlib>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

#include "core/AppFolder.h"
#include "core/ErrorText.h"
#include "core/Utf8.h"
#include "qt/Environment.h"
#include "xdg/ApplicationError.h"
#include "xdg/Descriptor.h"
#include "xdg/Program.h"

namespace zel::qt {

namespace {

QString QtPluginFolder() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  return QLibraryInfo::path(QLibraryInfo::PluginsPath);
#else
  return QLibraryInfo::location(QLibraryInfo::PluginsPath);
#endif
}

// Plugins come from Qt's own folder only, never from the program's folder, where
// anyone may have put a platforms/ or styles/ folder. Qt adds the program's
// folder to the search when its application object is made, after the paths
// were set, and drops only folders it had listed before they were set. So the
// program's folder (and whatever QT_PLUGIN_PATH names) is listed for that one
// look-up, and then left out. It is listed by a descriptor of its own, which Qt
// resolves to the folder's real path: the path itself may hold the list's ":".
void GuardPluginSearch(const std::string& programFolder) {
  const bool userSet = qEnvironmentVariableIsSet("QT_PLUGIN_PATH");
  const QByteArray userPath = qgetenv("QT_PLUGIN_PATH");
  {
    const xdg::TDescriptor folder(::open(programFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    QByteArray listed = "/proc/self/fd/" + QByteArray::number(folder.Get());
    if (!userPath.isEmpty()) listed += ':' + userPath;
    qputenv("QT_PLUGIN_PATH", listed);
    QCoreApplication::libraryPaths();
  }
  if (userSet) {
    qputenv("QT_PLUGIN_PATH", userPath);
  } else {
    qunsetenv("QT_PLUGIN_PATH");
  }
  QCoreApplication::setLibraryPaths({QtPluginFolder()});
}

// A modal error box with one OK button; its text's lines end in "\n".
void RunErrorBox(QWidget* owner, const QString& title, const std::wstring& text) {
  QMessageBox box(QMessageBox::Critical, title, QString::fromStdWString(text), QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

// What Qt said while the application object was being made.
QStringList& StartMessages() {
  static QStringList messages;
  return messages;
}

// Where Qt cannot reach a display or finds no platform plugin it ends the
// process (an abort, a core dump) after advice that does not fit: reinstalling
// fixes neither. What is missing, in a few words, from what Qt said.
std::string WhatIsMissing() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const QByteArray display = qgetenv("DISPLAY");
  const bool x11 = platform.isEmpty() || platform.contains("xcb");
  if (x11 && display.isEmpty()) return xdg::MissingDisplay(nullptr);
  for (const QString& message : StartMessages()) {
    if (message.contains(QLatin1String("could not connect to display"))) return xdg::MissingDisplay(display.constData());
  }
  static const QRegularExpression missingPlugin(QStringLiteral("platform plugin \"([^\"]+)\""));
  for (const QString& message : StartMessages()) {
    const QRegularExpressionMatch match = missingPlugin.match(message);
    if (match.hasMatch()) {
      const std::string name = match.captured(1).toStdString();
      std::string what = "Qt's platform plugin \"" + name + "\" is not installed";
      if (name != "xcb") what += " (QT_QPA_PLATFORM=\"" + name + ";xcb\" falls back to X)";
      return what;
    }
  }
  return "Qt could not start its platform (QT_QPA_PLATFORM=\"" + platform.toStdString() + "\")";
}

// While the application object is made, Qt's messages are held back; a fatal one
// ends the launcher with one line on standard error and exit code 1.
void OnStartMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    StartMessages() << message;
    return;
  }
  xdg::SayNoDisplay(WhatIsMissing());
  ::_exit(1);
}

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
  const QtMessageHandler previous = qInstallMessageHandler(OnStartMessage);
  auto application = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(previous);
  StartMessages().clear();
  return application;
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) {
  PrepareEnvironment();
  const std::wstring exe = xdg::ExecutablePath();
  title_ = QString::fromStdWString(TitleFromExePath(exe, TPathStyle::Posix));
  GuardPluginSearch(PathBytesFromWide(PosixAppFolderFromPath(exe)));
  qt_ = MakeApplication(argc, argv);
  QCoreApplication::setLibraryPaths({QtPluginFolder()});
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  // File names and arguments are UTF-8 whatever the locale says, as Qt 6 has it.
  QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
#endif
  // The main window's close ends the application, not the last box closed.
  QApplication::setQuitOnLastWindowClosed(false);
  // The window repaints rarely: the style's cached button images would cost
  // more memory than drawing the buttons again when they change.
  QPixmapCache::setCacheLimit(0);
  sessionEnd_ = std::make_unique<TSessionEnd>([this] { Terminate(); });
}

TApplication::~TApplication() {
  CloseMainWindow();
  fonts_.reset();
  sessionEnd_.reset();
  qt_.reset();
}

const TFonts& TApplication::Fonts() {
  if (!fonts_) fonts_ = std::make_unique<TFonts>();
  return *fonts_;
}

void TApplication::RunLoop() { QApplication::exec(); }

void TApplication::Terminate() noexcept { QCoreApplication::quit(); }

void TApplication::ShowErrorBox(const std::wstring& text) {
  const QPointer<QWidget> active = QApplication::activeWindow();
  QWidget* owner = active != nullptr ? active.data() : MainWindow();
  // Modal: the launcher's windows take no input while it is open.
  RunErrorBox(owner, title_, text);
  if (active != nullptr) active->activateWindow();
}

void ShowApplicationError(std::exception_ptr error, int& argc, char** argv) noexcept {
  try {
    const TErrorInfo info = DescribeError(error);
    const std::wstring text = xdg::ApplicationErrorTextOf(info);
    // The application object is gone with the window that failed: a box needs one.
    std::unique_ptr<QApplication> application;
    if (QCoreApplication::instance() == nullptr) {
      PrepareEnvironment();
      application = MakeApplication(argc, argv);
    }
    RunErrorBox(nullptr, QStringLiteral("Application Error"), xdg::BoxText(text));
  } catch (...) {
    // Nothing more can be shown.
  }
}

}  // namespace zel::qt
