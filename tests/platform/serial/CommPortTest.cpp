#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/serial/ComPortPath.h"
#include "platform/serial/CommPort.h"
#include "support/PtyPair.h"
#include "support/TestEnvironment.h"

namespace {

std::unique_ptr<CommPort> OpenOk(const std::string& name) {
  DWORD error = 99;
  auto port = CommPort::Open(name, error);
  EXPECT_EQ(error, ERROR_SUCCESS);
  EXPECT_NE(port, nullptr);
  return port;
}

void ReadAtOnce(CommPort& port) {
  COMMTIMEOUTS rules;
  rules.ReadIntervalTimeout = MAXDWORD;
  port.SetCommTimeouts(rules);
}

// Waits for the next arrival and reads everything queued.
std::string ReadArrival(CommPort& port) {
  DWORD events = 0;
  EXPECT_EQ(port.WaitCommEvent(events, 2000), ERROR_SUCCESS);
  EXPECT_EQ(events, EV_RXCHAR);
  ReadAtOnce(port);
  char buffer[64];
  DWORD got = 0;
  EXPECT_EQ(port.ReadFile(buffer, sizeof buffer, got, INFINITE), ERROR_SUCCESS);
  return std::string(buffer, got);
}

class ScopedComDir {
 public:
  explicit ScopedComDir(const std::string& dir) { setenv("RUV_COM_DIR", dir.c_str(), 1); }
  ~ScopedComDir() { unsetenv("RUV_COM_DIR"); }
};

}  // namespace

TEST(ComPortPathTest, MapsComNamesAndKeepsPaths) {
  TempDir dir;
  ASSERT_EQ(symlink("/dev/null", dir.File("COM4").c_str()), 0);
  EXPECT_EQ(ResolveComPortPath("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(ResolveComPortPath("COM4"), "/dev/ttyS3");  // no folder named yet
  ScopedComDir env(dir.Path());
  EXPECT_EQ(ResolveComPortPath("COM4"), dir.File("COM4"));
  EXPECT_EQ(ResolveComPortPath("com4"), dir.File("COM4"));
  EXPECT_EQ(ResolveComPortPath("COM5"), "/dev/ttyS4");  // the folder holds no such link
  EXPECT_EQ(ResolveComPortPath("COM0"), "");
  EXPECT_EQ(ResolveComPortPath("COMX"), "");
  EXPECT_EQ(ResolveComPortPath("LPT1"), "");
  EXPECT_EQ(ResolveComPortPath(""), "");
}

TEST(CommPortTest, OpensByComNameExclusivelyAndReportsMissingPorts) {
  PtyPair pty;
  TempDir dir;
  ASSERT_EQ(symlink(pty.SlavePath().c_str(), dir.File("COM7").c_str()), 0);
  ScopedComDir env(dir.Path());
  auto port = OpenOk("COM7");
  DWORD error = 0;
  EXPECT_EQ(CommPort::Open(pty.SlavePath(), error), nullptr);
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);  // held, whoever asks
  EXPECT_EQ(CommPort::Open("COM8", error), nullptr);  // /dev/ttyS7 on a machine without it, or not a port
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_ACCESS_DENIED);
  EXPECT_EQ(CommPort::Open(dir.File("nothing"), error), nullptr);
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  dir.Write("plain", "x");
  EXPECT_EQ(CommPort::Open(dir.File("plain"), error), nullptr);
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);  // a file is no serial line
  port.reset();
  EXPECT_NE(CommPort::Open("COM7", error), nullptr);  // released on close
}

TEST(CommPortTest, LineSettingsRoundTripAndRefusalsChangeNothing) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  DCB dcb;
  ASSERT_EQ(port->GetCommState(dcb), ERROR_SUCCESS);
  dcb.BaudRate = 19200;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fOutX = dcb.fInX = true;
  dcb.EvtChar = 'Z';
  ASSERT_EQ(port->SetCommState(dcb), ERROR_SUCCESS);
  DCB back;
  ASSERT_EQ(port->GetCommState(back), ERROR_SUCCESS);
  EXPECT_EQ(back.BaudRate, 19200u);
  EXPECT_EQ(back.ByteSize, 8);
  EXPECT_EQ(back.StopBits, TWOSTOPBITS);
  EXPECT_TRUE(back.fOutX && back.fInX);
  EXPECT_EQ(back.EvtChar, 'Z');

  struct Refused {
    const char* what;
    void (*change)(DCB&);
  } refusals[] = {
      {"no rate", [](DCB& d) { d.BaudRate = 0; }},
      {"9 data bits", [](DCB& d) { d.ByteSize = 9; }},
      {"parity 5", [](DCB& d) { d.Parity = 5; }},
      {"1.5 stop bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
      {"DSR flow", [](DCB& d) { d.fOutxDsrFlow = true; }},
      {"DTR handshake", [](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; }},
      {"RTS toggle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }},
      {"CTS out only", [](DCB& d) { d.fOutxCtsFlow = true; }},
      {"null stripping", [](DCB& d) { d.fNull = true; }},
      // A pseudo-terminal keeps 8 bits without parity whatever it is told.
      {"7 data bits on a pty", [](DCB& d) { d.ByteSize = 7; }},
      {"mark parity on a pty", [](DCB& d) { d.Parity = MARKPARITY; d.fParity = true; }},
  };
  for (const auto& refusal : refusals) {
    DCB changed = back;
    changed.BaudRate = 4800;
    refusal.change(changed);
    EXPECT_EQ(port->SetCommState(changed), ERROR_INVALID_PARAMETER) << refusal.what;
    DCB now;
    port->GetCommState(now);
    EXPECT_EQ(now.BaudRate, 19200u) << refusal.what;
  }
  DCB flow = back;
  flow.fOutxCtsFlow = true;
  flow.fRtsControl = RTS_CONTROL_HANDSHAKE;
  EXPECT_EQ(port->SetCommState(flow), ERROR_SUCCESS);  // RTS/CTS both ways is what termios does
  EXPECT_EQ(port->SetupComm(4096, 4096), ERROR_SUCCESS);
}

// The kernel keeps a rate in a signed field, and a poll needs some speed: a
// rate beyond either is refused with its cause, and the line keeps its rate.
TEST(CommPortTest, ARateTheKernelCannotHoldOrTooSlowToPollIsRefusedWithItsCause) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  DCB dcb;
  ASSERT_EQ(port->GetCommState(dcb), ERROR_SUCCESS);
  dcb.BaudRate = 19200;
  ASSERT_EQ(port->SetCommState(dcb), ERROR_SUCCESS);
  const struct {
    DWORD rate;
    const char* cause;
  } refused[] = {
      {2147483648u, "no line runs at 2147483648 baud (2147483647 at the most)"},
      {4294967295u, "no line runs at 4294967295 baud (2147483647 at the most)"},
      {static_cast<DWORD>(-9600), "no line runs at 4294957696 baud (2147483647 at the most)"},
      {1, "1 baud is too slow to poll a device (50 baud at the least)"},
      {49, "49 baud is too slow to poll a device (50 baud at the least)"},
  };
  for (const auto& rate : refused) {
    DCB asked = dcb;
    asked.BaudRate = rate.rate;
    EXPECT_EQ(port->SetCommState(asked), ERROR_INVALID_PARAMETER) << rate.rate;
    EXPECT_EQ(port->LastCause(), rate.cause);
    DCB now;
    ASSERT_EQ(port->GetCommState(now), ERROR_SUCCESS);
    EXPECT_EQ(now.BaudRate, 19200u) << rate.rate;
  }
  for (DWORD rate : {50u, 2147483647u}) {
    DCB asked = dcb;
    asked.BaudRate = rate;
    EXPECT_EQ(port->SetCommState(asked), ERROR_SUCCESS) << rate;
  }
}

TEST(CommPortTest, ReadsFollowTheTimeoutRules) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  char buffer[16];
  DWORD got = 99;
  ReadAtOnce(*port);
  EXPECT_EQ(port->ReadFile(buffer, sizeof buffer, got, INFINITE), ERROR_SUCCESS);
  EXPECT_EQ(got, 0u);  // nothing there: back at once

  port->SetCommTimeouts(COMMTIMEOUTS{});  // wait for every byte
  pty.Send("abc");
  EXPECT_EQ(port->ReadFile(buffer, 3, got, 2000), ERROR_SUCCESS);
  EXPECT_EQ(std::string(buffer, got), "abc");
  pty.Send("de");
  EXPECT_EQ(port->ReadFile(buffer, 3, got, 50), ERROR_TIMEOUT);  // the caller's bound ran out first

  COMMTIMEOUTS total;
  total.ReadTotalTimeoutConstant = 30;
  port->SetCommTimeouts(total);
  pty.Send("f");
  EXPECT_EQ(port->ReadFile(buffer, 8, got, 5000), ERROR_SUCCESS);  // the port's own time-out ends it
  EXPECT_EQ(std::string(buffer, got), "f");
}

TEST(CommPortTest, WritesReachThePeerAndPurgeEmptiesTheInput) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  DWORD written = 0;
  ASSERT_EQ(port->WriteFile("hello", 5, written, 1000), ERROR_SUCCESS);
  EXPECT_EQ(written, 5u);
  EXPECT_EQ(pty.Receive(5), "hello");

  port->SetCommMask(EV_RXCHAR);
  DWORD events = 0;
  port->WaitCommEvent(events, 0);  // the mask change itself completes a wait
  pty.Send("stale");
  ASSERT_EQ(port->WaitCommEvent(events, 2000), ERROR_SUCCESS);
  EXPECT_EQ(port->PurgeComm(PURGE_RXCLEAR | PURGE_TXCLEAR), ERROR_SUCCESS);
  DWORD errors = 0;
  COMSTAT status;
  EXPECT_EQ(port->ClearCommError(errors, &status), ERROR_SUCCESS);
  EXPECT_EQ(status.cbInQue, 0u);
  EXPECT_EQ(port->PurgeComm(0x100), ERROR_INVALID_PARAMETER);
}

TEST(CommPortTest, ReportsEachArrivalOnceAndDoesNotRepeatWhileBytesWait) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_EQ(port->SetCommMask(EV_RXCHAR | EV_ERR), ERROR_SUCCESS);
  DWORD events = 0;
  EXPECT_EQ(port->WaitCommEvent(events, 0), ERROR_SUCCESS);  // completed by the mask change
  EXPECT_EQ(events, 0u);
  EXPECT_EQ(port->WaitCommEvent(events, 20), ERROR_TIMEOUT);

  pty.Send("x");
  ASSERT_EQ(port->WaitCommEvent(events, 2000), ERROR_SUCCESS);
  EXPECT_EQ(events, EV_RXCHAR);
  EXPECT_EQ(port->WaitCommEvent(events, 50), ERROR_TIMEOUT);  // the byte still waits: no new report
  pty.Send("y");
  ASSERT_EQ(port->WaitCommEvent(events, 2000), ERROR_SUCCESS);
  EXPECT_EQ(events, EV_RXCHAR);
  ReadAtOnce(*port);
  char buffer[8];
  DWORD got = 0;
  port->ReadFile(buffer, sizeof buffer, got, INFINITE);
  EXPECT_EQ(std::string(buffer, got), "xy");
  pty.Send("z");
  EXPECT_EQ(ReadArrival(*port), "z");
}

TEST(CommPortTest, LineErrorsAreEventsAndClearCommErrorHandsThemOutOnce) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  port->SetCommMask(EV_RXCHAR | EV_BREAK | EV_ERR);
  DWORD events = 0;
  port->WaitCommEvent(events, 0);
  port->InjectLineErrors(CE_FRAME | CE_BREAK);
  ASSERT_EQ(port->WaitCommEvent(events, 2000), ERROR_SUCCESS);
  EXPECT_EQ(events, EV_ERR | EV_BREAK);
  DWORD errors = 0;
  EXPECT_EQ(port->ClearCommError(errors, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(errors, CE_FRAME | CE_BREAK);
  EXPECT_EQ(port->ClearCommError(errors, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(errors, 0u);

  port->SetCommMask(EV_RXCHAR);  // errors outside the mask raise no event
  port->WaitCommEvent(events, 0);
  port->InjectLineErrors(CE_OVERRUN);
  EXPECT_EQ(port->WaitCommEvent(events, 50), ERROR_TIMEOUT);
}

TEST(CommPortTest, APeerThatHungUpFailsEveryCall) {
  PtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  pty.CloseMaster();
  DWORD events = 0;
  EXPECT_EQ(port->WaitCommEvent(events, 1000), ERROR_DEVICE_NOT_CONNECTED);
  char buffer[4];
  DWORD count = 0;
  ReadAtOnce(*port);
  EXPECT_EQ(port->ReadFile(buffer, 4, count, 1000), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(port->WriteFile("a", 1, count, 1000), ERROR_DEVICE_NOT_CONNECTED);
  DWORD errors = 0;
  EXPECT_EQ(port->ClearCommError(errors, nullptr), ERROR_DEVICE_NOT_CONNECTED);
}

TEST(CommPortTest, DefaultConfigurationIsNineThousandSixHundredEightNoneOne) {
  PtyPair pty;
  COMMCONFIG config;
  ASSERT_EQ(CommPort::GetDefaultCommConfig(pty.SlavePath(), config), ERROR_SUCCESS);
  EXPECT_EQ(config.dwSize, 52u);
  EXPECT_EQ(config.dcb.BaudRate, 9600u);
  EXPECT_EQ(config.dcb.ByteSize, 8);
  EXPECT_EQ(config.dcb.Parity, NOPARITY);
  EXPECT_EQ(config.dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(CommPort::GetDefaultCommConfig("/nonexistent/port", config), ERROR_FILE_NOT_FOUND);
  auto port = OpenOk(pty.SlavePath());
  EXPECT_EQ(port->SetCommConfig(config), ERROR_SUCCESS);
  DCB dcb;
  port->GetCommState(dcb);
  EXPECT_EQ(dcb.BaudRate, 9600u);
}
