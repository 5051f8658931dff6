#pragma once
// A dialog: a CWnd whose widget is a QDialog (a plain widget for a child
// dialog), built from an in-code template with one control window per template
// item. Modal (DoModal runs a local event loop until EndDialog) or modeless
// (Create). Enter presses the focused push button or the default button (IDOK
// when none), Escape sends IDCANCEL, closing the window sends IDCANCEL too.
// The focused push button looks default while it has the focus; otherwise the
// default button does. A focused control being disabled or hidden hands the
// focus to the default button or the first field, never to another push button.
//
// A derived dialog may name, before creation, its own control object for an id
// (BindControl); the template then builds that object for the id. DDX_Control
// does the same later, building the object in place of the template's control.
//
// Tests script modal dialogs through ModalDialogScript.h; without a script a
// modal dialog waits for its user.
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QPointer>
#include <QScrollBar>
#include <QWidget>

#include "platform/ui/CWnd.h"
#include "platform/ui/ControlConstants.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/GdiTypes.h"
#include "platform/ui/ScrollRange.h"

class CDataExchange;
class CDC;
class CScrollBar;
class QEventLoop;

class CDialog : public CWnd {
 public:
  CDialog();
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // ---- running ----
  virtual int DoModal();
  // Modeless: the dialog exists (shown when its template says WS_VISIBLE) when TRUE.
  // Without a parent it is owned by the main window (kept above it, not its child).
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL CreateIndirect(const DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
  // Ends a modal dialog with `result` (also from inside OnInitDialog); a
  // modeless one is only hidden, as on the platform.
  void EndDialog(int result);
  bool IsModal() const { return m_modal; }
  // The template in use (its id is the dialog's template id), or null.
  const DialogTemplate* GetTemplate() const;
  UINT GetTemplateId() const { return m_templateId; }

  // ---- overridables ----
  // Loads the controls from the members (UpdateData(FALSE)); TRUE to let the
  // framework put the focus on the first control.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx);
  // WM_CTLCOLOR... from a control: a brush (and the context's colours) or null
  // for the defaults.
  virtual HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor);
  virtual void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
  virtual void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual void OnGetMinMaxInfo(MINMAXINFO* info);
  virtual UINT OnNcHitTest(CPoint screenPoint);

  // ---- data exchange ----
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // ---- controls ----
  void BindControl(UINT id, CWnd& control);
  // Builds `control` as the control `id` in place of the current one (same
  // class, style, text, rectangle, visibility and enabled state).
  BOOL SubclassDlgItem(UINT id, CWnd& control);
  void SetDlgItemText(UINT id, const std::string& text);
  std::string GetDlgItemText(UINT id) const;
  void SetDlgItemInt(UINT id, int value, BOOL isSigned = TRUE);
  UINT GetDlgItemInt(UINT id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void CheckDlgButton(UINT id, UINT check);
  UINT IsDlgButtonChecked(UINT id) const;
  void CheckRadioButton(UINT firstId, UINT lastId, UINT checkId);
  void SetDefID(UINT id);
  DWORD GetDefID() const;  // MAKELONG(id, DC_HASDEFID), or 0
  void GotoDlgCtrl(CWnd* control);
  void NextDlgCtrl();
  void PrevDlgCtrl();
  // Dialog units to pixels.
  void MapDialogRect(LPRECT rect) const;

  // ---- window scroll bars (templates with WS_VSCROLL / WS_HSCROLL) ----
  BOOL SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE);
  BOOL GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask = SIF_ALL);
  int SetScrollPos(int bar, int pos, BOOL redraw = TRUE);
  int GetScrollPos(int bar) const;
  int GetScrollLimit(int bar) const;
  void EnableScrollBarCtrl(int bar, BOOL enable = TRUE);
  // Moves the client area's child windows by dx, dy (positive: right, down).
  void ScrollWindow(int dx, int dy);

  // ---- framework ----
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  QWidget* ClientWidget() const override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void OnClose() override;
  // Tab and Shift+Tab move to the next or previous tab stop; Return presses the
  // focused push button or the default button; Escape sends IDCANCEL.
  bool HandleDialogKey(int virtualKey, bool shift) override;
  // The focus leaves a control being disabled or hidden for the default
  // button, else the first field (a control that is no push button), else
  // nothing: never for another push button, which would look default and take
  // the next Return.
  bool MoveFocusOff(CWnd& leaving) override;
  // Asks WM_GETMINMAXINFO again and applies the limits to the window.
  void ApplyTrackingLimits();

 protected:
  bool PreTranslateQtEvent(QEvent* event) override;
  // Runs on this template instead of a registered one (sheets build theirs).
  void UseTemplate(const DialogTemplate& dialogTemplate);
  // The id a child dialog is created with (its control id in the parent).
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;

 private:
  BOOL CreateFromTemplate(const DialogTemplate& dialogTemplate, CWnd* parent);
  void CreateControls(const DialogTemplate& dialogTemplate);
  void PressDefaultButton();
  // As the dialog manager does: the push button with the focus looks default
  // while it has it, else the default button does (m_defId itself stays).
  void UpdateDefaultLook();
  // The outermost dialog over the window that now has the focus updates its look.
  static void FollowFocus(QWidget* focus);
  // A page's buttons belong to its sheet's look: the outermost dialog over a
  // window (through child windows only) keeps the look for all of them.
  static CDialog* OutermostDialog(CWnd* window);
  void MoveToTabStop(bool forward);
  void QuitModalLoop();
  QScrollBar* WindowBar(int bar) const;
  ScrollRange* WindowRange(int bar);

  UINT m_templateId = 0;
  std::unique_ptr<DialogTemplate> m_ownTemplate;  // CreateIndirect
  std::map<UINT, CWnd*> m_bound;
  std::vector<std::unique_ptr<CWnd>> m_ownedControls;
  UINT m_defId = IDOK;
  bool m_hasDefaultButton = false;  // the template named one, or SetDefID did
  HWND m_defaultLookHolder = nullptr;
  bool m_modal = false;
  bool m_ended = false;
  int m_result = -1;
  QEventLoop* m_loop = nullptr;
  // Qt deletes these with the window's widget.
  QPointer<QWidget> m_client;
  QPointer<QScrollBar> m_vbar;
  QPointer<QScrollBar> m_hbar;
  ScrollRange m_vrange;
  ScrollRange m_hrange;
};
