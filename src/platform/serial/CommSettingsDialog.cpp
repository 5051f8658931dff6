#include "platform/serial/CommSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "platform/ui/WholeTitle.h"

namespace {

constexpr DWORD kBaudRates[] = {110,   300,   600,   1200,   2400,   4800,   9600,
                                14400, 19200, 38400, 57600, 115200, 128000, 256000};

// Selects the entry whose data equals `value`, adding it under `label` when missing.
void Choose(QComboBox* box, int value, const QString& label) {
  int index = box->findData(value);
  if (index < 0) {
    box->addItem(label, value);
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
}

}  // namespace

CommSettingsDialog::CommSettingsDialog(const std::string& portName, const DCB& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
  setWindowTitle(QString::fromStdString(portName + " Properties"));
  m_baud = new QComboBox(this);
  for (DWORD rate : kBaudRates) m_baud->addItem(QString::number(rate), static_cast<int>(rate));
  Choose(m_baud, static_cast<int>(settings.BaudRate), QString::number(settings.BaudRate));

  m_byteSize = new QComboBox(this);
  for (int size = 5; size <= 8; ++size) m_byteSize->addItem(QString::number(size), size);
  Choose(m_byteSize, settings.ByteSize, QString::number(settings.ByteSize));

  m_parity = new QComboBox(this);
  const char* parities[] = {"None", "Odd", "Even", "Mark", "Space"};
  for (int p = 0; p < 5; ++p) m_parity->addItem(parities[p], p);
  Choose(m_parity, settings.fParity ? settings.Parity : NOPARITY, QString::number(settings.Parity));

  m_stopBits = new QComboBox(this);
  m_stopBits->addItem("1", ONESTOPBIT);
  m_stopBits->addItem("1.5", ONE5STOPBITS);
  m_stopBits->addItem("2", TWOSTOPBITS);
  Choose(m_stopBits, settings.StopBits, QString::number(settings.StopBits));

  auto* form = new QFormLayout;
  form->addRow("&Bits per second:", m_baud);
  form->addRow("&Data bits:", m_byteSize);
  form->addRow("&Parity:", m_parity);
  form->addRow("&Stop bits:", m_stopBits);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  // Its form is narrower than "COM1 Properties" in a title bar.
  KeepTitleWhole(*this);
}

DCB CommSettingsDialog::Settings() const {
  DCB result = m_settings;
  result.BaudRate = static_cast<DWORD>(m_baud->currentData().toInt());
  result.ByteSize = static_cast<BYTE>(m_byteSize->currentData().toInt());
  result.Parity = static_cast<BYTE>(m_parity->currentData().toInt());
  result.fParity = result.Parity != NOPARITY;
  result.StopBits = static_cast<BYTE>(m_stopBits->currentData().toInt());
  return result;
}

bool CommConfigDialog(const std::string& portName, QWidget* parent, COMMCONFIG& config) {
  CommSettingsDialog dialog(portName, config.dcb, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  config.dcb = dialog.Settings();
  return true;
}
