#pragma once
// Ending the process with an exit code (321, 123, 1, 0) goes through this one hook.
// Production flushes the standard streams and ends the process at once with _exit,
// so no destructor runs under a live worker thread; a file rewrite under way on
// another thread finishes first (within a few seconds), so it leaves no temporary file. Tests install a hook that
// records the code and returns: callers must return normally after asking to exit.
#include <functional>

using ExitHook = std::function<void(int code)>;

void RequestProcessExit(int code);
// Installs a hook; an empty hook restores the production behaviour.
void SetExitHook(ExitHook hook);

// Workers that were given up on (detached while still inside) and have not left.
// Shut-down must not run static destructors under them.
void NoteWorkerAbandoned();
void NoteAbandonedWorkerLeft();
int AbandonedWorkerCount();
// The last step of an orderly shut-down: while an abandoned worker may still run,
// the process ends here through the hook with `code`; otherwise nothing happens.
void ExitIfWorkersAbandoned(int code);

// The window system's library ends the process with exit() when its connection
// breaks (the X server went away); exit() would run static destructors under
// the running worker cycles. While the guard is armed (from the application's
// start to the end of its message loop), such an exit ends the process at once
// with code 1 instead, after a line on the standard error. Arming more than
// once registers the handler once.
void ArmExitInsideRunGuard();
void DisarmExitInsideRunGuard();
