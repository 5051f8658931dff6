#pragma once
// The base of the shapes' action dialogs: a modal dialog over one shape that
// shows the device's live state (refreshed every 500 ms, timer 605) and writes
// the operator's commands into the shape's attributes, so they pass the plant
// form's interlocks like any other command. The shape blinks while the dialog
// is open. A double click copies the shape's settings-section name.
#include "platform/ui/CDialog.h"

class C_BaseShape;

inline constexpr UINT_PTR ACTION_DIALOG_REFRESH_TIMER = 605;
inline constexpr UINT ACTION_DIALOG_REFRESH_PERIOD_MS = 500;

class C_BaseActionDlg : public CDialog {
 public:
  // `shape` is the parent window when it has one.
  C_BaseActionDlg(UINT templateId, C_BaseShape* shape);

  C_BaseShape* GetShape() const { return m_shape; }

  // OnRefresh; the dialogs add the controls' state.
  virtual void Refresh();
  virtual void OnRefresh();

  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnDestroy() override;

 private:
  C_BaseShape* m_shape;
};
