#pragma once
// One open serial port over termios, with the serial communications calls the
// system makes. Every call returns a Win32 error code (0 success).
//
//  - Open is exclusive through flock, so a port held by another process (even
//    one running as root) reports ERROR_ACCESS_DENIED, "in use"; a name that
//    leads nowhere reports ERROR_FILE_NOT_FOUND. The line is put in raw mode.
//  - A setting termios cannot carry out (a rate of 0, 1.5 stop bits, DSR or
//    DTR handshaking, RTS toggling, one-way RTS/CTS, null stripping, error
//    replacement) fails with ERROR_INVALID_PARAMETER and changes nothing, as a
//    driver refusing it would. Queue sizes are accepted. Any other rate is
//    asked of the device (a termios speed constant where there is one, the
//    kernel's arbitrary rate otherwise); a rate it does not run at fails with
//    ERROR_NOT_SUPPORTED, other values it keeps with ERROR_INVALID_PARAMETER,
//    and the settings before are put back. A device that goes away meanwhile
//    fails with ERROR_DEVICE_NOT_CONNECTED. LastCause tells why, in the
//    system's words. A reader of the settings never meets a change half made.
//  - Read and write follow the COMMTIMEOUTS rules; a further caller time-out
//    bounds the whole call (ERROR_TIMEOUT when it runs out first).
//  - WaitCommEvent reports EV_RXCHAR once per arrival of bytes, not again
//    while they wait unread; EV_ERR and EV_BREAK when the line reported errors
//    (ClearCommError gives the CE_ bits); SetCommMask completes a pending wait
//    with no events. A peer that hung up makes every call fail with
//    ERROR_DEVICE_NOT_CONNECTED.
// Reads, writes, the event wait and the mask may be used from different threads
// at once; closing (destruction) must wait until no other call is running.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/serial/CommTypes.h"

class CommPort {
 public:
  static std::unique_ptr<CommPort> Open(const std::string& portName, DWORD& error);
  // The system's default line settings for a port name (9600 baud, 8 data bits,
  // no parity, one stop bit); ERROR_FILE_NOT_FOUND when the name leads nowhere.
  static DWORD GetDefaultCommConfig(const std::string& portName, COMMCONFIG& config);

  ~CommPort();
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;

  const std::string& Path() const { return m_path; }

  DWORD SetupComm(DWORD inQueue, DWORD outQueue);
  DWORD GetCommState(DCB& dcb);
  DWORD SetCommState(const DCB& dcb);
  DWORD SetCommConfig(const COMMCONFIG& config);
  DWORD GetCommTimeouts(COMMTIMEOUTS& timeouts);
  DWORD SetCommTimeouts(const COMMTIMEOUTS& timeouts);
  DWORD SetCommMask(DWORD mask);
  DWORD GetCommMask(DWORD& mask);
  DWORD WaitCommEvent(DWORD& events, DWORD timeoutMs);
  DWORD ClearCommError(DWORD& errors, COMSTAT* status);
  DWORD ReadFile(void* buffer, DWORD length, DWORD& read, DWORD timeoutMs);
  DWORD WriteFile(const void* data, DWORD length, DWORD& written, DWORD timeoutMs);
  DWORD PurgeComm(DWORD flags);

  // Why the last refused or failed line-settings call failed, in the system's
  // words ("the device runs at 115200 baud instead", "No such device").
  std::string LastCause() const;

  // Line errors as a UART reports them (CE_ bits); pseudo-terminals have none,
  // so tests raise them here.
  void InjectLineErrors(DWORD errors);

 private:
  CommPort(std::string path, int fd, int epollFd, int wakeFd);
  bool HungUp() const;
  DWORD CollectLineErrors();  // adds what the driver counted since the last look
  DWORD Refused(DWORD code, const std::string& cause);  // keeps the cause, returns the code
  DWORD Fail(int error);  // a failed kernel call: its code and cause

  const std::string m_path;
  const int m_fd;
  const int m_epollFd;
  const int m_wakeFd;  // completes a pending event wait (SetCommMask)
  std::atomic<DWORD> m_mask{0};
  std::atomic<bool> m_maskChanged{false};
  std::mutex m_lineMutex;      // held across a whole read or change of the line settings
  mutable std::mutex m_mutex;  // guards the fields below
  DCB m_kept;                  // the settings last set: those termios does not hold read back from here
  std::string m_cause;         // see LastCause
  COMMTIMEOUTS m_timeouts;
  DWORD m_lineErrors = 0;
  bool m_errorEventDue = false;
  bool m_countersKnown = false;
  int m_frame = 0, m_overrun = 0, m_parity = 0, m_brk = 0, m_bufOverrun = 0;
};
