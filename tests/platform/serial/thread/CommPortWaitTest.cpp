#include <gtest/gtest.h>

#include <thread>

#include "platform/serial/CommPort.h"
#include "support/PtyPair.h"

// The mask set from another thread completes the wait in progress, as a
// listener's stop relies on.
TEST(CommPortThreadTest, SettingTheMaskCompletesAPendingWait) {
  PtyPair pty;
  DWORD error = 0;
  auto port = CommPort::Open(pty.SlavePath(), error);
  ASSERT_NE(port, nullptr);
  port->SetCommMask(EV_RXCHAR);
  DWORD events = 0;
  port->WaitCommEvent(events, 0);
  DWORD result = 99;
  DWORD seen = 99;
  std::thread waiter([&] { result = port->WaitCommEvent(seen, INFINITE); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  port->SetCommMask(EV_RXCHAR);
  waiter.join();
  EXPECT_EQ(result, ERROR_SUCCESS);
  EXPECT_EQ(seen, 0u);
}

TEST(CommPortThreadTest, ReaderAndWriterOnTwoThreads) {
  PtyPair pty;
  DWORD error = 0;
  auto port = CommPort::Open(pty.SlavePath(), error);
  ASSERT_NE(port, nullptr);
  std::string echoed;
  std::thread device([&] { echoed = pty.Receive(300, 5000); pty.Send(echoed); });
  std::thread writer([&] {
    DWORD written = 0;
    for (int i = 0; i < 100; ++i) port->WriteFile("abc", 3, written, 1000);
  });
  COMMTIMEOUTS firstByte;  // a read ends as soon as something arrived
  firstByte.ReadIntervalTimeout = MAXDWORD;
  firstByte.ReadTotalTimeoutMultiplier = MAXDWORD;
  firstByte.ReadTotalTimeoutConstant = 5000;
  port->SetCommTimeouts(firstByte);
  std::string got;
  char buffer[64];
  while (got.size() < 300) {
    DWORD count = 0;
    if (port->ReadFile(buffer, sizeof buffer, count, 5000) != ERROR_SUCCESS) break;
    got.append(buffer, count);
  }
  writer.join();
  device.join();
  EXPECT_EQ(got.size(), 300u);
  EXPECT_EQ(got, echoed);
}
