#pragma once
// The general page of every shape: the actuator type ("Low Speed", "High
// Speed", "High/Low Speed", "Analog Control", the index being the shape's
// ActuatorControlType), the high/low percentage (only for "High/Low Speed")
// and the load in way.
#include "platform/ui/CComboBox.h"
#include "shapes/PropertyPageBase.h"

class CBaseGeneralPropPage : public CPropertyPageBase {
 public:
  static constexpr int kHighLowSpeed = 2;

  CBaseGeneralPropPage();

  void RefreshControls() override;
  void OnRefresh() override;
  void OnRefreshPage() override;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;

 private:
  void OnSelectionChanged();
  void OnApplyClicked();

  CComboBox m_actuatorType;
  int m_percentOfHighLowSpeed = 0;
  float m_loadInWay = 0.0f;
};
