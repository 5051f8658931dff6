#include "platform/ui/TerminationSignals.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <iterator>
#include <memory>

#include "platform/base/FileRewriteInProgress.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/QtMessageBox.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// Seconds an end waits for a file's rewrite under way.
constexpr unsigned kRewriteBoundSeconds = 5;

// A signal the program was started with ignored (nohup ignores SIGHUP; a
// background job of a non-interactive shell ignores SIGINT) stays ignored:
// whoever started the program asked that it outlive that signal.
bool g_ignoredAtStart[std::size(kSignals)] = {};
bool g_startDispositionsRead = false;
// The handlers are in place.
bool g_taken = false;

int g_wakePipe[2] = {-1, -1};
// Lock-free atomics: two signals may be handled at once on two threads, and
// exactly one of them is the first.
std::atomic<int> g_firstSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
std::function<void()> g_close;
std::unique_ptr<QSocketNotifier> g_notifier;

// The process is ending at once (a second signal, the close's bound passed).
std::atomic<bool> g_ending{false};

// Only async-signal-safe calls from here to the handlers' end.

// The process ends at once, but never in the middle of a file's rewrite (that
// would leave its temporary file): the rewrite finishes first, within a bound.
void EndNow() {
  if (!g_ending.exchange(true)) alarm(kRewriteBoundSeconds);
  EndProcessBetweenFileRewrites(128 + g_firstSignal);
}

void OnTerminationSignal(int signal) {
  const int savedErrno = errno;  // the interrupted code may be about to read it
  int none = 0;
  if (g_firstSignal.compare_exchange_strong(none, signal)) {
    alarm(kSignalCloseBoundSeconds);
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = write(g_wakePipe[1], &wake, 1);
  } else {
    EndNow();
  }
  errno = savedErrno;
}

void OnCloseBoundPassed(int) {
  // A rewrite that outlasts its bound (a hung disk) is not waited for.
  if (g_ending) _exit(128 + g_firstSignal);
  EndNow();
}

void SetHandler(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void TakeTerminationSignals() {
  if (g_taken) return;
  if (g_wakePipe[0] < 0 && pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the defaults stay
  if (!g_startDispositionsRead) {
    g_startDispositionsRead = true;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      struct sigaction current {};
      g_ignoredAtStart[i] = sigaction(kSignals[i], nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
    }
  }
  g_taken = true;
  SetHandler(SIGALRM, OnCloseBoundPassed);
  sigset_t handled;
  sigemptyset(&handled);
  sigaddset(&handled, SIGALRM);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (g_ignoredAtStart[i]) continue;
    SetHandler(kSignals[i], OnTerminationSignal);
    sigaddset(&handled, kSignals[i]);
  }
  // A starter may leave them blocked (they stay so across exec, and the threads
  // made later inherit the mask): a program that handles them takes them. One
  // that came meanwhile is handled now.
  pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

bool TerminationSignalArrived() { return g_firstSignal != 0; }

void InstallTerminationSignals(std::function<void()> close) {
  TakeTerminationSignals();
  if (!g_taken) return;
  g_close = std::move(close);
  if (!g_notifier) {
    // A signal that came before this has left its byte in the pipe: the
    // notifier sees it at the first turn of the event loop.
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
  EndUnattendedClose();
}

void RemoveTerminationSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (!g_ignoredAtStart[i]) SetHandler(kSignals[i], SIG_DFL);
  g_taken = false;
  g_notifier.reset();
  g_close = nullptr;
  // The next run (a test's) starts without this run's signal.
  g_firstSignal = 0;
  g_ending = false;
}
