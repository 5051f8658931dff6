// The COM-port dialog over pseudo-terminals named "COM1" and "COM2": the saved
// settings, the scan of free ports, opening from the dialog and without it.
#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <cerrno>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "SerialLinkTestSupport.h"
#include "links/ComPortSelectDlg.h"
#include "links/ModBusBase.h"
#include "platform/serial/CommSettingsDialog.h"
#include "platform/serial/LineSettings.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/WinMessages.h"
#include "support/PtyPair.h"
#include "support/ScriptedMessageBox.h"

namespace {

class ComPortSelectDlgTest : public ::testing::Test {
 protected:
  ComPortSelectDlgTest() : settingsFile(temp.File("Plant-Setting.ini")) {
    ports.Link("COM1", first.SlavePath());
    ports.Link("COM2", second.SlavePath());
  }
  ~ComPortSelectDlgTest() override {
    modal_script::Clear();
    master.Close();
  }

  void SaveSettings(const std::string& lines) { temp.Write("Plant-Setting.ini", "[SerialPortSetting]\n" + lines); }
  // Another program holds COM1.
  void HoldFirstPort() { ASSERT_EQ(holder.Open(first.SlavePath()), 0); }

  static void Press(CDialog& dialog, UINT id) {
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<int>(id), static_cast<int>(BN_CLICKED)), 0);
  }
  static bool Enabled(CDialog& dialog, UINT id) { return dialog.GetDlgItem(id)->IsWindowEnabled() != FALSE; }

  TempDir temp;
  ComPortFolder ports;
  PtyPair first;
  PtyPair second;
  std::string settingsFile;
  ScriptedMessageBox boxes;
  CSerial holder;
  CModBusBase master;
};

// A driver between the port and the kernel that refuses the next change of the
// line settings, or takes it and is gone right after.
namespace line_driver {
enum Next { kPass, kRefuse, kGoneAfter };
std::atomic<int> next{kPass};
std::atomic<bool> gone{false};

int Read(int fd, void* settings) {
  if (gone.load()) {
    errno = ENODEV;
    return -1;
  }
  return KernelLineCalls().read(fd, settings);
}

int Write(int fd, const void* settings) {
  if (gone.load()) {
    errno = ENODEV;
    return -1;
  }
  const int what = next.exchange(kPass);
  if (what == kRefuse) {
    errno = EINVAL;
    return -1;
  }
  const int result = KernelLineCalls().write(fd, settings);
  if (what == kGoneAfter) gone.store(true);
  return result;
}

struct Installed {
  Installed() { SetLineCalls(LineCalls{Read, Write}); }
  ~Installed() {
    SetLineCalls(KernelLineCalls());
    next.store(kPass);
    gone.store(false);
  }
};
}  // namespace line_driver

}  // namespace

TEST_F(ComPortSelectDlgTest, WithoutASettingsFileTheDefaultsHoldAndSavedSettingsReadBack) {
  boxes.Expect(IDOK, "Setting file not found!");
  boxes.Expect(IDOK, "Setting file not found!");
  CComPortSelectDlg dialog;
  dialog.LoadPortName(settingsFile);
  EXPECT_EQ(dialog.GetPortName(), "COM1");
  COMMCONFIG config;
  config.dcb.BaudRate = 1;
  dialog.LoadConfig(config);
  EXPECT_EQ(config.dwSize, 52u);
  EXPECT_EQ(config.dcb.BaudRate, 38400u);
  EXPECT_EQ(config.dcb.ByteSize, 8);
  EXPECT_EQ(config.dcb.Parity, NOPARITY);
  EXPECT_EQ(config.dcb.StopBits, ONESTOPBIT);

  SaveSettings("");
  config.dcb.BaudRate = 19200;
  config.dcb.ByteSize = 7;
  config.dcb.Parity = EVENPARITY;
  config.dcb.StopBits = TWOSTOPBITS;
  EXPECT_TRUE(dialog.SaveConfig(config));
  const std::string saved = temp.Read("Plant-Setting.ini");
  EXPECT_NE(saved.find("BuadRate=19200"), std::string::npos);
  EXPECT_NE(saved.find("ByteSize=7"), std::string::npos);
  EXPECT_NE(saved.find("Parity=2"), std::string::npos);
  EXPECT_NE(saved.find("StopBits=2"), std::string::npos);
  COMMCONFIG back;
  dialog.LoadConfig(back);
  EXPECT_EQ(back.dcb.BaudRate, 19200u);
  EXPECT_EQ(back.dcb.ByteSize, 7);
  EXPECT_EQ(back.dcb.Parity, EVENPARITY);
  EXPECT_EQ(back.dcb.StopBits, TWOSTOPBITS);
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(ComPortSelectDlgTest, WithoutTheDialogTheSavedPortOpensWithItsSettings) {
  SaveSettings("PortNumber=com2\nBuadRate=19200\n");
  EXPECT_TRUE(ShowComPortDialog(&master, settingsFile, false));
  EXPECT_TRUE(master.IsOpen());
  EXPECT_EQ(master.GetBaudRate(), 19200);
  EXPECT_EQ(master.GetHandshaking(), CSerial::EHandshakeOff);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(ComPortSelectDlgTest, ASavedPortInUseIsNotAvailableAndAnotherCanBeChosenAndOpened) {
  HoldFirstPort();
  SaveSettings("PortNumber=COM1\n");
  boxes.Expect(IDOK, "\"COM1\" is NOT available!");
  bool ran = false;
  modal_script::Push([&](CDialog& base) {
    auto& dialog = static_cast<CComPortSelectDlg&>(base);
    ran = true;
    EXPECT_EQ(dialog.GetWindowText(), "COM Port Selection");
    // Only the free port is listed; the port in use and the missing ones are not.
    ASSERT_EQ(dialog.PortList().GetCount(), 1);
    EXPECT_EQ(dialog.PortList().GetLBText(0), "COM2");
    EXPECT_EQ(dialog.PortList().GetItemData(0), 2u);
    EXPECT_EQ(dialog.GetPortName(), "");
    EXPECT_FALSE(Enabled(dialog, CComPortSelectDlg::kOpenPortId));
    EXPECT_FALSE(Enabled(dialog, CComPortSelectDlg::kClosePortId));
    EXPECT_EQ(dialog.GetDlgItemText(CComPortSelectDlg::kDoneId), "&Cancel");

    Press(dialog, CComPortSelectDlg::kRefreshId);
    EXPECT_EQ(dialog.GetPortName(), "COM2");
    EXPECT_EQ(dialog.PortList().GetCurSel(), 0);
    EXPECT_TRUE(Enabled(dialog, CComPortSelectDlg::kOpenPortId));

    Press(dialog, CComPortSelectDlg::kOpenPortId);
    EXPECT_TRUE(master.IsOpen());
    EXPECT_EQ(dialog.Status().GetWindowText(), "COM2 --> BaudRate:38400, ByteSize:8, Parity:0, StopBits:1");
    EXPECT_EQ(dialog.GetDlgItemText(CComPortSelectDlg::kDoneId), "&OK");
    EXPECT_FALSE(Enabled(dialog, CComPortSelectDlg::kPortListId));
    EXPECT_FALSE(Enabled(dialog, CComPortSelectDlg::kRefreshId));
    EXPECT_FALSE(Enabled(dialog, CComPortSelectDlg::kOpenPortId));
    EXPECT_TRUE(Enabled(dialog, CComPortSelectDlg::kClosePortId));
    Press(dialog, CComPortSelectDlg::kDoneId);
  });
  EXPECT_TRUE(ShowComPortDialog(&master, settingsFile, true));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(master.IsOpen());
  EXPECT_NE(temp.Read("Plant-Setting.ini").find("PortNumber=COM2"), std::string::npos);
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(ComPortSelectDlgTest, ClosingThePortListsThePortsAgainAndEscapeLeavesItClosed) {
  SaveSettings("PortNumber=COM2\n");
  modal_script::Push([&](CDialog& base) {
    auto& dialog = static_cast<CComPortSelectDlg&>(base);
    // Only the saved port is looked at first.
    EXPECT_EQ(dialog.PortList().GetCount(), 1);
    EXPECT_EQ(dialog.GetPortName(), "COM2");
    Press(dialog, CComPortSelectDlg::kOpenPortId);
    ASSERT_TRUE(master.IsOpen());
    Press(dialog, CComPortSelectDlg::kClosePortId);
    EXPECT_FALSE(master.IsOpen());
    EXPECT_EQ(dialog.PortList().GetCount(), 2);  // COM1 and COM2, both free now
    EXPECT_EQ(dialog.GetPortName(), "COM2");
    EXPECT_EQ(dialog.Status().GetWindowText(), "COM Port is close.");
    Press(dialog, CComPortSelectDlg::kOpenPortId);
    ASSERT_TRUE(master.IsOpen());
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, static_cast<int>(BN_CLICKED)), 0);
  });
  EXPECT_FALSE(ShowComPortDialog(&master, settingsFile, true));
  EXPECT_FALSE(master.IsOpen());
}

TEST_F(ComPortSelectDlgTest, WithEveryPortInUseTheDialogEndsCancelled) {
  HoldFirstPort();
  ports.LinkMissing("COM2");
  SaveSettings("PortNumber=COM1\n");
  boxes.Expect(IDOK, "All RS232 COM Ports are in use.\r\nOr this PC has NOT COM Port.");
  modal_script::Push([](CDialog& dialog) {
    ADD_FAILURE() << "the dialog should have ended by itself";
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_FALSE(ShowComPortDialog(&master, settingsFile, true));
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(ComPortSelectDlgTest, AMissingPortIsReportedAndLeftClosed) {
  ports.LinkMissing("COM2");
  SaveSettings("PortNumber=COM2\n");
  boxes.Expect(IDOK, "Unable to open the serial COM2 port!");
  EXPECT_FALSE(ShowComPortDialog(&master, settingsFile, false));
  EXPECT_FALSE(master.IsOpen());
}

// In the COM-port box a refused setting is one box, naming what was refused:
// no port settings dialog comes up unasked, and the port stays closed.
TEST_F(ComPortSelectDlgTest, ARefusedSettingInTheDialogIsOneBoxAndOpensNoDialogUnasked) {
  SaveSettings("PortNumber=COM2\nBuadRate=12345\nByteSize=7\n");  // a pseudo-terminal keeps 8 data bits
  boxes.Expect(IDOK, "Error 101: Unable to set COM setting.\r\nCOM2 refuses BaudRate:12345, ByteSize:7");
  bool settingsOpened = false;
  modal_script::Push([&](CDialog& dialog) {
    // A settings dialog that opens anyway is seen and closed, so the test goes on.
    QTimer::singleShot(0, [&] {
      if (auto* settings = dynamic_cast<CommSettingsDialog*>(QApplication::activeModalWidget())) {
        settingsOpened = true;
        settings->reject();
      }
    });
    Press(dialog, CComPortSelectDlg::kOpenPortId);
    EXPECT_FALSE(master.IsOpen());
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, static_cast<int>(BN_CLICKED)), 0);
  });
  bool refused = false;
  EXPECT_FALSE(ShowComPortDialog(&master, settingsFile, true, &refused));
  EXPECT_FALSE(settingsOpened);
  EXPECT_TRUE(refused);
  EXPECT_EQ(boxes.Count(), 1u);
}

// A rate no table names opens, reads back as set and is taken back; a refusal
// names the port, the settings and the cause, and a device gone is told as gone.
TEST_F(ComPortSelectDlgTest, AnyRateTheDeviceTakesOpensAndARefusalSaysWhatAndWhy) {
  SaveSettings("PortNumber=COM2\n");
  ASSERT_EQ(master.Open("COM2"), 0);
  ASSERT_EQ(master.Setup(250000, 8, NOPARITY, ONESTOPBIT), 0);
  ASSERT_EQ(master.GetBaudRate(), 250000);
  EXPECT_EQ(master.Setup(static_cast<DWORD>(master.GetBaudRate()), 8, NOPARITY, ONESTOPBIT), 0);

  line_driver::Installed driver;
  CComPortSelectDlg dialog;
  dialog.LoadPortName(settingsFile);
  dialog.SetOutput(&master);
  COMMCONFIG config;
  config.dcb.BaudRate = 31250;
  config.dcb.ByteSize = 8;
  line_driver::next.store(line_driver::kRefuse);
  boxes.Expect(IDOK, "Error 101: Unable to set COM setting.\r\nCOM2 refuses BaudRate:31250, ByteSize:8, Parity:0, "
                     "StopBits:1 (the driver refuses it: Invalid argument, error 87).\r\nChange COM port Setting");
  EXPECT_FALSE(dialog.ApplyConfig(config, TRUE));
  EXPECT_EQ(master.GetBaudRate(), 250000);  // nothing changed

  // A device gone while being set: one box says so.
  line_driver::next.store(line_driver::kGoneAfter);
  boxes.Expect(IDOK, "COM2 is gone (No such device, error 1167) while being set to BaudRate:31250");
  EXPECT_FALSE(dialog.ApplyConfig(config, TRUE));
  EXPECT_EQ(boxes.Count(), 2u);
}
