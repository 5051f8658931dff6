#pragma once
// A view made from an in-code dialog template: its controls are built when the
// window is created, bound to members by DoDataExchange, and the whole template
// is the scrolling area. Scrolling moves the child windows themselves, so a
// child's rectangle is always in the view's client coordinates (what the
// drawing between the children relies on). The window scroll bars show only
// while the client area is smaller than the template.
#include <map>
#include <memory>
#include <vector>

#include <QPointer>

#include "platform/ui/CView.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/ScrollRange.h"

class CDataExchange;
class QScrollBar;

class CFormView : public CView {
 public:
  explicit CFormView(UINT templateId);
  ~CFormView() override;

  UINT GetTemplateId() const { return m_templateId; }
  // The template's size in pixels: what scrolls.
  CSize GetTotalSize() const { return m_totalSize; }
  // The client point shown at the client's top-left corner.
  CPoint GetScrollPosition() const;
  // Scrolls so `position` (clamped to the scrolling area) shows at the top-left.
  void ScrollToPosition(CPoint position);
  // Resizes the parent frame so the view fits the template; with `shrinkOnly`
  // a frame that is already smaller keeps its size in that direction.
  void ResizeParentToFit(BOOL shrinkOnly = TRUE);

  // The whole template, scrolled or not, as the screen shows it: for printing.
  QImage PrintPicture() override;

  virtual void DoDataExchange(CDataExchange* dx);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // Builds `control` as the control `id` in place of the template's one.
  BOOL SubclassDlgItem(UINT id, CWnd& control);

  // Loads the controls from the members, then the view's own update.
  void OnInitialUpdate() override;
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  QWidget* ClientWidget() const override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnVScroll(UINT code, UINT position, CWnd* scrollBar) override;
  void OnHScroll(UINT code, UINT position, CWnd* scrollBar) override;
  // Page Up / Page Down, Home (top-left), End (bottom-right) and the arrows
  // scroll; every key then goes to the default handling.
  void OnKeyDown(UINT key, UINT repeatCount, UINT flags) override;

  // One page and one line of scrolling, in pixels (a tenth of the area and a
  // tenth of that).
  CSize GetPageSize() const;
  CSize GetLineSize() const;

 protected:
  // The window's own resize places the client area and the bars.
  bool PreTranslateQtEvent(QEvent* event) override;

 private:
  // The new position for a scroll-bar code on one axis.
  int ScrollTarget(UINT code, UINT thumb, const ScrollRange& range, int page, int line) const;
  void UpdateBars();

  UINT m_templateId;
  CSize m_totalSize;
  CPoint m_scrolled;  // how far the children have been moved up and left
  std::map<UINT, CWnd*> m_bound;
  std::vector<std::unique_ptr<CWnd>> m_ownedControls;
  QPointer<QWidget> m_client;
  QPointer<QScrollBar> m_vbar;
  QPointer<QScrollBar> m_hbar;
  ScrollRange m_vrange;
  ScrollRange m_hrange;
  bool m_updatingBars = false;
};
