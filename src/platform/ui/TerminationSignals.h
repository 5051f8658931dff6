#pragma once
// SIGTERM, SIGHUP and SIGINT (a logout, a shut-down, a service manager, Ctrl+C)
// as a desktop program on Linux takes them: the first one asks for the
// program's own close, run on the user-interface thread by its event loop. A
// close that finishes in time ends the program as the operator's Yes does, with
// code 0. A close that outlasts its bounded time, or a second signal, ends the
// process at once with 128 plus the first signal's number.
// Nobody need be there to answer a box in such a close: from the first signal
// on, boxes go to standard error (see BeginUnattendedClose). A signal ignored
// when the program started (nohup, a background job) stays ignored.
#include <functional>

// Seconds the close asked for by a signal may take.
inline constexpr unsigned kSignalCloseBoundSeconds = 30;

// Installs the handlers; `close` runs on the user-interface thread once per
// first signal. Needs the Qt application. Installing again replaces `close`.
void InstallTerminationSignals(std::function<void()> close);
// Back to the default actions (the process ends at once on a signal).
void RemoveTerminationSignals();
