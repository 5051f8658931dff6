#pragma once
// One analog channel of a shape on its calibration page: the eight values of
// the channel's analog group (physical value, minimum, maximum, low and high
// alarm limits, port value, port minimum, port maximum) in a column of edits,
// the channel's name above them, "&Apply" for the six limits and a trend
// button that only announces the feature.
//
// With auto refresh on, the limits are read-only and every refresh reloads
// all eight; with it off a refresh reloads only the physical and the port
// value, so limits being typed are kept until Apply.
#include <array>

#include "controls/CButtonLamp.h"
#include "controls/CChildDlgCtrl.h"
#include "datacenter/RAttribsPack.h"
#include "platform/ui/CButton.h"

class C_BaseShape;
class CAnalogCalibrationPage;

class CAnalogCalibratorCtrl : public CChildDlgCtrl {
 public:
  CAnalogCalibratorCtrl();

  // Both set by the page before the control is created.
  void SetShape(C_BaseShape* shape) { m_shape = shape; }
  void SetChannelIndex(int index) { m_channelIndex = index; }
  int GetChannelIndex() const { return m_channelIndex; }
  float GetValue(int role) const { return m_values[static_cast<std::size_t>(role)]; }

  UINT GetTemplateID() const override;
  virtual void InitControl();
  virtual void RefreshValues();
  virtual void UpdateEnabling();
  virtual void DisableHiddenFields();

  // The hosting page's sheet has its "Auto &Refresh" box checked.
  BOOL IsAutoRefresh() const;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) override;

 private:
  void OnApply();
  void OnTrendConfig();
  // The channel's group; false when the channel has none.
  bool GetGroup(std::array<int, ANALOG_GROUP_SIZE>& group) const;

  std::array<float, ANALOG_GROUP_SIZE> m_values{};
  CButton m_caption;
  CButtonLamp m_trend;
  C_BaseShape* m_shape = nullptr;
  CAnalogCalibrationPage* m_page = nullptr;
  int m_channelIndex = -1;
};
