#pragma once
// Ending the process with an exit code (321, 123, 1, 0) goes through this one hook.
// Production flushes the standard streams and ends the process at once with _exit,
// so no destructor runs under a live worker thread. Tests install a hook that
// records the code and returns: callers must return normally after asking to exit.
#include <functional>

using ExitHook = std::function<void(int code)>;

void RequestProcessExit(int code);
// Installs a hook; an empty hook restores the production behaviour.
void SetExitHook(ExitHook hook);
