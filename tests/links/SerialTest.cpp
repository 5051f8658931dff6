#include <gtest/gtest.h>

#include "links/Serial.h"
#include "support/PtyPair.h"
#include "support/TestEnvironment.h"

namespace {

// A port opened for overlapped I/O (time-outs allowed) on the test's pty.
struct OpenSerial {
  PtyPair pty;
  CSerial serial;
  explicit OpenSerial(bool overlapped = true) { EXPECT_EQ(serial.Open(pty.SlavePath(), 0, 0, overlapped), 0); }
};

}  // namespace

TEST(SerialTest, OpenTwiceFailsAndLeavesThePortOpen) {
  OpenSerial port;
  EXPECT_EQ(port.serial.Open(port.pty.SlavePath()), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
  EXPECT_TRUE(port.serial.IsOpen());
  EXPECT_EQ(port.serial.GetEventMask(), EV_RXCHAR | EV_BREAK | EV_ERR);
  EXPECT_EQ(port.serial.GetBaudRate(), 9600);  // the system's default configuration
  EXPECT_EQ(port.serial.Close(), 0);
  EXPECT_EQ(port.serial.Close(), 0);
  EXPECT_FALSE(port.serial.IsOpen());
}

TEST(SerialTest, EveryOperationOnAClosedPortFailsWithInvalidHandle) {
  CSerial serial;
  char buffer[4];
  DWORD count = 7;
  EXPECT_EQ(serial.Read(buffer, 4, &count), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(serial.Write("a", 1), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(serial.Setup(9600, 8, 0, 0), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(serial.SetMask(EV_RXCHAR), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(serial.WaitEvent(), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(serial.Purge(), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(serial.GetBaudRate(), -1);
  EXPECT_EQ(serial.GetParity(), -1);
  EXPECT_EQ(serial.GetHandshaking(), -1);
  EXPECT_EQ(serial.GetEventMask(), 0u);
  EXPECT_EQ(serial.GetEventChar(), 0);
  EXPECT_EQ(serial.GetLastError(), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST(SerialTest, SetupAndHandshakingAsTheLineAllows) {
  OpenSerial port;
  CSerial& serial = port.serial;
  EXPECT_EQ(serial.Setup(38400, 8, NOPARITY, TWOSTOPBITS), 0);
  EXPECT_EQ(serial.GetBaudRate(), 38400);
  EXPECT_EQ(serial.GetByteSize(), 8);
  EXPECT_EQ(serial.GetParity(), 0);
  EXPECT_EQ(serial.GetStopBits(), TWOSTOPBITS);
  // Refused settings change nothing and leave the driver's code as the last error.
  EXPECT_EQ(serial.Setup(0, 8, NOPARITY, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(serial.GetLastError(), static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(serial.GetBaudRate(), 38400);
  EXPECT_EQ(serial.SetupHandshaking(CSerial::EHandshakeSoftware), 0);
  EXPECT_EQ(serial.GetHandshaking(), CSerial::EHandshakeSoftware);
  // DSR/DTR handshaking has no termios form: refused as a driver would refuse it.
  EXPECT_EQ(serial.SetupHandshaking(CSerial::EHandshakeHardware), static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(serial.GetHandshaking(), CSerial::EHandshakeSoftware);
  EXPECT_EQ(serial.SetupHandshaking(3), E_INVALIDARG);
  EXPECT_EQ(serial.GetHandshaking(), CSerial::EHandshakeSoftware);
  EXPECT_EQ(serial.SetupHandshaking(CSerial::EHandshakeOff), 0);
  EXPECT_EQ(serial.GetHandshaking(), CSerial::EHandshakeOff);
  EXPECT_EQ(serial.SetupReadTimeouts(2), E_INVALIDARG);
  EXPECT_EQ(serial.SetEventChar('\r'), 0);
  EXPECT_EQ(serial.GetEventChar(), '\r');
  EXPECT_EQ(serial.GetEventMask(), EV_RXCHAR | EV_BREAK | EV_ERR | EV_RXFLAG);
}

TEST(SerialTest, ParityReadsZeroWhileCheckingIsOff) {
  OpenSerial port;
  DCB dcb;
  ASSERT_EQ(port.serial.Port()->GetCommState(dcb), ERROR_SUCCESS);
  dcb.fParity = false;  // the Parity byte says none; checking off either way
  ASSERT_EQ(port.serial.Port()->SetCommState(dcb), ERROR_SUCCESS);
  EXPECT_EQ(port.serial.GetParity(), 0);
}

TEST(SerialTest, ReadModesAndTimeouts) {
  OpenSerial port;
  CSerial& serial = port.serial;
  char buffer[8];
  DWORD count = 9;
  EXPECT_EQ(serial.Read(buffer, 8, &count), 0);  // non-blocking: nothing there, at once
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(serial.SetupReadTimeouts(CSerial::EReadBlocking), 0);
  port.pty.Send("1234");
  EXPECT_EQ(serial.Read(buffer, 4, &count, nullptr, 2000), 0);
  EXPECT_EQ(std::string(buffer, count), "1234");
  port.pty.Send("12");
  EXPECT_EQ(serial.Read(buffer, 4, &count, nullptr, 30), static_cast<LONG>(ERROR_TIMEOUT));
  EXPECT_EQ(count, 0u);  // a wait that ran out counts nothing
  DWORD written = 0;
  EXPECT_EQ(serial.WriteText("ping", &written, nullptr, 1000), 0);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(port.pty.Receive(4), "ping");
  Event done(true, false);
  OVERLAPPED overlapped;
  overlapped.hEvent = &done;
  EXPECT_EQ(serial.Write("x", 1, nullptr, &overlapped), 0);
  EXPECT_TRUE(done.IsSet());  // the caller's block is signalled on completion
}

TEST(SerialTest, WithoutOverlappedIoTimeoutsAndBlocksAreRefusedWithoutIo) {
  OpenSerial port(false);
  CSerial& serial = port.serial;
  OVERLAPPED overlapped;
  Event done(true, false);
  overlapped.hEvent = &done;
  EXPECT_EQ(serial.Write("abc", 3, nullptr, nullptr, 100), static_cast<LONG>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(serial.Write("abc", 3, nullptr, &overlapped), static_cast<LONG>(ERROR_INVALID_FUNCTION));
  char buffer[4];
  EXPECT_EQ(serial.Read(buffer, 4, nullptr, nullptr, 100), static_cast<LONG>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(serial.WaitEvent(nullptr, 100), static_cast<LONG>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(port.pty.Receive(1, 50), "");  // nothing was written
  EXPECT_EQ(serial.Write("abc", 3), 0);
  EXPECT_EQ(port.pty.Receive(3), "abc");
}

TEST(SerialTest, EventTypeIsHandedOutOnceAndPurgeClearsTheInput) {
  OpenSerial port;
  CSerial& serial = port.serial;
  serial.WaitEvent(nullptr, 0);  // the mask set at open completes one wait
  serial.GetEventType();
  port.pty.Send("abc");
  ASSERT_EQ(serial.WaitEvent(nullptr, 2000), 0);
  EXPECT_EQ(serial.GetEventType(), EV_RXCHAR);
  EXPECT_EQ(serial.GetEventType(), 0u);
  EXPECT_EQ(serial.Purge(), 0);
  char buffer[4];
  DWORD count = 0;
  EXPECT_EQ(serial.Read(buffer, 4, &count), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(serial.WaitEvent(nullptr, 20), static_cast<LONG>(ERROR_TIMEOUT));
}

TEST(SerialTest, CheckPortTellsFreeMissingAndInUse) {
  PtyPair pty;
  TempDir dir;
  EXPECT_EQ(CSerial::CheckPort(pty.SlavePath()), CSerial::EPortAvailable);
  EXPECT_EQ(CSerial::CheckPort(dir.File("COM99")), CSerial::EPortNotAvailable);
  CSerial holder;
  ASSERT_EQ(holder.Open(pty.SlavePath()), 0);
  EXPECT_EQ(CSerial::CheckPort(pty.SlavePath()), CSerial::EPortInUse);
}
