#pragma once
// A calibration page of a shape: up to four calibration controls side by
// side, one per analog channel (page p shows channels 4p to 4p + 3), with the
// row labels at the left, shown while any of the page's channels is visible.
#include <memory>
#include <vector>

#include "shapes/PropertyPageBase.h"

class CAnalogCalibratorCtrl;

class CAnalogCalibrationPage : public CPropertyPageBase {
 public:
  static constexpr int kChannelsPerPage = 4;

  // `numbered` titles the page "Analog Calibration [p + 1]" (a shape with two or more pages).
  explicit CAnalogCalibrationPage(int pageIndex, bool numbered = false);
  ~CAnalogCalibrationPage() override;

  // How many channels page `pageIndex` shows for a shape with `channelCount`:
  // four on every page but the last, which shows those left.
  static int CalibratorCountOnPage(int channelCount, int pageIndex);

  int GetPageIndex() const { return m_pageIndex; }
  int GetCalibratorCount() const { return static_cast<int>(m_calibrators.size()); }
  CAnalogCalibratorCtrl* GetCalibrator(int index) const;

  void Refresh() override;
  void RefreshControls() override;
  void OnRefreshPage() override;
  BOOL OnInitDialog() override;

 private:
  int m_pageIndex;
  std::vector<std::unique_ptr<CAnalogCalibratorCtrl>> m_calibrators;
};
