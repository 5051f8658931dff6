#pragma once
// A property sheet: a dialog with a tab control over its pages and the stock
// OK, Cancel and Apply buttons (ids IDOK, IDCANCEL, ID_APPLY_NOW) in a row
// below, which a derived sheet may hide, move and retitle in its
// OnInitDialog. Every page is created when the sheet opens; only the active one
// is shown. The active page index is clamped to the pages there are.
#include <string>
#include <vector>

#include "platform/ui/CDialog.h"

class CPropertyPage;
class CTabCtrl;

class CPropertySheet : public CDialog {
 public:
  explicit CPropertySheet(const std::string& caption, CWnd* parent = nullptr, UINT selectPage = 0);

  void AddPage(CPropertyPage* page);
  void RemovePage(CPropertyPage* page);
  void RemovePage(int index);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const;
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
  CTabCtrl* GetTabControl() const;
  void SetTitle(const std::string& caption) { m_caption = caption; if (GetSafeHwnd()) SetWindowText(caption); }

  int DoModal() override;
  BOOL Create(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL OnCmdMsg(UINT id, int code) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  // Apply: the active page is saved, then every modified page applies.
  BOOL Apply();

 private:
  DialogTemplate BuildTemplate() const;
  void ShowPage(int index);
  std::string m_caption;
  std::vector<CPropertyPage*> m_pages;
  int m_active = 0;
};
