#pragma once
// A tab control: a row of tabs over a display area. A change of tab by the user
// sends WM_NOTIFY with TCN_SELCHANGING, then TCN_SELCHANGE, to the parent.
#include "platform/ui/CControlBase.h"

struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};
using LPNMHDR = NMHDR*;

constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);
constexpr UINT TCN_SELCHANGING = static_cast<UINT>(-552);

class CTabCtrl : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  int InsertItem(int index, const std::string& text);
  BOOL DeleteItem(int index);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);  // the previous selection, or -1
  std::string GetItemText(int index) const;
  BOOL GetItemRect(int index, LPRECT rect) const;
  // larger FALSE: the window rectangle becomes the display area; TRUE: the reverse.
  void AdjustRect(BOOL larger, LPRECT rect) const;

 private:
  LRESULT SendNotify(UINT code);
  bool m_vetoed = false;
  int m_shown = -1;
};
