#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "platform/serial/CommPort.h"
#include "platform/serial/CommSettingsDialog.h"
#include "support/PtyPair.h"

TEST(CommSettingsDialogTest, ShowsTheSettingsAndHandsBackTheChoices) {
  DCB dcb;
  dcb.BaudRate = 38400;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.XonChar = 0x11;
  CommSettingsDialog dialog("COM2", dcb);
  EXPECT_EQ(dialog.windowTitle(), "COM2 Properties");
  EXPECT_EQ(dialog.BaudRateBox()->currentText(), "38400");
  EXPECT_EQ(dialog.ByteSizeBox()->currentText(), "8");
  EXPECT_EQ(dialog.ParityBox()->currentText(), "None");
  EXPECT_EQ(dialog.StopBitsBox()->currentText(), "1");

  dialog.BaudRateBox()->setCurrentText("9600");
  dialog.ByteSizeBox()->setCurrentText("7");
  dialog.ParityBox()->setCurrentText("Even");
  dialog.StopBitsBox()->setCurrentText("2");
  const DCB chosen = dialog.Settings();
  EXPECT_EQ(chosen.BaudRate, 9600u);
  EXPECT_EQ(chosen.ByteSize, 7);
  EXPECT_EQ(chosen.Parity, EVENPARITY);
  EXPECT_TRUE(chosen.fParity);
  EXPECT_EQ(chosen.StopBits, TWOSTOPBITS);
  EXPECT_EQ(chosen.XonChar, 0x11);  // what the dialog does not show stays
}

TEST(CommSettingsDialogTest, ARateOutsideTheListIsOfferedAsItIs) {
  DCB dcb;
  dcb.BaudRate = 250000;
  CommSettingsDialog dialog("COM1", dcb);
  EXPECT_EQ(dialog.BaudRateBox()->currentText(), "250000");
  EXPECT_EQ(dialog.Settings().BaudRate, 250000u);
}

// Every rate offered opens the port, those without a termios speed constant
// (14 400, 128 000, 256 000) too, and the port reads back the rate it runs at
// (the Modbus link times its line's silence from it).
TEST(CommSettingsDialogTest, EveryOfferedRateOpensAPseudoTerminal) {
  PtyPair pty;
  DWORD error = 0;
  auto port = CommPort::Open(pty.SlavePath(), error);
  ASSERT_NE(port, nullptr);
  DCB dcb;
  ASSERT_EQ(port->GetCommState(dcb), ERROR_SUCCESS);
  const CommSettingsDialog dialog("COM1", dcb);
  const QComboBox* rates = dialog.BaudRateBox();
  for (int i = 0; i < rates->count(); ++i) {
    dcb.BaudRate = rates->itemData(i).toUInt();
    EXPECT_EQ(port->SetCommState(dcb), ERROR_SUCCESS) << dcb.BaudRate;
    DCB back;
    ASSERT_EQ(port->GetCommState(back), ERROR_SUCCESS);
    EXPECT_EQ(back.BaudRate, dcb.BaudRate);
  }
}

namespace {
// Presses OK or Cancel of the modal dialog once it shows.
void AnswerDialog(bool ok) {
  QTimer::singleShot(0, [ok] {
    auto* dialog = dynamic_cast<CommSettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->ParityBox()->setCurrentText("Odd");
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
  });
}
}  // namespace

TEST(CommSettingsDialogTest, OkHandsBackTheSettingsAndCancelKeepsThem) {
  COMMCONFIG config;
  config.dcb.BaudRate = 38400;
  AnswerDialog(false);
  EXPECT_FALSE(CommConfigDialog("COM1", nullptr, config));
  EXPECT_EQ(config.dcb.Parity, NOPARITY);
  AnswerDialog(true);
  EXPECT_TRUE(CommConfigDialog("COM1", nullptr, config));
  EXPECT_EQ(config.dcb.Parity, ODDPARITY);
  EXPECT_EQ(config.dcb.BaudRate, 38400u);
}

// The form is narrower than its title in a window manager's title bar, which
// cut it to "COM1 … erties": the dialog is as wide as the whole title needs.
TEST(CommSettingsDialogTest, TheDialogIsWideEnoughForItsWholeTitle) {
  DCB dcb{};
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  CommSettingsDialog dialog("COM1", dcb);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle().toStdString(), "COM1 Properties");
  QFont bold = dialog.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  // The title bold and a quarter larger (a window manager's font), beside an
  // icon and three buttons as tall as a title bar.
  const int titleBar = metrics.height() + 8;
  EXPECT_GE(dialog.width(), metrics.horizontalAdvance("COM1 Properties") * 5 / 4 + 4 * titleBar);
}
