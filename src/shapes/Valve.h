#pragma once
// The shape of every valve of the plant: the direction valves of the batchers
// and of the water line, and the discharge valves. An on/off command with its
// feedback, a low-flow and a high-flow command, and one analog channel, the
// position (flow) in "Kgr/h". Its reactions keep command, feedback and flow
// selection consistent; the plant form checks each change first (5375).
//
// Construction record: "form" 2 draws the valve upright, any other form lying;
// draw-flag bits 28-31 set to 1 swap the open and the closed look.
#include <atomic>
#include <string>

#include "shapes/BaseShape.h"

// The valve's own attributes (the common ones are EShapeAttrib).
enum EValveAttrib : int {
  eValveReserveFloat1 = SHAPE_COMMON_ATTRIB_COUNT,
  eValvePosition,
  eValveMinVluPosition,
  eValveMaxVluPosition,
  eValveLlaVluPosition,
  eValveHlaVluPosition,
  eValvePositionPort,  // named "Position" as well: it shares the settings keys of 27
  eValveMinVluPositionPort,
  eValveMaxVluPositionPort,
  eValveReserveBool1,
  eValveDoOnOffPosition,
  eValveDiOnOffPosition,
  eValveDoLowFlow,
  eValveDoHighFlow,
  eValveMinFlgPosition,
  eValveMaxFlgPosition,
  eValveLlaFlgPosition,
  eValveHlaFlgPosition,
  eValveDiOnAlarmPosition,
  eValveLocalCntrlPosition,
  eValveAutoCntrlPosition,
  eValveReserveInt1,
  eValveReserveStr1,
};
inline constexpr int VALVE_ATTRIB_COUNT = eValveReserveStr1 + 1;

// Pop-up menu.
inline constexpr UINT IDR_VALVE_MENU = 3047;
inline constexpr UINT ID_VALVE_ACTION = 35039;
inline constexpr UINT ID_VALVE_PROPERTIES = 35040;
inline constexpr UINT ID_VALVE_TAKE_ON_OFF = 35041;

class C_Valve : public C_BaseShape {
 public:
  C_Valve(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex);

  // Loads menu 3047 and makes the window.
  BOOL CreateShape(CWnd* parent) override;

  int GetFirstIndex(VARTYPE type) const override;
  int GetLastIndex(VARTYPE type) const override;
  std::string GetAttribNameAt(int index) const override;
  int GetColor(int index) const override;
  float GetDefaultFloat(int index) const override;
  int GetAnalogRole(int index) const override;

  // Stored as given: the reactions follow once the plant form has accepted.
  void SetAttribBool(int index, bool value) override;
  // "Position" is clamped into its range.
  void SetAttribFloat(int index, float value) override;
  // The command drives the feedback (in Demo, or without a feedback tag), the
  // feedback picks a flow, a flow opens the valve and sets the position. A
  // flow whose opening the plant form refuses is refused too.
  BOOL OnAttribAccepted(int index) override;
  void OnPackChanged(int code) override;
  // Whether the open command stands and the plant form has accepted it: until
  // then nothing may flow (the form reads the levels a discharge starts from).
  bool IsOpenCommandAccepted() const { return m_openAccepted.load() && GetAttribBool(eValveDoOnOffPosition); }

  void Draw(CDC* dc) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // Whether the picture shows the open look (the feedback, swapped by the draw flags).
  bool IsOpenLook() const;

 private:
  std::atomic<bool> m_openAccepted{false};
  void OnCommandChanged(bool on);
  void OnFeedbackChanged(bool on);
  BOOL OnFlowChanged(int index, int other, float positionShare);
  void UpdateAlarmActive();
  // Everything the picture is drawn from.
  struct Look {
    COLORREF background = 0;
    COLORREF halves = 0;
    COLORREF actuator = 0;
    COLORREF edge = 0;
    bool open = false;
    bool hasAlarm = false;
    std::string alarmName;
  };
  Look GetLook() const;
  // The symbol and the alarm name; the frame is the moving layer.
  void DrawPicture(CDC& dc, const CRect& client);
  void AddStillPictureKey(ShapePictureKey& key) const override;
};
