#pragma once
// The modal property sheet of a shape. Below the tabs: the "Auto &Refresh"
// box (checked at start: the pages follow the device and are read-only), the
// engraved "RUV Controls" logo and one button, "Close". A page that shows no
// control is dropped when the sheet opens; the sheet opens on the page that
// was active when the last sheet closed.
#include <string>

#include "platform/ui/CButton.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CPropertySheet.h"

class C_BaseShape;

class C_BaseShapePropSheet : public CPropertySheet {
 public:
  // `shape` is the parent window when it has one.
  C_BaseShapePropSheet(const std::string& caption, C_BaseShape* shape, UINT selectPage = 0);

  C_BaseShape* GetShape() const { return m_shape; }
  BOOL IsAutoRefresh() const;
  // Refresh of every page.
  void RefreshAllPages();
  // True while the sheet sets itself up (pages shown once to drop the empty ones).
  bool IsOpening() const { return m_opening; }
  CButton& GetAutoRefreshBox() { return m_autoRefresh; }
  const std::string& GetLogoText() const { return m_logoText; }

  // The page active when the last sheet closed (0 before any), by every sheet.
  static int GetLastActivePage();
  static void SetLastActivePage(int index);

  BOOL OnInitDialog() override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void OnPaint() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnDestroy() override;

 private:
  CRect ControlRect(UINT id) const;
  CRect TabRect() const;
  void PlaceAutoRefreshBox();
  void DropEmptyPages();

  C_BaseShape* m_shape;
  CFont m_logoFont;
  CFont m_boxFont;
  std::string m_logoText;
  CButton m_autoRefresh;
  bool m_opening = false;
};
