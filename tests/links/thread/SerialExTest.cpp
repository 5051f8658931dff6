#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include <string>

#include "links/SerialEx.h"
#include "platform/base/ExitHook.h"
#include "platform/ui/MessageCore.h"
#include "support/PtyPair.h"

namespace {

// Reads what each event brings, as a receiver does.
class RecordingPort : public CSerialEx {
 public:
  ~RecordingPort() override { Close(); }
  void OnEvent(DWORD events, DWORD errors) override {
    char buffer[64];
    DWORD count = 0;
    Read(buffer, sizeof buffer, &count);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(events);
    m_errors |= errors;
    m_received.append(buffer, count);
    m_changed.Set();
  }
  std::string WaitForBytes(std::size_t count) {
    for (int i = 0; i < 200; ++i) {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_received.size() >= count) return m_received;
      }
      m_changed.Wait(20);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
  }
  DWORD Errors() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errors;
  }

 private:
  std::mutex m_mutex;
  std::vector<DWORD> m_events;
  DWORD m_errors = 0;
  std::string m_received;
  Event m_changed;
};

// A watchdog, not a time limit: a loaded machine may take long.
bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 12000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return done();
}

}  // namespace

TEST(SerialExTest, TheListenerHandsEachArrivalToOnEvent) {
  PtyPair pty;
  RecordingPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  EXPECT_TRUE(port.IsListening());
  EXPECT_EQ(port.StartListener(), 0);  // already running: nothing more
  pty.Send("hello");
  EXPECT_EQ(port.WaitForBytes(5), "hello");
  pty.Send(" world");
  EXPECT_EQ(port.WaitForBytes(11), "hello world");
  port.Port()->InjectLineErrors(CE_FRAME);
  EXPECT_TRUE(WaitUntil([&] { return port.Errors() == CE_FRAME; })) << port.Errors() << " " << port.GetLastError();
  EXPECT_EQ(port.StopListener(), 0);
  EXPECT_FALSE(port.IsListening());
  EXPECT_EQ(port.StopListener(), 0);  // no listener: still 0
  EXPECT_EQ(port.Close(), 0);
  EXPECT_EQ(port.Close(), 0);
}

namespace {

// The line reports an error just as a wait ends with no event (the mask was set
// again): the error arrives between the wait and the listener's look at the line.
class LateErrorPort : public RecordingPort {
 public:
  ~LateErrorPort() override { Close(); }  // before this part goes: the listener calls WaitEvent
  LONG WaitEvent(OVERLAPPED* overlapped, DWORD timeoutMs) override {
    const LONG result = RecordingPort::WaitEvent(overlapped, timeoutMs);
    if (errorAfterNextWait.exchange(false)) Port()->InjectLineErrors(CE_FRAME);
    return result;
  }
  std::atomic<bool> errorAfterNextWait{false};
};

}  // namespace

TEST(SerialExTest, ALineErrorReportedAsAWaitEndsWithoutAnEventReachesOnEvent) {
  PtyPair pty;
  LateErrorPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  port.errorAfterNextWait = true;
  port.SetMask(port.GetEventMask());  // ends the wait under way with no event
  EXPECT_TRUE(WaitUntil([&] { return port.Errors() == CE_FRAME; })) << port.Errors();
}

TEST(SerialExTest, AListenerEndedByAHangUpCanBeStartedAgain) {
  PtyPair pty;
  RecordingPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  pty.CloseMaster();
  EXPECT_TRUE(WaitUntil([&] { return !port.IsListening(); }));
  EXPECT_EQ(port.StartListener(), 0);  // a new listener, which meets the hang-up again
  EXPECT_TRUE(WaitUntil([&] { return !port.IsListening(); }));
  EXPECT_EQ(port.Close(), 0);

  PtyPair fresh;
  ASSERT_EQ(port.Open(fresh.SlavePath()), 0);
  EXPECT_TRUE(port.IsListening());
  fresh.Send("again");
  EXPECT_EQ(port.WaitForBytes(5), "again");
}

namespace {

// Hands each arrival to the UI thread and waits for it there, as a box would.
class UiHandingPort : public CSerialEx {
 public:
  ~UiHandingPort() override { Close(); }
  void OnEvent(DWORD, DWORD) override {
    char buffer[64];
    DWORD count = 0;
    Read(buffer, sizeof buffer, &count);
    inEvent = true;
    RunOnUiThreadAndWait([this] { ++handledOnUi; });
  }
  std::atomic<bool> inEvent{false};
  std::atomic<int> handledOnUi{0};
};

}  // namespace

// The UI thread stops the listener while the listener waits for the UI thread:
// the stop must keep servicing the UI thread's queue, or each waits for the other.
TEST(SerialExTest, StoppingAListenerThatWaitsForTheUiThreadServicesIt) {
  PtyPair pty;
  UiHandingPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  pty.Send("x");
  ASSERT_TRUE(WaitUntil([&] { return port.inEvent.load(); }));
  EXPECT_EQ(port.StopListener(), 0);
  EXPECT_FALSE(port.IsListening());
  EXPECT_EQ(port.handledOnUi.load(), 1);
}

namespace {

// Stays inside its first event until the gate opens.
class StuckPort : public CSerialEx {
 public:
  ~StuckPort() override { Close(); }
  void OnEvent(DWORD, DWORD) override {
    char buffer[64];
    DWORD count = 0;
    Read(buffer, sizeof buffer, &count);
    inEvent = true;
    gate.Wait(INFINITE);
  }
  std::atomic<bool> inEvent{false};
  Event gate{true, false};
};

}  // namespace

// A listener given up on by a timed stop must end once it comes back, not
// listen on, and the count of abandoned workers must come back with it.
TEST(SerialExTest, AnAbandonedListenerThatComesBackEndsAndIsCountedOut) {
  PtyPair pty;
  StuckPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  pty.Send("x");
  ASSERT_TRUE(WaitUntil([&] { return port.inEvent.load(); }));
  const int before = AbandonedWorkerCount();
  EXPECT_EQ(port.StopListener(50), 0);
  EXPECT_EQ(AbandonedWorkerCount(), before + 1);
  port.gate.Set();
  EXPECT_TRUE(WaitUntil([&] { return AbandonedWorkerCount() == before; }));
}
