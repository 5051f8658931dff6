#pragma once
// The port settings dialog: bits per second, data bits, parity and stop bits of
// one port, with OK and Cancel. It edits a copy of the line settings; the
// caller applies them.
#include <QDialog>
#include <string>

#include "platform/serial/CommTypes.h"

class QComboBox;

class CommSettingsDialog : public QDialog {
 public:
  CommSettingsDialog(const std::string& portName, const DCB& settings, QWidget* parent = nullptr);

  // The settings given, with the four choices of the dialog applied.
  DCB Settings() const;

  QComboBox* BaudRateBox() const { return m_baud; }
  QComboBox* ByteSizeBox() const { return m_byteSize; }
  QComboBox* ParityBox() const { return m_parity; }
  QComboBox* StopBitsBox() const { return m_stopBits; }

 private:
  DCB m_settings;
  QComboBox* m_baud;
  QComboBox* m_byteSize;
  QComboBox* m_parity;
  QComboBox* m_stopBits;
};

// Shows the dialog modally for `config`. True, with the chosen settings in
// `config`, when the operator confirmed; `config` is unchanged otherwise.
bool CommConfigDialog(const std::string& portName, QWidget* parent, COMMCONFIG& config);
