#pragma once
// The vessel's own page: the tare level and the overload warning and error
// levels (percentages). Apply refuses a tare above a tenth of the vessel's
// maximum level and a warning level not below the error level.
#include "shapes/PropertyPageBase.h"

class C_Vessel;

// The refusals of Apply (system-modal, stop icon).
extern const char* const kTareTooHighText;
extern const char* const kWarningNotBelowErrorText;

class C_VesselPageCtrl : public CPropertyPageBase {
 public:
  C_VesselPageCtrl();

  void RefreshControls() override;
  void OnRefresh() override;
  void OnRefreshPage() override;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;

 private:
  void OnApplyClicked();
  C_Vessel* Vessel() const;

  float m_tareLevel = 0.0f;
  float m_warningLevel = 3.0f;
  float m_errorLevel = 10.0f;
};
