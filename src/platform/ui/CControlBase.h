#pragma once
// What every control wrapper shares: its widget is one of Qt's controls (Qt
// paints it and handles the input it does not take itself), its notifications
// go first to the control's own reflected handler and then, as WM_COMMAND, to
// its parent, and its colours come from WM_CTLCOLOR... asked of the control
// (reflected) and then of the parent each time it paints.
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlConstants.h"
#include "platform/ui/GdiTypes.h"

class CControlBase : public CWnd {
 public:
  bool UsesQtDefaultHandling() const override { return true; }

  // The reflected form of a notification this control sends; TRUE keeps it
  // from the parent.
  virtual BOOL OnReflectedCommand(UINT code);
  // The reflected form of WM_CTLCOLOR...: a brush to use, or null to ask the parent.
  virtual HBRUSH CtlColor(CDC* dc, UINT ctlColor);

  // Called once the control's window exists as a dialog's control (built from
  // the template for a bound object, or by DDX_Control), before it is used.
  virtual void PreSubclassWindow() {}

  // Sends `code` about this control (reflection first, then the parent).
  void NotifyParent(UINT code);
  // Asks for the colours now and applies them to the widget.
  void UpdateControlColors();

 protected:
  // The WM_CTLCOLOR... kind this control asks with (CTLCOLOR_STATIC by default).
  virtual UINT ControlColorKind() const { return CTLCOLOR_STATIC; }
  bool PreTranslateQtEvent(QEvent* event) override;
  // While set, changes made through the wrapper's own setters do not notify.
  bool m_quiet = false;

 private:
  bool m_colorsCustom = false;
  bool m_updatingColors = false;
};

// A control object of the wrapper class that fits a window class name
// ("BUTTON", "EDIT"...; a plain CWnd for an unknown class). The caller owns it.
CWnd* NewControlForClass(const std::string& className, DWORD style);
