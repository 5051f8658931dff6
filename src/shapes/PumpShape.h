#pragma once
// What the gear pump and the centrifugal pump share: the attribute list with
// its analog group (the delivery "Speed" in "Kgr/h"), the run and speed
// commands with their interlocks, the pop-up menu (texts and grey items before
// it opens, commands after), the animation angle and the alarm marking of the
// drawing. Each kind adds its defaults, its float setter and its picture.
#include <atomic>

#include "shapes/BaseShape.h"

// The pumps' own attributes (0..25 are the common ones).
enum EPumpAttrib : int {
  ePumpReserveFloat1 = 26,
  ePumpSpeed = 27,
  ePumpMinVluSpeed = 28,
  ePumpMaxVluSpeed = 29,
  ePumpLlaVluSpeed = 30,
  ePumpHlaVluSpeed = 31,
  ePumpSpeedPort = 32,
  ePumpMinVluSpeedPort = 33,
  ePumpMaxVluSpeedPort = 34,
  ePumpReserveBool1 = 35,
  ePumpMinFlgSpeed = 36,
  ePumpMaxFlgSpeed = 37,
  ePumpLlaFlgSpeed = 38,
  ePumpHlaFlgSpeed = 39,
  ePumpLocalCntrlSpeed = 40,
  ePumpAutoCntrlSpeed = 41,
  ePumpDoIncreaseSpeed = 42,
  ePumpDoDecreaseSpeed = 43,
  ePumpDiOnOffSpeed = 44,
  ePumpDiOnAlarmSpeed = 45,
  ePumpDoOnOffSpeed = 46,
  ePumpReserveInt1 = 47,
  ePumpReserveStr1 = 48,
};
inline constexpr int PUMP_ATTRIB_COUNT = 49;

// The pop-up menu of a pump kind: its resource id and the ids of its items.
struct PumpMenuIds {
  UINT menu;
  UINT takeOnOff;
  UINT increase;
  UINT decrease;
  UINT action;
  UINT properties;
};

class C_PumpShape : public C_BaseShape {
 public:
  C_PumpShape(BYTE settingsIndex, const ShapeRecord& record, BYTE kind, int instanceIndex, const PumpMenuIds& menuIds);

  // Loads the kind's pop-up menu, then the common creation.
  BOOL CreateShape(CWnd* parent) override;

  int GetFirstIndex(VARTYPE type) const override;
  int GetLastIndex(VARTYPE type) const override;
  std::string GetAttribNameAt(int index) const override;
  // 27..34 are the group's value, minimum, maximum, alarm limits and port values.
  int GetAnalogRole(int index) const override;
  int GetAnalogGroupAttrib(int index, int role) const override;

  // Stores the value; the interlocks between the commands and the feedback
  // follow once the plant form accepted it (OnAttribAccepted).
  void SetAttribBool(int index, bool value) override;
  BOOL OnAttribAccepted(int index) override;
  // The run command as the plant form last accepted it: the value is on the
  // shape while the form still decides, but a device only ever sees what was
  // accepted, and so does the Demo. Any thread.
  bool IsRunCommandAccepted() const { return m_runAccepted.load(); }

  // The run item's and the speed items' texts with what each will do, and the
  // speed items greyed while the pump is not told to run (before the pop-up opens).
  void PreparePopupMenu();
  const PumpMenuIds& GetMenuIds() const { return m_menuIds; }

  // The rotation of the moving part, radians (UI thread: each redraw tick turns it).
  double GetRotationAngle() const { return m_angle; }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 protected:
  // Which words the speed items show for bits 20..23 of the draw flags.
  enum class SpeedItemWords { IncDec, HighLow, AsLoaded };
  virtual SpeedItemWords GetSpeedItemWords(int speedBits) const = 0;
  // The kind's action dialog, opened modally by "&Action".
  virtual void ShowActionDialog() {}

  // The fill percentage of "Speed" (0 when the channel is missing).
  float GetSpeedPercent() const;
  // The alarm marking of each drawing: on a change of the blink phase the
  // first active alarm not yet displayed is marked displayed (with no alarm
  // active, every alarm is cleared). True when the picture is to be shown
  // inverted: that alarm has id 0, the phase is on and the pump runs.
  bool MarkAlarmsForDrawing();
  // The moving part: its angle and colour, the running flag and the alarms' marks.
  void AddMovingPictureKey(ShapePictureKey& key) const override;

  double m_angle = 0.0;

 private:
  const PumpMenuIds m_menuIds;
  bool m_lastBlinkPhase = false;
  std::atomic<bool> m_runAccepted{false};
};
