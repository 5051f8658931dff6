#pragma once
// The centrifugal pump (kind 7, "CntrFglPump"): an impeller in a round casing
// with its outlet block placed by the form. Its "Speed" may be computed from
// the drive's port value through the channel's linear scale.
#include "shapes/PumpShape.h"

inline constexpr UINT IDR_CNTRFGLPUMP_MENU = 3037;
inline constexpr UINT ID_CNTRFGLPUMP_TAKE_ON_OFF = 35009;
inline constexpr UINT ID_CNTRFGLPUMP_INCREASE = 35007;
inline constexpr UINT ID_CNTRFGLPUMP_DECREASE = 35006;
inline constexpr UINT ID_CNTRFGLPUMP_ACTION = 35005;
inline constexpr UINT ID_CNTRFGLPUMP_PROPERTIES = 35008;

class C_CntrFglPmp : public C_PumpShape {
 public:
  C_CntrFglPmp(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex);

  int GetColor(int index) const override;
  float GetDefaultFloat(int index) const override;
  // "Speed" is clamped into its range (posting code 27 when it was);
  // "SpeedPort" into the port range silently, and when the channel computes the
  // speed from the port value, "Speed" follows it first. Others as given.
  void SetAttribFloat(int index, float value) override;
  void Draw(CDC* dc) override;

 protected:
  SpeedItemWords GetSpeedItemWords(int speedBits) const override;
  void ShowActionDialog() override;
  // The casing and its outlet block are still; the impeller and the frame move.
  void AddStillPictureKey(ShapePictureKey& key) const override;
  // A running pump's impeller turns on at each redraw tick.
  void AdvanceAnimation() override;

 private:
  COLORREF GetBackgroundColor() const;
};
