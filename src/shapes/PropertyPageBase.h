#pragma once
// The base of every page of a shape's property sheet. The page follows the
// device every 500 ms (timer 101) and is read-only while the sheet's
// "Auto &Refresh" box is checked; with the box clear the shown values stay as
// the operator types them, and only saving moves data (see DoDataExchange).
//
// Refreshing: Refresh -> RefreshControls (the controls loaded from the
// members, then OnRefresh); OnRefresh -> OnRefreshPage (which controls the
// page shows). A page that overrides OnRefresh calls the base one first.
#include <initializer_list>

#include "platform/ui/CPropertyPage.h"

class C_BaseShape;
class C_BaseShapePropSheet;

inline constexpr UINT_PTR PROPERTY_PAGE_REFRESH_TIMER = 101;
inline constexpr UINT PROPERTY_PAGE_REFRESH_PERIOD_MS = 500;

class CPropertyPageBase : public CPropertyPage {
 public:
  explicit CPropertyPageBase(UINT templateId);

  // The sheet's "Auto &Refresh" box is checked (FALSE without a sheet).
  virtual BOOL IsAutoRefresh() const;
  virtual void Refresh();
  virtual void RefreshControls();
  virtual void OnRefresh();
  virtual void OnRefreshPage();

  C_BaseShapePropSheet* GetPropSheet() const { return m_propSheet; }
  C_BaseShape* GetShape() const { return m_shape; }
  // Whether any control of the page is shown (a page showing none is dropped).
  bool ShowsVisibleControl() const;

  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  // Sets the exchange-allowed flag; a page exchanges its members only while it is true.
  void DoDataExchange(CDataExchange* dx) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) override;
  BOOL OnKillActive() override;

 protected:
  bool IsExchangeAllowed() const { return m_exchangeAllowed; }
  // Loading the controls changes nothing while the page is shown with the box clear.
  bool CanLoadControls() const;
  void ShowControls(std::initializer_list<UINT> ids, bool show);
  void EnableControls(std::initializer_list<UINT> ids, bool enable);

 private:
  C_BaseShapePropSheet* m_propSheet = nullptr;
  C_BaseShape* m_shape = nullptr;
  bool m_exchangeAllowed = true;
};
