#include "qt/SessionEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>

namespace zel::qt {

namespace {

// The write end of the pipe the signal handler reports through: a handler may
// do no more than write(2).
volatile std::sig_atomic_t signalPipe = -1;

extern "C" void OnTerminate(int) {
  if (signalPipe < 0) return;
  const char byte = 1;
  const ssize_t written = ::write(signalPipe, &byte, 1);
  static_cast<void>(written);  // a full pipe already holds the news
}

}  // namespace

TSessionEnd::TSessionEnd(std::function<void()> end) : end_(std::move(end)) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  // Qt would otherwise close the windows when the session manager asks the
  // programs to save, and a refusal would cancel the logout. Nothing to save here.
  QGuiApplication::setFallbackSessionManagementEnabled(false);
#endif
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  signalPipe = pipe_[1];
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    end_();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  ::sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
}

TSessionEnd::~TSessionEnd() {
  ::signal(SIGTERM, SIG_DFL);
  signalPipe = -1;
  if (pipe_[0] >= 0) ::close(pipe_[0]);
  if (pipe_[1] >= 0) ::close(pipe_[1]);
}

}  // namespace zel::qt
