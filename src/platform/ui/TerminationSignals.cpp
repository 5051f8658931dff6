#include "platform/ui/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <iterator>
#include <memory>

#include "platform/base/MessageBoxService.h"
#include "platform/ui/QtMessageBox.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// A signal the program was started with ignored (nohup ignores SIGHUP; a
// background job of a non-interactive shell ignores SIGINT) stays ignored:
// whoever started the program asked that it outlive that signal.
bool g_ignoredAtStart[std::size(kSignals)] = {};
bool g_startDispositionsRead = false;

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
      // Nobody may be there to answer a box any more: the boxes open now
      // (a start-up box, say) are answered, and later ones do not wait.
      BeginUnattendedClose();
      if (g_close) g_close();
      QtMessageBox::AnswerOpenBoxesUnattended();
    });
  }
  if (!g_startDispositionsRead) {
    g_startDispositionsRead = true;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      struct sigaction current {};
      g_ignoredAtStart[i] = sigaction(kSignals[i], nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
    }
  }
  g_firstSignal = 0;
  EndUnattendedClose();
  SetHandler(SIGALRM, OnCloseBoundPassed);
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (!g_ignoredAtStart[i]) SetHandler(kSignals[i], OnTerminationSignal);
}

void RemoveTerminationSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (!g_ignoredAtStart[i]) SetHandler(kSignals[i], SIG_DFL);
  g_notifier.reset();
  g_close = nullptr;
}
