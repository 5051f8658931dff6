#include "links/ComPortSelectDlg.h"

#include <string>

#include "common/IniFile.h"
#include "links/ModBusBase.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/serial/ComPortPath.h"
#include "platform/serial/CommSettingsDialog.h"
#include "platform/ui/WinMessages.h"

namespace {

constexpr UINT kErrorStyle = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;
constexpr int kHighestPortNumber = 254;

const char* StopBitsText(BYTE stopBits) {
  if (stopBits == ONESTOPBIT) return "1";
  if (stopBits == ONE5STOPBITS) return "1.5";
  return "2";
}

}  // namespace

void CComPortSelectDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = kTemplateId;
    dialog.caption = "COM Port Selection";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog.cx = 226;
    dialog.cy = 98;
    dialog.items = {
        {kLabelId, kStaticClass, "Available COM Ports:", WS_VISIBLE | SS_LEFT, 7, 9, 72, 10},
        {kPortListId, kComboBoxClass, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 82, 7, 80, 120},
        {kRefreshId, kButtonClass, "&Refresh", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 169, 6, 50, 14},
        {kOpenPortId, kButtonClass, "&Open Port", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 7, 30, 66, 14},
        {kClosePortId, kButtonClass, "&Close Port", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 80, 30, 66, 14},
        {kPortSettingId, kButtonClass, "&Port Setting", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 153, 30, 66, 14},
        {kStatusId, kStaticClass, "Port Status ...", WS_VISIBLE | SS_LEFT | WS_BORDER, 7, 52, 212, 14},
        {kDoneId, kButtonClass, "&OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 169, 76, 50, 14},
    };
    RegisterDialogTemplate(dialog);
    return true;
  }();
  (void)registered;
}

CComPortSelectDlg::CComPortSelectDlg(CWnd* parent) : CDialog(kTemplateId, parent) {
  RegisterTemplate();
  BindControl(kPortListId, m_portList);
  BindControl(kStatusId, m_status);
}

CComPortSelectDlg::~CComPortSelectDlg() = default;

bool CComPortSelectDlg::HasWindow() const { return IsWindow(GetSafeHwnd()); }

bool CComPortSelectDlg::IsPortOpen() const { return m_port != nullptr && m_port->IsOpen(); }

void CComPortSelectDlg::LoadPortName(const std::string& settingsFileName) {
  m_settingsFileName = settingsFileName;
  CIniFile settings(m_settingsFileName);
  settings.ReadString(kSection, "PortNumber", m_portName, "COM1");
}

void CComPortSelectDlg::OpenSavedPort() {
  ClosePort();
  m_settingsRefused = false;
  if (m_port == nullptr) return;
  if (m_port->Open(m_portName, 0, 0, true) != 0) {
    ClosePort();
    ShowMessageBox(ruv::Format("Unable to open the serial %s port!", m_portName.c_str()), "", kErrorStyle);
  } else {
    COMMCONFIG config;
    LoadConfig(config);
    if (!ApplyConfig(config, TRUE)) {
      ClosePort();
    } else {
      CIniFile settings(m_settingsFileName);
      settings.WriteString(kSection, "PortNumber", m_portName);
    }
  }
  UpdateControls();
}

void CComPortSelectDlg::ClosePort() {
  if (IsPortOpen()) m_port->Close();
  if (HasWindow()) m_status.SetWindowText("COM Port is close.");
}

void CComPortSelectDlg::LoadConfig(COMMCONFIG& config) const {
  config = COMMCONFIG{};
  config.dwSize = kWin32CommConfigSize;
  CIniFile settings(m_settingsFileName);
  std::uint32_t baudRate = 0;
  std::uint8_t byteSize = 0;
  std::uint8_t parity = 0;
  std::uint8_t stopBits = 0;
  settings.ReadDword(kSection, "BuadRate", baudRate, 38400);
  settings.ReadByte(kSection, "ByteSize", byteSize, 8);
  settings.ReadByte(kSection, "Parity", parity, 0);
  settings.ReadByte(kSection, "StopBits", stopBits, 0);
  config.dcb.BaudRate = baudRate;
  config.dcb.ByteSize = byteSize;
  config.dcb.Parity = parity;
  config.dcb.StopBits = stopBits;
}

BOOL CComPortSelectDlg::SaveConfig(const COMMCONFIG& config) const {
  CIniFile settings(m_settingsFileName);
  settings.WriteDword(kSection, "BuadRate", config.dcb.BaudRate);
  settings.WriteDword(kSection, "ByteSize", config.dcb.ByteSize);
  settings.WriteDword(kSection, "Parity", config.dcb.Parity);
  settings.WriteDword(kSection, "StopBits", config.dcb.StopBits);
  return TRUE;
}

// The port, what it was asked to take and the system's cause: the operator then
// knows what to change, or that the device itself has gone.
std::string CComPortSelectDlg::RefusalText(const std::string& asked, LONG refused) const {
  const CommPort* port = m_port != nullptr ? m_port->Port() : nullptr;
  const std::string cause = port != nullptr ? port->LastCause() : std::string();
  const std::string because = cause.empty() ? ruv::Format("error %ld", static_cast<long>(refused))
                                            : ruv::Format("%s, error %ld", cause.c_str(), static_cast<long>(refused));
  if (refused == static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED)) {
    return ruv::Format("%s is gone (%s) while being set to %s.", m_portName.c_str(), because.c_str(), asked.c_str());
  }
  return ruv::Format("%s refuses %s (%s).", m_portName.c_str(), asked.c_str(), because.c_str());
}

BOOL CComPortSelectDlg::ApplyConfig(const COMMCONFIG& config, BOOL showErrors) {
  if (!IsPortOpen()) {
    if (showErrors) ShowMessageBox("Error 101: Unable to set COM setting.\r\n", "", kErrorStyle);
    return FALSE;
  }
  const DCB& dcb = config.dcb;
  const LONG refused = m_port->Setup(dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits);
  if (refused != 0) {
    const std::string asked = ruv::Format("BaudRate:%u, ByteSize:%d, Parity:%d, StopBits:%s",
                                          static_cast<unsigned>(dcb.BaudRate), static_cast<int>(dcb.ByteSize),
                                          static_cast<int>(dcb.Parity), StopBitsText(dcb.StopBits));
    ShowMessageBox("Error 101: Unable to set COM setting.\r\n" + RefusalText(asked, refused) +
                       "\r\nChange COM port Setting or restart program and retry!",
                   "", kErrorStyle);
    m_settingsRefused = true;
    // That box says it all: the operator changes the settings through *Port
    // Setting* when he chooses to; no dialog comes up that nobody asked for.
    return FALSE;
  }
  const LONG handshaking = IsPortOpen() ? m_port->SetupHandshaking(CSerial::EHandshakeOff) : 0;
  if (!IsPortOpen() || handshaking != 0) {
    const std::string why = handshaking != 0 ? "\r\n" + RefusalText("no handshaking", handshaking) : std::string();
    ShowMessageBox("Error 102: Unable to set COM setting. Restart program and retry." + why, "", kErrorStyle);
    return FALSE;
  }
  if (HasWindow()) {
    m_status.SetWindowText(ruv::Format("%s --> BaudRate:%d, ByteSize:%d, Parity:%d, StopBits:%s", m_portName.c_str(),
                                       static_cast<int>(dcb.BaudRate), static_cast<int>(dcb.ByteSize),
                                       static_cast<int>(dcb.Parity), StopBitsText(dcb.StopBits)));
  }
  return TRUE;
}

void CComPortSelectDlg::OnPortSetting() {
  COMMCONFIG config;
  LoadConfig(config);
  if (!CommConfigDialog(m_portName, HasWindow() ? GetWidget() : nullptr, config)) return;
  SaveConfig(config);
  if (IsPortOpen()) ApplyConfig(config, TRUE);
}

void CComPortSelectDlg::ScanPorts(BOOL currentOnly) {
  if (!HasWindow()) return;
  m_portList.ResetContent();
  auto addIfFree = [this](const std::string& name) {
    const int number = ComPortNumber(name);
    if (number <= 0 || CSerial::CheckPort(name) != CSerial::EPortAvailable) return;
    const int index = m_portList.AddString(name);
    if (index >= 0) m_portList.SetItemData(index, static_cast<std::uintptr_t>(number));
  };
  if (currentOnly) {
    addIfFree(m_portName);
  } else {
    for (int number = 1; number <= kHighestPortNumber; ++number) addIfFree(ruv::Format("COM%d", number));
  }
  if (m_portList.GetCount() == 0) {
    if (currentOnly) {
      ScanPorts(FALSE);
      return;
    }
    m_portList.EnableWindow(FALSE);
    ShowMessageBox("All RS232 COM Ports are in use.\r\nOr this PC has NOT COM Port.", "", kErrorStyle);
    OnCancel();
    return;
  }
  const int found = m_portList.FindString(-1, m_portName);
  if (found < 0) {
    ShowMessageBox(ruv::Format("\"%s\" is NOT available!", m_portName.c_str()), "", kErrorStyle);
    m_portName.clear();
    UpdateControls();
    return;
  }
  m_portList.SetCurSel(found);
  m_portName = m_portList.GetLBText(found);
  UpdateControls();
}

void CComPortSelectDlg::EnableItem(UINT id, bool enable) {
  if (CWnd* item = GetDlgItem(id)) item->EnableWindow(enable ? TRUE : FALSE);
}

void CComPortSelectDlg::UpdateControls() {
  if (!HasWindow()) return;
  const bool open = IsPortOpen();
  EnableItem(kPortListId, !open);
  EnableItem(kRefreshId, !open);
  EnableItem(kOpenPortId, !open && !m_portName.empty());
  EnableItem(kClosePortId, open);
  if (CWnd* done = GetDlgItem(kDoneId)) {
    done->SetWindowText(open ? "&OK" : "&Cancel");
    done->SetFocus();
  }
}

BOOL CComPortSelectDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ScanPorts(TRUE);
  UpdateControls();
  return TRUE;
}

void CComPortSelectDlg::OnCancel() {
  ClosePort();
  CDialog::OnCancel();
}

BOOL CComPortSelectDlg::OnCmdMsg(UINT id, int code) {
  if (id == kPortListId && code == static_cast<int>(CBN_SELCHANGE)) {
    const int selected = m_portList.GetCurSel();
    if (selected >= 0) m_portName = m_portList.GetLBText(selected);
    UpdateControls();
    return TRUE;
  }
  if (code != static_cast<int>(BN_CLICKED)) return CDialog::OnCmdMsg(id, code);
  switch (id) {
    case kOpenPortId:
      OpenSavedPort();
      return TRUE;
    case kClosePortId:
      ClosePort();
      UpdateControls();
      ScanPorts(FALSE);
      return TRUE;
    case kPortSettingId:
      OnPortSetting();
      return TRUE;
    case kRefreshId:
      ScanPorts(FALSE);
      return TRUE;
    case kDoneId:
      EndDialog(IDOK);
      return TRUE;
    default:
      return CDialog::OnCmdMsg(id, code);
  }
}

bool ShowComPortDialog(CModBusBase* port, const std::string& settingsFileName, bool show, bool* settingsRefused) {
  CComPortSelectDlg dialog(nullptr);
  dialog.LoadPortName(settingsFileName);
  dialog.SetOutput(port);
  if (show) {
    dialog.DoModal();
  } else {
    dialog.OpenSavedPort();
  }
  const bool open = port != nullptr && port->IsOpen();
  if (settingsRefused) *settingsRefused = !open && dialog.WereSettingsRefused();
  return open;
}
