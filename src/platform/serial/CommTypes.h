#pragma once
// Structures and constants of the serial communications calls, with the
// platform's own values, so that port code reads as written for it.
#include "platform/base/WinTypes.h"

// Line settings of a port. Only the fields the ports here can honour take effect;
// the others are kept and read back.
struct DCB {
  DWORD DCBlength = sizeof(DCB);
  DWORD BaudRate = 0;
  bool fBinary = true;
  bool fParity = false;        // check parity of received bytes
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  BYTE fDtrControl = 0;        // DTR_CONTROL_*
  bool fDsrSensitivity = false;
  bool fTXContinueOnXoff = false;
  bool fOutX = false;
  bool fInX = false;
  bool fErrorChar = false;
  bool fNull = false;
  BYTE fRtsControl = 0;        // RTS_CONTROL_*
  bool fAbortOnError = false;
  WORD XonLim = 0;
  WORD XoffLim = 0;
  BYTE ByteSize = 8;
  BYTE Parity = 0;             // NOPARITY..SPACEPARITY
  BYTE StopBits = 0;           // ONESTOPBIT..TWOSTOPBITS
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

constexpr DWORD kWin32DcbLength = 28;       // what the platform's DCB measures
constexpr DWORD kWin32CommConfigSize = 52;  // and its COMMCONFIG

struct COMMCONFIG {
  DWORD dwSize = kWin32CommConfigSize;
  WORD wVersion = 1;
  DCB dcb;
};

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout = 0;
  DWORD ReadTotalTimeoutMultiplier = 0;
  DWORD ReadTotalTimeoutConstant = 0;
  DWORD WriteTotalTimeoutMultiplier = 0;
  DWORD WriteTotalTimeoutConstant = 0;
};

struct COMSTAT {
  DWORD cbInQue = 0;
  DWORD cbOutQue = 0;
};

class Event;
// Overlapped-operation block: the operation signals hEvent when it completes.
struct OVERLAPPED {
  Event* hEvent = nullptr;
};

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;

constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

constexpr BYTE DTR_CONTROL_DISABLE = 0;
constexpr BYTE DTR_CONTROL_ENABLE = 1;
constexpr BYTE DTR_CONTROL_HANDSHAKE = 2;
constexpr BYTE RTS_CONTROL_DISABLE = 0;
constexpr BYTE RTS_CONTROL_ENABLE = 1;
constexpr BYTE RTS_CONTROL_HANDSHAKE = 2;
constexpr BYTE RTS_CONTROL_TOGGLE = 3;

// Event mask bits.
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_ALL_KNOWN = 0x01FF;

// Line error bits of ClearCommError.
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;

// PurgeComm flags.
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

constexpr DWORD MAXDWORD = 0xFFFFFFFFu;
