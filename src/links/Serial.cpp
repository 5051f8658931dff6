#include "links/Serial.h"

#include <cstring>

CSerial::CSerial() = default;

CSerial::~CSerial() {
  if (m_port) CSerial::Close();
}

int CSerial::CheckPort(const std::string& device) {
  DWORD error = 0;
  std::unique_ptr<CommPort> port = CommPort::Open(device, error);
  if (port) return EPortAvailable;
  if (error == ERROR_FILE_NOT_FOUND) return EPortNotAvailable;
  if (error == ERROR_ACCESS_DENIED) return EPortInUse;
  return EPortUnknownError;
}

bool CSerial::BeginPortCall() {
  m_lastError.store(ERROR_SUCCESS);
  if (m_port) return true;
  m_lastError.store(ERROR_INVALID_HANDLE);
  return false;
}

LONG CSerial::Open(const std::string& device, DWORD inQueue, DWORD outQueue, bool overlapped) {
  m_lastError.store(ERROR_SUCCESS);
  if (m_port) return Fail(ERROR_ALREADY_INITIALIZED);
  DWORD error = 0;
  m_port = CommPort::Open(device, error);
  if (!m_port) return Fail(static_cast<LONG>(error));
  m_portName = device;
  if (overlapped) m_overlappedEvent = std::make_unique<Event>(true, false);
  if (inQueue != 0 || outQueue != 0) {
    if (const DWORD refused = m_port->SetupComm(inQueue, outQueue); refused != ERROR_SUCCESS) {
      Close();
      return Fail(static_cast<LONG>(refused));
    }
  }
  SetMask(EV_RXCHAR | EV_BREAK | EV_ERR);
  SetupReadTimeouts(EReadNonBlocking);
  // The port starts from the system's default configuration for its name.
  COMMCONFIG config;
  if (CommPort::GetDefaultCommConfig(device, config) == ERROR_SUCCESS) m_port->SetCommConfig(config);
  return m_lastError.load();
}

LONG CSerial::Close() {
  m_lastError.store(ERROR_SUCCESS);
  m_overlappedEvent.reset();
  m_port.reset();
  m_eventMask.store(0);
  return ERROR_SUCCESS;
}

LONG CSerial::Setup(DWORD baudRate, BYTE byteSize, DWORD parity, BYTE stopBits) {
  if (!BeginPortCall()) return m_lastError.load();
  if (parity > 0xFF) return Fail(ERROR_INVALID_PARAMETER);
  DCB dcb;
  if (const DWORD error = m_port->GetCommState(dcb); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  dcb.BaudRate = baudRate;
  dcb.ByteSize = byteSize;
  dcb.Parity = static_cast<BYTE>(parity);
  dcb.StopBits = stopBits;
  dcb.fParity = parity != NOPARITY;
  if (const DWORD error = m_port->SetCommState(dcb); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  return ERROR_SUCCESS;
}

LONG CSerial::SetEventChar(BYTE eventChar, bool adjustMask) {
  if (!BeginPortCall()) return m_lastError.load();
  DCB dcb;
  if (const DWORD error = m_port->GetCommState(dcb); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  dcb.EvtChar = static_cast<char>(eventChar);
  if (adjustMask) SetMask(GetEventMask() | EV_RXFLAG);
  if (const DWORD error = m_port->SetCommState(dcb); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  return ERROR_SUCCESS;
}

LONG CSerial::SetMask(DWORD mask) {
  if (!BeginPortCall()) return m_lastError.load();
  if (const DWORD error = m_port->SetCommMask(mask); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  m_eventMask.store(mask);
  return ERROR_SUCCESS;
}

// The ports here run every call to its end inside the call, bounded by the
// caller's time-out, so "pending" never happens: a completed call signals the
// block's event, and a time-out is reported as the platform reports a cancelled
// wait, with no byte counted.
LONG CSerial::FinishIo(DWORD result, OVERLAPPED* overlapped) {
  if (result == ERROR_SUCCESS) {
    if (overlapped != nullptr && overlapped->hEvent != nullptr) overlapped->hEvent->Set();
    else if (m_overlappedEvent) m_overlappedEvent->Set();
    return ERROR_SUCCESS;
  }
  return Fail(static_cast<LONG>(result));
}

LONG CSerial::WaitEvent(OVERLAPPED* overlapped, DWORD timeoutMs) {
  if (!BeginPortCall()) return m_lastError.load();
  if (!m_overlappedEvent && (overlapped != nullptr || timeoutMs != INFINITE)) return Fail(ERROR_INVALID_FUNCTION);
  DWORD events = 0;
  // With the caller's own block the caller waits for its event, without a time-out.
  const DWORD result = m_port->WaitCommEvent(events, overlapped != nullptr ? INFINITE : timeoutMs);
  m_eventBits.fetch_or(events);
  return FinishIo(result, overlapped);
}

LONG CSerial::SetupHandshaking(int mode) {
  if (!BeginPortCall()) return m_lastError.load();
  if (mode < EHandshakeOff || mode > EHandshakeSoftware) return Fail(E_INVALIDARG);
  DCB dcb;
  if (const DWORD error = m_port->GetCommState(dcb); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  const bool hardware = mode == EHandshakeHardware;
  const bool software = mode == EHandshakeSoftware;
  dcb.fOutxCtsFlow = hardware;
  dcb.fOutxDsrFlow = hardware;
  dcb.fDtrControl = hardware ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
  dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
  dcb.fOutX = software;
  dcb.fInX = software;
  if (const DWORD error = m_port->SetCommState(dcb); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  return ERROR_SUCCESS;
}

LONG CSerial::SetupReadTimeouts(int mode) {
  if (!BeginPortCall()) return m_lastError.load();
  if (mode != EReadNonBlocking && mode != EReadBlocking) return Fail(E_INVALIDARG);
  COMMTIMEOUTS timeouts;
  if (const DWORD error = m_port->GetCommTimeouts(timeouts); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  timeouts.ReadIntervalTimeout = mode == EReadNonBlocking ? MAXDWORD : 0;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  if (const DWORD error = m_port->SetCommTimeouts(timeouts); error != ERROR_SUCCESS) return Fail(static_cast<LONG>(error));
  return ERROR_SUCCESS;
}

bool CSerial::ReadDcb(DCB& dcb) {
  if (!BeginPortCall()) return false;
  if (const DWORD error = m_port->GetCommState(dcb); error != ERROR_SUCCESS) {
    Fail(static_cast<LONG>(error));
    return false;
  }
  return true;
}

int CSerial::GetBaudRate() {
  DCB d;
  return ReadDcb(d) ? static_cast<int>(d.BaudRate) : -1;
}

int CSerial::GetByteSize() {
  DCB d;
  return ReadDcb(d) ? static_cast<int>(d.ByteSize) : -1;
}

int CSerial::GetParity() {
  DCB d;
  if (!ReadDcb(d)) return -1;
  return d.fParity ? static_cast<int>(d.Parity) : 0;
}

int CSerial::GetStopBits() {
  DCB d;
  return ReadDcb(d) ? static_cast<int>(d.StopBits) : -1;
}

int CSerial::GetHandshaking() {
  DCB d;
  if (!ReadDcb(d)) return -1;
  if (d.fDtrControl == DTR_CONTROL_HANDSHAKE && d.fRtsControl == RTS_CONTROL_HANDSHAKE) return EHandshakeHardware;
  if (d.fOutX && d.fInX) return EHandshakeSoftware;
  return EHandshakeOff;
}

DWORD CSerial::GetEventMask() {
  if (!BeginPortCall()) return 0;
  return m_eventMask.load();
}

BYTE CSerial::GetEventChar() {
  DCB d;
  return ReadDcb(d) ? static_cast<BYTE>(d.EvtChar) : 0;
}

LONG CSerial::WriteText(const char* text, DWORD* written, OVERLAPPED* overlapped, DWORD timeoutMs) {
  return Write(text, static_cast<DWORD>(std::strlen(text)), written, overlapped, timeoutMs);
}

LONG CSerial::Write(const void* data, DWORD length, DWORD* written, OVERLAPPED* overlapped, DWORD timeoutMs) {
  DWORD local = 0;
  if (written == nullptr) written = &local;
  *written = 0;
  if (!BeginPortCall()) return m_lastError.load();
  if (!m_overlappedEvent && (overlapped != nullptr || timeoutMs != INFINITE)) return Fail(ERROR_INVALID_FUNCTION);
  DWORD count = 0;
  const DWORD result = m_port->WriteFile(data, length, count, overlapped != nullptr ? INFINITE : timeoutMs);
  if (result == ERROR_SUCCESS) *written = count;
  return FinishIo(result, overlapped);
}

LONG CSerial::Read(void* buffer, DWORD length, DWORD* read, OVERLAPPED* overlapped, DWORD timeoutMs) {
  DWORD local = 0;
  if (read == nullptr) read = &local;
  *read = 0;
  if (!BeginPortCall()) return m_lastError.load();
  if (!m_overlappedEvent && (overlapped != nullptr || timeoutMs != INFINITE)) return Fail(ERROR_INVALID_FUNCTION);
  DWORD count = 0;
  const DWORD result = m_port->ReadFile(buffer, length, count, overlapped != nullptr ? INFINITE : timeoutMs);
  if (result == ERROR_SUCCESS) *read = count;
  return FinishIo(result, overlapped);
}

LONG CSerial::Purge() {
  if (!BeginPortCall()) return m_lastError.load();
  if (const DWORD error = m_port->PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR); error != ERROR_SUCCESS) {
    return Fail(static_cast<LONG>(error));
  }
  return ERROR_SUCCESS;
}

DWORD CSerial::GetEventType() {
  return m_eventBits.exchange(0) & m_eventMask.load();
}
