#pragma once
// The shape of every vessel of the plant: the tanker batchers, the batchers,
// the mixers and the daily tanker. Three analog channels (level in "Kg",
// agitator speed in "RPM", temperature in "°C") with their limits, port values
// and flags; the outline with its filling level and value texts; a pop-up menu
// that switches the agitator.
//
// Construction record: field "form" picks the outline (1..8, see
// VesselGeometry.h), "shapeCode" its proportions, and the draw flags the rows
// (in sixteenths of the height, 0 for none) of the agitator (bits 0-3), the
// level text (8-11), the name line (12-15) and the temperature text (16-19);
// bits 20-23 non-zero name the speed commands High/Low instead of Inc/Dec.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shapes/BaseShape.h"
#include "shapes/VesselGeometry.h"

// The vessel's own attributes (the common ones are EShapeAttrib). Each analog
// group is eight in a row: value, minimum, maximum, low and high alarm limit,
// port value, port minimum, port maximum.
enum EVesselAttrib : int {
  eVesselReserveFloat1 = SHAPE_COMMON_ATTRIB_COUNT,
  eVesselLevel,
  eVesselMinVluLevel,
  eVesselMaxVluLevel,
  eVesselLlaVluLevel,
  eVesselHlaVluLevel,
  eVesselLevelPort,
  eVesselMinVluLevelPort,
  eVesselMaxVluLevelPort,
  eVesselSpeed,
  eVesselMinVluSpeed,
  eVesselMaxVluSpeed,
  eVesselLlaVluSpeed,
  eVesselHlaVluSpeed,
  eVesselSpeedPort,
  eVesselMinVluSpeedPort,
  eVesselMaxVluSpeedPort,
  eVesselTemperature,
  eVesselMinVluTemperature,
  eVesselMaxVluTemperature,
  eVesselLlaVluTemperature,
  eVesselHlaVluTemperature,
  eVesselTemperaturePort,
  eVesselMinVluTemperaturePort,
  eVesselMaxVluTemperaturePort,
  eVesselTareLevel,
  eVesselOverloadWarningLevel,
  eVesselOverloadErrorLevel,
  eVesselReserveBool1,
  eVesselMinFlgLevel,
  eVesselMaxFlgLevel,
  eVesselLlaFlgLevel,
  eVesselHlaFlgLevel,
  eVesselLocalCntrlLevel,
  eVesselAutoCntrlLevel,
  eVesselDoIncreaseLevel,
  eVesselDoDecreaseLevel,
  eVesselMinFlgSpeed,
  eVesselMaxFlgSpeed,
  eVesselLlaFlgSpeed,
  eVesselHlaFlgSpeed,
  eVesselLocalCntrlSpeed,
  eVesselAutoCntrlSpeed,
  eVesselDoIncreaseSpeed,
  eVesselDoDecreaseSpeed,
  eVesselDiOnOffSpeed,
  eVesselDoOnOffSpeed,
  eVesselDiOnAlarmSpeed,
  eVesselMinFlgTemperature,
  eVesselMaxFlgTemperature,
  eVesselLlaFlgTemperature,
  eVesselHlaFlgTemperature,
  eVesselLocalCntrlTemperature,
  eVesselAutoCntrlTemperature,
  eVesselDoIncreaseTemperature,
  eVesselDoDecreaseTemperature,
  eVesselReserveInt1,
  eVesselReserveStr1,
};
inline constexpr int VESSEL_ATTRIB_COUNT = eVesselReserveStr1 + 1;

// Channels.
enum EVesselChannel : int { eVesselChannelLevel = 0, eVesselChannelSpeed = 1, eVesselChannelTemperature = 2 };

// Alarms of every vessel.
enum EVesselAlarm : int {
  eVesselAlarmCHLFR = 2000,
  eVesselAlarmCHOVR = 2001,
  eVesselAlarmDCHLFR = 2002,
  eVesselAlarmAM = 2003,
};

// Pop-up menu.
inline constexpr UINT IDR_VESSEL_MENU = 3048;
inline constexpr UINT ID_VESSEL_ACTION = 35042;
inline constexpr UINT ID_VESSEL_DECREASE = 35043;
inline constexpr UINT ID_VESSEL_INCREASE = 35044;
inline constexpr UINT ID_VESSEL_PROPERTIES = 35045;
inline constexpr UINT ID_VESSEL_TAKE_ON_OFF = 35046;

class C_Vessel : public C_BaseShape {
 public:
  C_Vessel(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex);

  // Loads menu 3048, makes the window and computes the outline.
  BOOL CreateShape(CWnd* parent) override;
  // The vessel page first, then the common pages.
  void AddPropertyPages(CPropertySheet* sheet) override;

  int GetFirstIndex(VARTYPE type) const override;
  int GetLastIndex(VARTYPE type) const override;
  std::string GetAttribNameAt(int index) const override;
  int GetColor(int index) const override;
  float GetDefaultFloat(int index) const override;
  int GetAnalogRole(int index) const override;
  int GetAnalogGroupAttrib(int index, int role) const override;

  void SetAttribBool(int index, bool value) override;
  // Channel values are clamped into their range; a port value sets its channel
  // value by the linear scale while the channel computes it from the port.
  void SetAttribFloat(int index, float value) override;
  BOOL OnAttribAccepted(int index) override;
  void OnPackChanged(int code) override;

  void Draw(CDC* dc) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // The outline computed at window creation (200 points; none for form 3).
  const std::vector<POINT>& GetOutline() const { return m_outline; }
  // "Level" with its unit as the picture shows it.
  std::string GetLevelText() const;
  const AgitatorState& GetAgitatorState() const { return m_agitator; }

 private:
  void UpdatePopupTexts();
  // Blinks red while a level or speed alarm flag is on or an alarm of the list is active.
  void UpdateAlarmActive();
  // Turns `index` on after turning `other` off; refused while `other` stays on.
  BOOL KeepExclusive(int index, int other);
  void SetPortValue(int portIndex, float value);
  // The picture: body, content and texts still; the agitator and the frame move.
  void DrawStillPicture(CDC& dc, const CRect& client);
  void DrawMovingPicture(CDC& dc, const CRect& client);
  // The level and temperature texts, on a box of `backdrop` when given.
  void DrawLevelAndTemperature(CDC& dc, const CRect& client, std::optional<COLORREF> backdrop);
  void AddLevelAndTemperatureKey(ShapePictureKey& key) const;
  void AddStillPictureKey(ShapePictureKey& key) const override;
  void AddMovingPictureKey(ShapePictureKey& key) const override;
  // A running agitator's blades move on at each redraw tick.
  void AdvanceAnimation() override;
  std::pair<std::string, COLORREF> GetNameLine() const;
  std::string GetTemperatureText() const;
  int GetBodyColorAttrib() const;
  int GetContentColorAttrib() const;
  int GetLevelPercent() const;

  std::vector<POINT> m_outline;
  AgitatorState m_agitator;
};
