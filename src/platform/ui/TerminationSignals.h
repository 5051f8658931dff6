#pragma once
// SIGTERM, SIGHUP and SIGINT (a logout, a shut-down, a service manager, Ctrl+C)
// as a desktop program on Linux takes them: the first one asks for the
// program's own close, run on the user-interface thread by its event loop (a
// signal before the start has begun ends the program at once with 0). A
// close that finishes in time ends the program as the operator's Yes does, with
// code 0. A close that outlasts its bounded time, or a second signal, ends the
// process at once with 128 plus the first signal's number (a file's rewrite
// under way finishes first, so no temporary file is left).
// Nobody need be there to answer a box in such a close: from the first signal
// on, boxes go to standard error (see BeginUnattendedClose). A signal ignored
// when the program started (nohup, a background job) stays ignored.
#include <functional>

// Seconds the close asked for by a signal may take.
inline constexpr unsigned kSignalCloseBoundSeconds = 30;

// Installs the handlers, before anything else of the program runs (no Qt
// application needed): a signal that comes before InstallTerminationSignals is
// kept for it. Takes them also when the starter left them blocked. A second
// signal ends the process even then, but never in the middle of a file's rewrite.
void TakeTerminationSignals();
// True once a first signal came (since the handlers were taken).
bool TerminationSignalArrived();
// Takes the signals when that was not done yet; `close` runs on the
// user-interface thread once per first signal, also for one that came before.
// Needs the Qt application. Installing again replaces `close`.
void InstallTerminationSignals(std::function<void()> close);
// Back to the default actions (the process ends at once on a signal).
void RemoveTerminationSignals();
