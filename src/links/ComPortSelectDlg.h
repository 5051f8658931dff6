#pragma once
// Chooses, opens and sets up the serial port of the Modbus master and keeps the
// port's name and line settings in section "SerialPortSetting" of the settings
// file. Shown as dialog 3011 while the operator holds the override keys at the
// serial link's start; otherwise the same object opens the saved port without a
// window. Either way the caller only learns whether the port is open afterwards.
//
// Keys: "PortNumber" (text, "COM1"), "BuadRate" (38400; the spelling is what
// existing settings files hold), "ByteSize" (8), "Parity" (0 none .. 4 space),
// "StopBits" (0 one, 1 one and a half, 2 two).
#include <string>

#include "platform/serial/CommTypes.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CStatic.h"

class CModBusBase;

class CComPortSelectDlg : public CDialog {
 public:
  static constexpr UINT kTemplateId = 3011;
  static constexpr UINT kPortListId = 4030;
  static constexpr UINT kOpenPortId = 4014;
  static constexpr UINT kClosePortId = 4005;
  static constexpr UINT kPortSettingId = 4015;
  static constexpr UINT kRefreshId = 4016;
  static constexpr UINT kDoneId = 4013;
  static constexpr UINT kStatusId = 4083;
  static constexpr const char* kSection = "SerialPortSetting";

  explicit CComPortSelectDlg(CWnd* parent = nullptr);
  ~CComPortSelectDlg() override;

  void SetOutput(CModBusBase* port) { m_port = port; }
  // Remembers the settings file and takes the saved port name ("COM1" when none).
  void LoadPortName(const std::string& settingsFileName);
  // Closes, opens the named port with the saved line settings and records its
  // name; a port that will not open or take its settings is reported and left closed.
  void OpenSavedPort();
  void ClosePort();
  // The saved line settings (defaults 38400, 8, none, one).
  void LoadConfig(COMMCONFIG& config) const;
  BOOL SaveConfig(const COMMCONFIG& config) const;
  // Puts the settings on the open port without handshaking; 1 when it took them.
  // A refusal is told in one box with its cause, and nothing more: no dialog
  // opens that the operator did not ask for.
  BOOL ApplyConfig(const COMMCONFIG& config, BOOL showErrors);
  // Whether the port's last opening failed on settings it refused (and told why).
  bool WereSettingsRefused() const { return m_settingsRefused; }
  // Lists the free ports ("COM1".."COM254"), or with `currentOnly` just the
  // named one when it is free, and selects the named one.
  void ScanPorts(BOOL currentOnly);
  void UpdateControls();
  // Edits the saved line settings in the port settings dialog and applies
  // confirmed ones to an open port.
  void OnPortSetting();

  BOOL OnInitDialog() override;
  void OnCancel() override;
  BOOL OnCmdMsg(UINT id, int code) override;

  const std::string& GetPortName() const { return m_portName; }
  void SetPortName(const std::string& name) { m_portName = name; }
  CComboBox& PortList() { return m_portList; }
  CStatic& Status() { return m_status; }

 private:
  static void RegisterTemplate();
  bool IsPortOpen() const;
  bool HasWindow() const;
  void EnableItem(UINT id, bool enable);
  // The line of the "Error 101" and "Error 102" boxes that says what the port
  // refused, and why.
  std::string RefusalText(const std::string& asked, LONG refused) const;

  CComboBox m_portList;
  std::string m_portName = "COM1";
  std::string m_settingsFileName;
  CModBusBase* m_port = nullptr;  // not owned
  CStatic m_status;
  bool m_settingsRefused = false;
};

// Opens `port` with the port saved in the settings file, through the dialog when
// `show` is set. True when the port is open afterwards; else `settingsRefused`
// (when given) says whether it failed on settings it refused, told with the cause.
bool ShowComPortDialog(CModBusBase* port, const std::string& settingsFileName, bool show,
                       bool* settingsRefused = nullptr);
