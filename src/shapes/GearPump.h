#pragma once
// The gear pump (kind 6, "GearPump"): two meshing gears in a rounded casing,
// turning while the pump reports running, as fast as its delivery's share of
// the range. Its "Speed" is kept inside its range like a valve's position.
#include "shapes/PumpShape.h"

inline constexpr UINT IDR_GEARPUMP_MENU = 3040;
inline constexpr UINT ID_GEARPUMP_TAKE_ON_OFF = 35022;
inline constexpr UINT ID_GEARPUMP_INCREASE = 35020;
inline constexpr UINT ID_GEARPUMP_DECREASE = 35019;
inline constexpr UINT ID_GEARPUMP_ACTION = 35018;
inline constexpr UINT ID_GEARPUMP_PROPERTIES = 35021;

class C_GearPump : public C_PumpShape {
 public:
  C_GearPump(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex);

  int GetColor(int index) const override;
  float GetDefaultFloat(int index) const override;
  // Clamps "Speed" into its range (posting code 27 when it did); others as given.
  void SetAttribFloat(int index, float value) override;
  void Draw(CDC* dc) override;

  double GetSecondGearAngle() const { return m_secondAngle; }

 protected:
  SpeedItemWords GetSpeedItemWords(int speedBits) const override;
  void ShowActionDialog() override;
  // The casing and the body are still; the gears, the alarm inversion and the frame move.
  void AddStillPictureKey(ShapePictureKey& key) const override;
  // A running pump's gears turn on at each redraw tick.
  void AdvanceAnimation() override;

 private:
  COLORREF GetCasingColor() const;

  double m_secondAngle = 0.0;
};
