#include "qt/Application.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmapCache>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <cstdint>
#include <cstdlib>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

#include "core/AppFolder.h"
#include "core/ErrorText.h"
#include "core/Utf8.h"
#include "qt/Environment.h"

namespace zel::qt {

namespace {

// A descriptor closed on every way out of its scope.
class TDescriptor {
 public:
  explicit TDescriptor(int fd) noexcept : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Get() const noexcept { return fd_; }

 private:
  int fd_;
};

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
    const TDescriptor folder(::open(programFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
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

// A box's text as the toolkit shows it: lines end in "\n".
QString BoxText(const std::wstring& text) {
  return QString::fromStdWString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace

std::wstring ExecutablePath() {
  const std::unique_ptr<char, decltype(&std::free)> path(::realpath("/proc/self/exe", nullptr), &std::free);
  if (!path) return {};
  return FromUtf8(path.get());
}

TApplication::TApplication(int& argc, char** argv) {
  PrepareEnvironment();
  const std::wstring exe = ExecutablePath();
  title_ = QString::fromStdWString(TitleFromExePath(exe, TPathStyle::Posix));
  GuardPluginSearch(ToUtf8(PosixAppFolderFromPath(exe)));
  qt_ = std::make_unique<QApplication>(argc, argv);
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
  mainForm_.reset();
  fonts_.reset();
  sessionEnd_.reset();
  qt_.reset();
}

const TFonts& TApplication::Fonts() {
  if (!fonts_) fonts_ = std::make_unique<TFonts>();
  return *fonts_;
}

void TApplication::AdoptForm(std::unique_ptr<TFormWidget> form) {
  try {
    form->Form().DoCreate();
  } catch (...) {
    HandleException(std::current_exception());
  }
  if (!mainForm_) mainForm_ = std::move(form);
}

void TApplication::Run() {
  if (mainForm_) mainForm_->ShowCentred();
  QApplication::exec();
  mainForm_.reset();
}

void TApplication::Terminate() noexcept { QCoreApplication::quit(); }

void TApplication::HandleException(std::exception_ptr error) noexcept {
  try {
    if (mainForm_) mainForm_->CancelPress();
    const TErrorInfo info = DescribeError(error);
    const QPointer<QWidget> active = QApplication::activeWindow();
    QWidget* owner = active != nullptr ? active.data() : mainForm_.get();
    // Modal: the launcher's windows take no input while it is open.
    QMessageBox box(QMessageBox::Critical, title_, BoxText(info.boxText), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    if (active != nullptr) active->activateWindow();
  } catch (...) {
    // Nothing more can be shown.
  }
}

void ShowApplicationError(std::exception_ptr error, int& argc, char** argv) noexcept {
  try {
    const TErrorInfo info = DescribeError(error);
    // The module the address lies in, and the offset from its start.
    std::wstring module;
    std::uintptr_t offset = 0;
    Dl_info where{};
    if (info.address != nullptr && ::dladdr(info.address, &where) != 0 && where.dli_fname != nullptr &&
        where.dli_fname[0] != '\0') {
      module = FromUtf8(where.dli_fname);
      const auto base = reinterpret_cast<std::uintptr_t>(where.dli_fbase);
      const auto address = reinterpret_cast<std::uintptr_t>(info.address);
      offset = address >= base ? address - base : 0;
    } else {
      module = ExecutablePath();
    }
    const std::wstring text = ApplicationErrorText(info.kind, FileNameOf(module, TPathStyle::Posix), offset, info.message);
    // The application object is gone with the window that failed: a box needs one.
    std::unique_ptr<QApplication> application;
    if (QCoreApplication::instance() == nullptr) {
      PrepareEnvironment();
      application = std::make_unique<QApplication>(argc, argv);
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), BoxText(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  } catch (...) {
    // Nothing more can be shown.
  }
}

}  // namespace zel::qt
