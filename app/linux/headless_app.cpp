// The main window's behaviour as a service runs it: the same timers as the window, in a
// QCoreApplication, and a signal that ends the event loop.

#include "app/linux/headless_app.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <memory>
#include <utility>

#include "app/headless_host.h"
#include "app/main_window.h"
#include "ui/qt/scaled_timers.h"

namespace quorvan {
namespace {

// A signal handler may only write: the event loop reads the pipe and quits.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing else can be done in a handler.
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
  errno = saved;
}

class SensorHost final : public HeadlessHost {
 public:
  explicit SensorHost(TimerScale scale) : timers_(scale) {}
  void Attach(CquorvanDlg& dialog) { dialog_ = &dialog; }

  void StartTimer(int timer, int periodMs) override {
    timers_.Start(timer, periodMs, [this](int fired) { dialog_->OnTimer(fired); });
  }

 private:
  ScaledTimers timers_;
  CquorvanDlg* dialog_ = nullptr;
};

}  // namespace

int RunHeadless(int argc, char** argv, std::function<void(const NetworkTable&)> tableUpdated,
                TimerScale scale) {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  QCoreApplication application(argc, argv);
  QSocketNotifier signalled(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalled, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  int status = 0;
  {
    SensorHost host(scale);
    host.SetTableWatcher(std::move(tableUpdated));
    CquorvanDlg dialog(host);
    host.Attach(dialog);
    dialog.OnInitDialog();
    status = application.exec();
    // No event is delivered after exec() returns: the behaviour may go before the timers that
    // call it.
  }
  // From here a second signal ends the program as it would any other.
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  close(signalPipe[0]);
  close(signalPipe[1]);
  return status;
}

}  // namespace quorvan
