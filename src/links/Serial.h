#pragma once
// One RS-232 port: open by name, line parameters, event mask, read mode,
// handshaking, reads and writes with an optional overlapped block and time-out.
// Every operation returns the last error (0 on success): a Win32 error code, or
// E_INVALIDARG for a mode outside its set.
#include <atomic>
#include <memory>
#include <string>

#include "platform/base/Event.h"
#include "platform/serial/CommPort.h"

class CSerial {
 public:
  enum EHandshake { EHandshakeOff = 0, EHandshakeHardware = 1, EHandshakeSoftware = 2 };
  enum EReadMode { EReadNonBlocking = 0, EReadBlocking = 1 };
  enum EPort { EPortAvailable = 0, EPortNotAvailable = 1, EPortInUse = 2, EPortUnknownError = -1 };

  CSerial();
  virtual ~CSerial();
  CSerial(const CSerial&) = delete;
  CSerial& operator=(const CSerial&) = delete;

  // 0 free, 1 no such port, 2 in use, -1 anything else.
  static int CheckPort(const std::string& device);

  virtual LONG Open(const std::string& device, DWORD inQueue = 0, DWORD outQueue = 0, bool overlapped = false);
  virtual LONG Close();
  virtual LONG Setup(DWORD baudRate, BYTE byteSize, DWORD parity, BYTE stopBits);
  virtual LONG SetEventChar(BYTE eventChar, bool adjustMask = true);
  virtual LONG SetMask(DWORD mask);
  virtual LONG WaitEvent(OVERLAPPED* overlapped = nullptr, DWORD timeoutMs = INFINITE);
  virtual LONG SetupHandshaking(int mode);
  virtual LONG SetupReadTimeouts(int mode);
  virtual int GetBaudRate();
  virtual int GetByteSize();
  virtual int GetParity();
  virtual int GetStopBits();
  virtual int GetHandshaking();
  virtual DWORD GetEventMask();
  virtual BYTE GetEventChar();
  virtual LONG WriteText(const char* text, DWORD* written = nullptr, OVERLAPPED* overlapped = nullptr,
                         DWORD timeoutMs = INFINITE);
  virtual LONG Write(const void* data, DWORD length, DWORD* written = nullptr, OVERLAPPED* overlapped = nullptr,
                     DWORD timeoutMs = INFINITE);
  virtual LONG Read(void* buffer, DWORD length, DWORD* read = nullptr, OVERLAPPED* overlapped = nullptr,
                    DWORD timeoutMs = INFINITE);

  LONG Purge();
  // The received event bits within the mask; clears them.
  DWORD GetEventType();
  LONG GetLastError() const { return m_lastError.load(); }
  bool IsOpen() const { return m_port != nullptr; }
  // The name the port was last opened by ("COM2"), for the operator's messages.
  const std::string& GetPortName() const { return m_portName; }
  // The open port itself (none while closed): why it refused a setting, and
  // line-error injection in tests.
  CommPort* Port() const { return m_port.get(); }

 protected:
  // Clears the last error and fails with ERROR_INVALID_HANDLE while closed.
  bool BeginPortCall();
  // The port's line settings; false (last error set) when closed or refused.
  bool ReadDcb(DCB& dcb);
  LONG Fail(LONG error) {
    m_lastError.store(error);
    return error;
  }
  // The common ending of a wait, write or read: see the .cpp.
  LONG FinishIo(DWORD result, OVERLAPPED* overlapped);

  std::atomic<LONG> m_lastError{0};  // written from the owner's and the listener's threads
  std::unique_ptr<CommPort> m_port;
  std::string m_portName;  // the owner's thread only
  std::atomic<DWORD> m_eventBits{0};
  std::atomic<DWORD> m_eventMask{0};
  std::unique_ptr<Event> m_overlappedEvent;  // only while a port opened for overlapped I/O is open
};
