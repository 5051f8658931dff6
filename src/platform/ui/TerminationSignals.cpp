#include "platform/ui/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <memory>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

int g_wakePipe[2] = {-1, -1};
volatile sig_atomic_t g_firstSignal = 0;
std::function<void()> g_close;
std::unique_ptr<QSocketNotifier> g_notifier;

// Only async-signal-safe calls in here.
void OnTerminationSignal(int signal) {
  if (g_firstSignal != 0) _exit(128 + g_firstSignal);
  g_firstSignal = signal;
  alarm(kSignalCloseBoundSeconds);
  const char wake = 1;
  [[maybe_unused]] const ssize_t written = write(g_wakePipe[1], &wake, 1);
}

void OnCloseBoundPassed(int) { _exit(128 + g_firstSignal); }

void SetHandler(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallTerminationSignals(std::function<void()> close) {
  g_close = std::move(close);
  if (g_wakePipe[0] < 0) {
    if (pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the defaults stay
  }
  if (!g_notifier) {
    g_notifier = std::make_unique<QSocketNotifier>(g_wakePipe[0], QSocketNotifier::Read);
    QObject::connect(g_notifier.get(), &QSocketNotifier::activated, [] {
      char drained[16];
      while (read(g_wakePipe[0], drained, sizeof drained) > 0) {
      }
      if (g_close) g_close();
    });
  }
  g_firstSignal = 0;
  SetHandler(SIGALRM, OnCloseBoundPassed);
  for (int signal : kSignals) SetHandler(signal, OnTerminationSignal);
}

void RemoveTerminationSignals() {
  for (int signal : kSignals) SetHandler(signal, SIG_DFL);
  g_notifier.reset();
  g_close = nullptr;
}
