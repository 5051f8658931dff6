#pragma once
// A serial port with a listener thread that waits for port events and hands
// each one to OnEvent on that thread. The port is always opened for
// overlapped I/O so that the owner's reads and writes can carry time-outs.
#include <atomic>
#include <memory>
#include <thread>

#include "links/Serial.h"

class CSerialEx : public CSerial {
 public:
  CSerialEx();
  ~CSerialEx() override;

  LONG Open(const std::string& device, DWORD inQueue = 0, DWORD outQueue = 0, bool startListener = true) override;
  LONG Close() override;

  // 0 at once while a listener runs. A listener that ended by itself (a port
  // whose peer hung up) no longer counts as running, so a new one can start.
  virtual LONG StartListener();
  // Stops the listener, waiting up to `timeoutMs` for it (servicing messages on
  // the UI thread); always 0. A listener that does not stop in time is abandoned,
  // never waited for again.
  virtual LONG StopListener(DWORD timeoutMs = INFINITE);
  // Called on the listener thread for every event that brings something: an
  // event type, or line errors (CE_ bits) reported meanwhile, whatever ended the wait.
  virtual void OnEvent(DWORD events, DWORD errors) = 0;

  bool IsListening() const { return m_listener.joinable() && !m_listenerEnded.load(); }

 private:
  void ListenerProc();

  std::atomic<bool> m_stop{false};
  std::thread m_listener;
  std::atomic<bool> m_listenerEnded{true};
  // Whether the listener was given up on, and whether it has left: whichever
  // side comes second settles the count of abandoned workers.
  enum ListenerFate { kListenerRunning, kListenerAbandoned, kListenerLeft };
  std::atomic<int> m_listenerFate{kListenerLeft};
  Event m_listenerDone{true, true};  // manual reset: set while no listener runs
  std::unique_ptr<Event> m_listenerEvent;
};
