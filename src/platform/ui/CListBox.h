#pragma once
// A list box: items with a data word each, single selection (or LBS_MULTIPLESEL
// / LBS_EXTENDEDSEL), finding by prefix, and a horizontal extent. With
// LBS_NOTIFY a choice by the user sends LBN_SELCHANGE, a double click LBN_DBLCLK.
#include <cstdint>

#include "platform/ui/CControlBase.h"

class CListBox : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

  int AddString(const std::string& text);
  int InsertString(int index, const std::string& text);
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);
  int GetSel(int index) const;            // >0 selected, 0 not, LB_ERR out of range
  int SetSel(int index, BOOL select = TRUE);  // multiple selection; -1 all
  int GetSelCount() const;
  int GetText(int index, std::string& text) const;
  std::string GetText(int index) const;
  int SetItemData(int index, std::uintptr_t data);
  std::uintptr_t GetItemData(int index) const;
  int FindString(int startAfter, const std::string& prefix) const;
  int FindStringExact(int startAfter, const std::string& text) const;
  int GetTopIndex() const;
  int SetTopIndex(int index);
  void SetHorizontalExtent(int extent);
  int GetHorizontalExtent() const { return m_extent; }
  // The largest horizontal scroll position (0 when it cannot scroll sideways).
  int GetHorizontalScrollLimit() const;
  int GetHorizontalScrollPos() const;

 protected:
  UINT ControlColorKind() const override { return CTLCOLOR_LISTBOX; }

 private:
  std::vector<std::uintptr_t> m_itemData;
  int m_extent = 0;
};
