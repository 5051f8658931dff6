#include "links/SerialEx.h"

#include <system_error>

#include "platform/base/ExitHook.h"
#include "platform/ui/MessageCore.h"

CSerialEx::CSerialEx() = default;

CSerialEx::~CSerialEx() {
  if (m_listener.joinable()) CSerialEx::Close();
}

LONG CSerialEx::Open(const std::string& device, DWORD inQueue, DWORD outQueue, bool startListener) {
  const LONG result = CSerial::Open(device, inQueue, outQueue, true);
  if (result != ERROR_SUCCESS) return result;
  m_listenerEvent = std::make_unique<Event>(true, false);
  if (startListener) return StartListener();
  return result;
}

LONG CSerialEx::Close() {
  StopListener(INFINITE);
  m_listenerEvent.reset();
  return CSerial::Close();
}

LONG CSerialEx::StartListener() {
  m_lastError.store(ERROR_SUCCESS);
  if (m_listener.joinable()) {
    if (!m_listenerEnded.load()) return ERROR_SUCCESS;
    m_listener.join();  // it ended by itself: reap it so a new one can run
  }
  if (!m_port || !m_listenerEvent) return Fail(ERROR_INVALID_HANDLE);
  m_stop.store(false);
  m_listenerEnded.store(false);
  m_listenerFate.store(kListenerRunning);
  m_listenerDone.Reset();
  try {
    m_listener = std::thread(&CSerialEx::ListenerProc, this);
  } catch (const std::system_error&) {
    m_listenerEnded.store(true);
    m_listenerDone.Set();
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return ERROR_SUCCESS;
}

LONG CSerialEx::StopListener(DWORD timeoutMs) {
  if (m_listener.joinable()) {
    m_stop.store(true);
    // Setting the mask again completes the listener's pending wait.
    if (m_port) SetMask(GetEventMask());
    // On the UI thread the wait runs the workers' sends (the listener may be
    // handing a box or a send to this very thread), nothing else of the program.
    const bool stopped = IsUiThread() ? WaitServicingSends([&] { return m_listenerDone.IsSet(); }, timeoutMs)
                                      : m_listenerDone.Wait(timeoutMs);
    if (stopped) {
      m_listener.join();
      m_stop.store(false);
    } else {
      // Abandoned: it never gets waited for again. The stop request stays, so
      // that it ends instead of listening on should it ever come back.
      m_listener.detach();
      NoteWorkerAbandoned();
      int running = kListenerRunning;
      if (!m_listenerFate.compare_exchange_strong(running, kListenerAbandoned)) NoteAbandonedWorkerLeft();
    }
  }
  m_lastError.store(ERROR_SUCCESS);
  return ERROR_SUCCESS;
}

void CSerialEx::ListenerProc() {
  while (!m_stop.load()) {
    m_listenerEvent->Reset();
    OVERLAPPED overlapped;
    overlapped.hEvent = m_listenerEvent.get();
    if (WaitEvent(&overlapped, INFINITE) != ERROR_SUCCESS) break;  // the port failed or hung up
    m_listenerEvent->Wait(INFINITE);
    if (m_stop.load()) break;
    const DWORD events = GetEventType();
    DWORD errors = 0;
    if (const DWORD failed = m_port->ClearCommError(errors, nullptr); failed != ERROR_SUCCESS) {
      m_lastError.store(static_cast<LONG>(failed));
    }
    // A wait may end with no event (the mask set again) just as the line reports
    // an error: ClearCommError has taken it, so it is handed on here or never.
    if (events != 0 || errors != 0) OnEvent(events, errors);
  }
  m_listenerEnded.store(true);
  m_listenerDone.Set();
  // The last touch of this object: once an abandoned listener is counted out,
  // its owner may be gone.
  if (m_listenerFate.exchange(kListenerLeft) == kListenerAbandoned) NoteAbandonedWorkerLeft();
}
