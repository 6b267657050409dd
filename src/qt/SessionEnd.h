// The end of the desktop session: the launcher never objects to it, and when the
// session ends it (the session manager's end, or the SIGTERM that ends a login
// session's processes) it quits as a closed window does, with exit code 0.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace zel::qt {

class TSessionEnd final : public QObject {
 public:
  // end: asks the application to quit. One object per process.
  explicit TSessionEnd(std::function<void()> end);
  ~TSessionEnd() override;
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;

 private:
  std::function<void()> end_;
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zel::qt
