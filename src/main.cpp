// RuvFrame: plant supervision and control. The application object runs the
// whole start-up, the message loop and the shut-down.
#include <csignal>

#include "app/RuvFrameApp.h"
#include "platform/ui/TerminationSignals.h"

// A service manager's stop or a Ctrl+C may come at once: the termination
// signals are taken before any library's constructors and the program's own
// globals run, long before the Qt application exists. Only the dynamic loader
// and a sanitizer's runtime start before this.
//
// A standard error whose reader is gone (a terminal closed, a logger
// restarted) must not end the program without its close at the first line it
// writes there (SIGPIPE), nor must a kill -PIPE: the write fails (EPIPE) and
// what it said is dropped. Ignored as early, before anything can write.
static void TakeSignalsFirst() {
  std::signal(SIGPIPE, SIG_IGN);
  TakeTerminationSignals();
}
[[gnu::used, gnu::section(".preinit_array")]] static void (*const kTakeSignalsFirst)() = &TakeSignalsFirst;

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) is a full disk: a write past it fails with
  // EFBIG, told as any refused write is, instead of ending the program with
  // its kept records in memory and a cut line in the journal.
  std::signal(SIGXFSZ, SIG_IGN);
  // A writer's open of a file put back breaks the program's read lease on it,
  // and the kernel signals that (SIGIO), whose default ends the process. The
  // lease is asked after the read instead, so the signal is never needed:
  // ignored from the start, not only once a lease was taken (a kill -IO, or a
  // lease of a library's, before that must not end it either).
  std::signal(SIGIO, SIG_IGN);
  return AfxWinMain(theApp, argc, argv);
}
