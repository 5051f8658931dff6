#pragma once
// The message core under every window: process-wide window handles, posted and
// sent messages across threads, and the UI-thread wait that keeps servicing them.
//
// Rules (see the threading rules of the design):
//  - PostMessage works from any thread; the message is queued to the UI thread and
//    delivered in posting order. A message for a handle that is dead at delivery is dropped.
//  - SendMessage on the UI thread calls the target directly; from another thread it
//    queues the call and blocks until the UI thread has run it (0 when the handle is dead).
//  - The UI thread never blocks on a worker except through WaitServicingSends,
//    which runs only the workers' sends while it waits (no input, posted message
//    or timer, so nothing of the program's own runs inside the wait), or
//    WaitPumping, which delivers everything queued.
//  - A worker's send's handler runs no loop: a wait inside it runs only the
//    sends, and a box it asks for opens later (see QtMessageBox). Such a
//    handler may be run by a wait that must run nothing else, and whatever a
//    loop delivered would run inside that wait.
#include <functional>
#include <string>
#include <thread>

#include "platform/base/WinTypes.h"

struct HWND__;
using HWND = HWND__*;  // an opaque number from the handle registry, never dereferenced

// Anything that receives messages by handle (every CWnd registers itself).
class IMessageTarget {
 public:
  virtual ~IMessageTarget() = default;
  virtual LRESULT DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Registers a target and returns its new handle (handles are never reused).
HWND RegisterMessageTarget(IMessageTarget* target);
// The handle becomes dead: IsWindow is false and messages to it are dropped.
void UnregisterMessageTarget(HWND handle);
bool IsWindow(HWND handle);
// The live target of a handle (UI thread only), or nullptr.
IMessageTarget* TargetFromHandle(HWND handle);

BOOL PostMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

// A message number shared by everyone who asks with the same name (compared
// without regard to ASCII case): 0xC000 and up, in the order of first request;
// 0 for an empty name or once the range is used up. Any thread.
UINT RegisterWindowMessage(const std::string& name);

// True on the thread that owns the QApplication (the UI thread).
bool IsUiThread();
// True once a QCoreApplication exists and is not shutting down.
bool IsUiAvailable();
// Runs `call` on the UI thread: queued when called from another thread.
void PostToUiThread(std::function<void()> call);
// Runs `call` on the UI thread and waits for it (direct on the UI thread).
// Returns false when the UI thread is gone and the call could not run.
bool RunOnUiThreadAndWait(const std::function<void()>& call);

// True on the UI thread while it runs a send of another thread (SendMessage or
// RunOnUiThreadAndWait called there), however deep; the sender waits meanwhile.
bool IsRunningWorkersSend();
// The same for the sends of one thread: that thread is blocked until the UI
// thread's stack unwinds past its handler, so waiting for it here never ends.
bool IsRunningSendOf(std::thread::id sender);

// Waits until `done()` is true or `timeoutMs` passed on the clock service.
// On the UI thread it keeps delivering queued messages and cross-thread sends
// meanwhile (only the sends inside a worker's send's handler); elsewhere it
// sleeps in short steps. Returns done()'s last value.
bool WaitPumping(const std::function<bool()>& done, DWORD timeoutMs);
// Waits like WaitPumping, but on the UI thread runs only the cross-thread sends
// (a worker blocked in SendMessage, RunOnUiThreadAndWait or a message box would
// otherwise never finish): no input, posted message or timer is delivered, so no
// start, stop, close or command runs inside the wait. Returns done()'s last value.
bool WaitServicingSends(const std::function<bool()>& done, DWORD timeoutMs);
// Delivers what is queued for the UI thread now (no-op on other threads; only
// the sends inside a worker's send's handler).
void PumpPendingMessages();
